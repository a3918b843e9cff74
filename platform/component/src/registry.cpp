#include "component/registry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace component {

namespace fs = std::filesystem;

std::string registryPath() {
  if (const char *p = std::getenv("TALVENOX_COMPONENTS"); p && *p) return p;
  if (const char *h = std::getenv("TALVENOX_HOME"); h && *h) return (fs::path(h) / "components.ini").string();
  if (const char *x = std::getenv("XDG_DATA_HOME"); x && *x)
    return (fs::path(x) / "talvenox" / "components.ini").string();
  const char *home = std::getenv("HOME");
  return (fs::path(home && *home ? home : "/tmp") / ".local/share/talvenox/components.ini").string();
}

namespace {

std::string trim(const std::string &s) {
  size_t i = 0, j = s.size();
  while (i < j && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
  while (j > i && (s[j - 1] == ' ' || s[j - 1] == '\t' || s[j - 1] == '\r')) --j;
  return s.substr(i, j - i);
}

} // namespace

bool readRegistry(const std::string &path, std::map<Guid, RegistryEntry> *out, std::string *error) {
  out->clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (!fs::exists(path)) return true;
    if (error) *error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string line;
  RegistryEntry *cur = nullptr;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      cur = nullptr;
      if (line.back() != ']') continue;
      Guid g{};
      if (!parseGuid(line.substr(1, line.size() - 2), &g)) continue;
      cur = &(*out)[g];
      *cur = RegistryEntry{};
      cur->clsid = g;
      continue;
    }
    if (!cur) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = trim(line.substr(0, eq));
    const std::string value = trim(line.substr(eq + 1));
    if (key == "Name") cur->name = value;
    else if (key == "Library") cur->library = value;
    else if (key == "TypeLib") cur->typeLib = value;
    else if (key == "Version") cur->version = value;
    else cur->extra.emplace_back(key, value);
  }
  return true;
}

bool writeRegistry(const std::string &path, const std::map<Guid, RegistryEntry> &entries, std::string *error) {
  std::ostringstream text;
  text << "; Talvenox component registry: class identity -> server library\n";
  for (const auto &[clsid, e] : entries) {
    text << "\n[" << formatGuid(clsid) << "]\n";
    if (!e.name.empty()) text << "Name=" << e.name << '\n';
    text << "Library=" << e.library << '\n';
    if (!e.typeLib.empty()) text << "TypeLib=" << e.typeLib << '\n';
    if (!e.version.empty()) text << "Version=" << e.version << '\n';
    for (const auto &[k, v] : e.extra) text << k << '=' << v << '\n';
  }
  std::error_code ec;
  const fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  const std::string tmp = path + ".tmp." + std::to_string(::getpid());
  {
    std::ofstream o(tmp, std::ios::binary | std::ios::trunc);
    o << text.str();
    o.flush();
    if (!o) {
      if (error) *error = "cannot write " + tmp + ": " + std::strerror(errno);
      fs::remove(tmp, ec);
      return false;
    }
  }
  fs::rename(tmp, target, ec);
  if (ec) {
    if (error) *error = "cannot replace " + path + ": " + ec.message();
    fs::remove(tmp, ec);
    return false;
  }
  return true;
}

bool registerEntries(const std::string &path, const std::vector<RegistryEntry> &entries, std::string *error) {
  std::map<Guid, RegistryEntry> all;
  if (!readRegistry(path, &all, error)) return false;
  for (const auto &e : entries) all[e.clsid] = e;
  return writeRegistry(path, all, error);
}

bool unregisterClasses(const std::string &path, const std::vector<Guid> &classes, std::string *error) {
  std::map<Guid, RegistryEntry> all;
  if (!readRegistry(path, &all, error)) return false;
  for (const auto &g : classes) all.erase(g);
  return writeRegistry(path, all, error);
}

bool lookupClass(const Guid &clsid, RegistryEntry *out, std::string *error) {
  std::map<Guid, RegistryEntry> all;
  const std::string path = registryPath();
  if (!readRegistry(path, &all, error)) return false;
  auto it = all.find(clsid);
  if (it == all.end() || it->second.library.empty()) {
    if (error) *error = "class " + formatGuid(clsid) + " is not registered in " + path;
    return false;
  }
  *out = it->second;
  return true;
}

} // namespace component
