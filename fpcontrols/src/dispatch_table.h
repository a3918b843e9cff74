// The public surface of Dactilox: classes, members, events and identities.
#ifndef DACTILOX_DISPATCH_TABLE_H
#define DACTILOX_DISPATCH_TABLE_H

#include "component/server.h"

#include <cstddef>

namespace dactilox {

extern const component::TypeLibInfo kTypeLib;
extern const component::ClassInfo kCtrlIdentificarInfo;
extern const component::ClassInfo kCtrlCadastrarInfo;
extern const component::ClassInfo kCtrlSensorInfo;
extern const component::ClassInfo kCtrlFPdbInfo;
extern const component::ClassInfo kFingerPrintImageInfo;

// The server's class table (the four controls and the image slot class).
const component::ServerClass *serverClasses();
size_t serverClassCount();

// A dispatch object over image slot 0 to 4 (hosts never create one); null
// for any other index. One reference.
component::Object *imageSlotObject(int slot);

} // namespace dactilox

#endif
