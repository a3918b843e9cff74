// The four exports of the in-process server.
#include "dispatch_table.h"

COMPONENT_SERVER_EXPORTS(dactilox::serverClasses(), dactilox::serverClassCount(), dactilox::kTypeLib)
