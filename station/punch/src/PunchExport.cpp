#include "punch/PunchExport.h"

#include "textcodec/Cp1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace punch {

using settings::isYes;
using settings::RegistroPrincipal;

QString exportFileName(const RegistroPrincipal &r, const QString &empresa, const QDate &date) {
  const QString &name = r.arquivo;
  const qsizetype L = name.size();
  // Character at 1-based position p, positions below 1 read as position 1.
  auto at = [&](qsizetype p) { return name.at(std::max<qsizetype>(p, 1) - 1); };
  QString base = name, ext;
  for (int e = 4; e >= 2; --e) {
    if (L > 0 && at(L - e) == '.') {
      base = name.left(std::max<qsizetype>(L - e - 1, 0));
      ext = "." + name.right(e);
      break;
    }
  }
  QString out = base;
  if (isYes(r.cb_Codemp)) out += empresa;
  if (isYes(r.cb_data)) out += date.toString("yyyyMMdd");
  return out + r.w_pontocoleta + ext;
}

namespace {

bool kindIs(const QString &kind, const char *name) {
  return kind.compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0;
}

QString fieldValue(const QString &kind, const QString &fixed, const RegistroPrincipal &r, const Punch &punch,
                   const services::Clock &clock, const QDate &exportDate) {
  if (kindIs(kind, "Empresa")) return punch.empresa;
  if (kindIs(kind, "CodigoBio")) return punch.codigo;
  if (kindIs(kind, "DataComBarras")) return clock.now().date().toString("dd/MM/yyyy");
  if (kindIs(kind, "DataSemBarras")) return exportDate.toString("ddMMyyyy");
  if (kindIs(kind, "HoraComSegComPontos")) return clock.now().time().toString("hh:mm:ss");
  if (kindIs(kind, "HoraComSegSemPontos")) return clock.now().time().toString("hhmmss");
  if (kindIs(kind, "HoraSemSegComPontos")) return clock.now().time().toString("hh:mm");
  if (kindIs(kind, "HoraSemSegSemPontos")) return clock.now().time().toString("hhmm");
  if (kindIs(kind, "Função")) return punch.funcao;
  if (kindIs(kind, "PontoColeta")) return r.w_pontocoleta;
  if (kindIs(kind, "Fixo")) return fixed;
  return {};
}

FolderSyncObserver g_folderSynced = nullptr;

// A new file's name lives in its folder: until the folder reaches the disk a
// power cut can lose the file, with the punch in it.
bool syncFolder(const QString &folder, QString *error) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool ok = fd >= 0 && ::fsync(fd) == 0;
  if (!ok) *error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
  if (fd >= 0) ::close(fd);
  if (ok && g_folderSynced) g_folderSynced(folder);
  return ok;
}

// Appends one line and makes sure it is on the disk before returning.
bool appendDurably(const QString &path, const QByteArray &line, QString *error) {
  const bool created = !QFileInfo::exists(path);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
    *error = QStringLiteral("%1: %2").arg(path, f.errorString());
    return false;
  }
  if (f.write(line) != line.size() || !f.flush() || ::fsync(f.handle()) != 0) {
    *error = QStringLiteral("%1: %2").arg(path, f.errorString());
    return false;
  }
  return !created || syncFolder(QFileInfo(path).absolutePath(), error);
}

} // namespace

QString buildLine(const RegistroPrincipal &r, const Punch &punch, const services::Clock &clock,
                  const QDate &exportDate) {
  QString line = r.campo[0].isEmpty() ? QString::fromUtf8("Configuração de Exportação Incorreta!")
                                       : fieldValue(r.campo[0], r.campop[0], r, punch, clock, exportDate);
  for (int k = 1; k < 12; ++k) {
    if (r.campo[k].isEmpty()) continue;
    line += r.divisor + fieldValue(r.campo[k], r.campop[k], r, punch, clock, exportDate);
  }
  return line;
}

ExportResult gravaascii(const RegistroPrincipal &r, const Punch &punch, const paths::StationPaths &paths,
                        const services::Clock &clock) {
  if (r.PastaExp.isEmpty())
    return {ExportResult::ConfigError,
            QString::fromUtf8("Pasta de Exportação Não Localizada. Verifique a Configuração!")};
  if (r.arquivo.isEmpty())
    return {ExportResult::ConfigError,
            QString::fromUtf8("Nome do Arquivo de Exportação Incorreto. Verifique a Configuração!")};
  const QDate today = clock.now().date();
  const QByteArray line = textcodec::toCp1252(buildLine(r, punch, clock, today)) + "\r\n";

  QString error;
  const QString exportPath = paths.native(r.PastaExp + "\\" + exportFileName(r, punch.empresa, today));
  if (!appendDurably(exportPath, line, &error)) return {ExportResult::IoError, error};
  const QString monthly = paths.inHome(QStringLiteral("zeltron_%1.txt").arg(today.toString("yyyyMM")));
  if (!appendDurably(monthly, line, &error)) return {ExportResult::IoError, error};

  QSaveFile online(paths.inHome("zeltron_OnLine.txt"));
  const QByteArray onlineLine = textcodec::toCp1252(punch.codigo + ";" + punch.funcao) + "\r\n";
  if (!online.open(QIODevice::WriteOnly) || online.write(onlineLine) != onlineLine.size() || !online.commit())
    return {ExportResult::IoError, QStringLiteral("%1: %2").arg(online.fileName(), online.errorString())};
  // The rename that replaced the online file is durable once the folder is.
  if (!syncFolder(QFileInfo(online.fileName()).absolutePath(), &error)) return {ExportResult::IoError, error};
  return {};
}

void setFolderSyncObserver(FolderSyncObserver observer) { g_folderSynced = observer; }

} // namespace punch
