#pragma once
// The tables of the fingerprint template store, made by a separate step (the
// store itself never creates them): tblBiometrica, tblBiometricaUpdate and,
// for several stations on one server, tblPontos, the list of collection
// points. The same layout on SQLite and PostgreSQL:
//
//   tblBiometrica        CodUsuario text, IndiceDedo small int, BioFeatures bytes,
//                        BioSize int; key (CodUsuario, IndiceDedo)
//   tblBiometricaUpdate  Ponto int, CodUsuario text, IndiceDedo small int; key of all three
//   tblPontos            Ponto int, key

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace sqlconnect {

// Creates whichever of the three tables is missing, in one transaction.
// Existing tables are left as they are. False with *error on failure.
bool createTemplateTables(QSqlDatabase &db, QString *error);

// Adds collection point n (1 to 255) to tblPontos unless it is there.
bool registerPoint(QSqlDatabase &db, int n, QString *error);

// The highest registered point: the number of points, numbered from 1.
// 0 when none is registered; nullopt (with *error) when the query failed.
std::optional<int> highestPoint(QSqlDatabase &db, QString *error);

}  // namespace sqlconnect
