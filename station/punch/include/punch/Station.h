#pragma once
// What the station's screens share for the whole run: where its files are,
// the settings record, the employee table and the services.

#include "paths/StationPaths.h"
#include "punch/ScreenOpeners.h"
#include "registry/EmployeeTable.h"
#include "services/Services.h"
#include "settings/RegistroPrincipal.h"

#include <QString>

namespace punch {

struct Station {
  explicit Station(const paths::StationPaths &p, const services::Services &s) : paths(p), services(s) {}

  paths::StationPaths paths;
  services::Services services;
  settings::RegistroPrincipal registro;
  registry::EmployeeTable tb_biometria;
  QString settingsPath; // "zeltron.sys" in the home folder, set at start-up
  ScreenOpeners abridores;
};

} // namespace punch
