// One station's fingerprint controls in a process of their own, driven line
// by line on stdin; each command answers one line on stdout. The
// two-stations test runs two of these on one database.
//
//   start CONEXAO PONTO PONTOS INTERVALO   ctrlFPdb and ctrlIdentificar started
//   enroll CODE FINGER HEX                 what an enrollment stores: table and memory
//   tick                                   one AtualizarDigitais pass now
//   has CODE FINGER                        "yes HEX" or "no"
//   delete CODE                            ExcluirUsuario: its result
//   restart                                EncerrarFPdb and InicializarFPdb
//   quit
#include "ctrl_fpdb.h"
#include "ctrl_identificar.h"
#include "papilo.h"
#include "shared_state.h"
#include "template_store.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

using namespace dactilox;

namespace {

std::unique_ptr<CtrlFPdb> g_fpdb;
std::unique_ptr<CtrlIdentificar> g_ident;

void answer(const QString &line) {
  std::cout << line.toStdString() << std::endl;
}

QString run(const QStringList &w) {
  const QString cmd = w.value(0);
  if (cmd == "start" && w.size() == 5) {
    g_fpdb = std::make_unique<CtrlFPdb>();
    g_fpdb->setConexaoSQL(w[1]);
    g_fpdb->setSQLDelimitadorString(1);
    g_fpdb->setNumeroPontoIdentificador(uint8_t(w[2].toInt()));
    g_fpdb->setQuantidadePontosIdentificadores(uint8_t(w[3].toInt()));
    g_fpdb->InicializarFPdb();
    g_ident = std::make_unique<CtrlIdentificar>();
    g_ident->setIntervaloAtualizarDigitais(int16_t(w[4].toInt()));
    return store::conectado() ? "started" : "not connected";
  }
  if (cmd == "enroll" && w.size() == 4) {
    const QByteArray bytes = QByteArray::fromHex(w[3].toLatin1());
    const bool ok = store::AddRecordDB(w[1], bytes, int32_t(bytes.size()), uint8_t(w[2].toInt())) &&
                    store::AddRecordMemory(w[1], bytes, int32_t(bytes.size()), uint8_t(w[2].toInt()));
    return ok ? "ok" : "fail";
  }
  if (cmd == "tick") {
    store::AtualizarDigitais(estado().banco.numeroPontoIdentificador);
    return "ticked";
  }
  if (cmd == "has" && w.size() == 3) {
    for (const auto &g : estado().gruposDigitais)
      if (g)
        for (const FingerprintRecord &r : *g)
          if (r.codUsuario == w[1] && r.indiceDedo == w[2].toInt()) return "yes " + QString::fromLatin1(r.bioFeatures.toHex());
    return "no";
  }
  if (cmd == "delete" && w.size() == 2) return QString::number(g_ident->ExcluirUsuario(w[1]));
  if (cmd == "restart") {
    g_fpdb->EncerrarFPdb();
    g_fpdb->InicializarFPdb();
    return "restarted";
  }
  return "?";
}

} // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  store::definirCaixaMensagem([](store::Icone, const QString &texto, bool podeRepetir) {
    answer("box " + QString(texto).replace('\r', ' '));
    return podeRepetir ? store::Resposta::Desistir : store::Resposta::Ok;
  });
  QSocketNotifier input(0, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    std::string line;
    if (!std::getline(std::cin, line) || line == "quit") {
      input.setEnabled(false);
      g_ident.reset();
      if (g_fpdb) g_fpdb->EncerrarFPdb();
      g_fpdb.reset();
      app.quit();
      return;
    }
    answer(run(QString::fromStdString(line).split(' ', Qt::SkipEmptyParts)));
  });
  return app.exec();
}
