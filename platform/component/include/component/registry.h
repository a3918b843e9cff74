// The component registry file: which library serves which class identity.
//
// Location, first that applies:
//   1. $TALVENOX_COMPONENTS (the file itself),
//   2. $TALVENOX_HOME/components.ini,
//   3. $XDG_DATA_HOME/talvenox/components.ini,
//   4. ~/.local/share/talvenox/components.ini.
//
// Format: UTF-8 text, one section per class, keyed by its identity:
//
//   ; Talvenox component registry
//   [{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}]
//   Name=Dactilox.ctrlIdentificar
//   Library=/opt/talvenox/lib/libdactilox.so
//   TypeLib={37D93AA9-DD75-4976-A38D-BF367F0326C5}
//   Version=1.0
//
// Lines starting with ';' or '#' and blank lines are ignored; unknown keys
// are kept on rewrite. The file is rewritten whole through a temporary file
// and a rename, so a reader never sees half of it.
#ifndef COMPONENT_REGISTRY_H
#define COMPONENT_REGISTRY_H

#include "component/guid.h"

#include <map>
#include <string>
#include <vector>

namespace component {

struct RegistryEntry {
  Guid clsid{};
  std::string name;     // "Library.Class"
  std::string library;  // absolute path of the server library
  std::string typeLib;  // identity text of its type library
  std::string version;  // "1.0"
  std::vector<std::pair<std::string, std::string>> extra;  // other keys, kept as read
};

std::string registryPath();

// Reads the file; a missing file is an empty registry. Sections whose name
// is not an identity and lines without '=' are skipped.
bool readRegistry(const std::string &path, std::map<Guid, RegistryEntry> *out, std::string *error);
bool writeRegistry(const std::string &path, const std::map<Guid, RegistryEntry> &entries, std::string *error);

// Adds or replaces entries (creating the file and its folder).
bool registerEntries(const std::string &path, const std::vector<RegistryEntry> &entries, std::string *error);
// Removes the entries of these classes.
bool unregisterClasses(const std::string &path, const std::vector<Guid> &classes, std::string *error);

// The library registered for a class; false when none.
bool lookupClass(const Guid &clsid, RegistryEntry *out, std::string *error);

} // namespace component

#endif
