#pragma once
// The station's side of the template database: what it hands ctrlFPdb1, the
// creation of the tables (the store never creates them) and, when several
// stations share one PostgreSQL server, the list of collection points.
//
// The folder setting pastabio holds either a folder (the embedded default:
// the SQLite file "biometrica.mdb" in it) or a postgresql:// URI naming a
// database on a server.

#include "paths/StationPaths.h"

#include <QString>

#include <optional>

namespace biodb {

// True when pastabio names a server.
bool noServidor(const QString &pastabio);

// The connection text for ctrlFPdb1: the Jet text of biometrica.mdb in the
// folder (its native path), or the URI itself.
QString conexao(const QString &pastabio, const paths::StationPaths &paths);

// Native path of biometrica.mdb in the folder pastabio.
QString arquivo(const QString &pastabio, const paths::StationPaths &paths);

// Creates the file with its tables when it does not exist yet and its folder
// does; an existing file gets whichever table it lacks. False with *error.
bool criarArquivo(const QString &file, QString *error);

// On a server: creates the missing tables, registers point ponto (1 to 255;
// 0 registers nothing) and returns the number of points (the highest
// registered one). nullopt with *error when the server cannot be used.
std::optional<int> prepararServidor(const QString &uri, int ponto, QString *error);

// The update interval the station gives ctrlIdentificar1 on a server, in
// milliseconds: an enrollment reaches every other station within it.
inline constexpr int kIntervaloAtualizacao = 2000;

}  // namespace biodb
