#pragma once
// The station's settings record, kept in memory as short texts and stored as
// one 2668-byte record in "zeltron.sys". Flags are "S" or "N"; only the exact
// upper-case "S" counts as yes.

#include <QString>

#include <array>

namespace settings {

// Colour slots in the order the record keeps them.
enum CorSlot {
  corprincipal,
  corcontrole,
  corbotao,
  corbotaof,
  correlogio,
  correlogiof,
  corsuspenso,
  coredicao,
  corpadrao,
  kCorSlots
};

struct RegistroPrincipal {
  QString cb_data;        // add the date to the export file name
  QString cb_Codemp;      // add the company code to the export file name
  QString w_codemp;       // default company code
  QString w_pontocoleta;  // collection point (station) code
  QString PastaDados;     // folder of the employee table, ends with a separator
  QString pastabio;       // folder of "biometrica.mdb"
  QString PastaExp;       // export folder
  QString rb_biometria;   // "DIGITALPERSONA" or "NENHUM"
  QString arquivo;        // export file name
  QString wsenhacontrole; // control and release password; empty = none
  // Fields no part of the station reads; kept as read. [1] is the flag at 481.
  std::array<QString, 13> reservado;
  std::array<QString, 12> cod;  // punch function codes; cod[0] is function 1 (F1)
  std::array<QString, 12> desc; // punch function descriptions
  // General day flags, Monday to Sunday: "S" = a day with interval control.
  QString wseg, wter, wqua, wqui, wsex, wsab, wdom;
  QString wbloq;                // block punches on days without control
  std::array<QString, 20> wi;   // start of general interval k+1, "hh:mm"
  std::array<QString, 20> wf;   // end of general interval k+1
  std::array<QString, 12> campo;  // export field kinds
  std::array<QString, 12> campop; // fixed texts of the export fields
  QString divisor;                // text between export fields
  std::array<QString, kCorSlots> cores;

  bool operator==(const RegistroPrincipal &) const = default;
};

inline bool isYes(const QString &flag) { return flag == QLatin1String("S"); }

} // namespace settings
