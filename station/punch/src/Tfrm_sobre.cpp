#include "punch/Tfrm_sobre.h"

#include "widgets/Logo.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace punch {

QString Tfrm_sobre::texto() {
  return QString::fromUtf8(
             "Relógio de ponto biométrico para pequenas empresas.\n"
             "Versão %1, para Debian 12 Linux.\n\n"
             "Partes do sistema:\n"
             "  Talvenox — a estação de marcação\n"
             "  Dactilox — os controles de impressão digital\n"
             "  Vistrel — imagens em tons de cinza\n"
             "  Plexar — o gerenciador de scanners\n"
             "  Lumadrv — o driver do leitor U.are.U\n\n"
             "Construído sobre:\n"
             "  Qt %2 (Widgets, Sql, Multimedia) — GNU LGPL versão 3\n"
             "  SQLite — domínio público\n"
             "  libjpeg-turbo — licenças IJG e BSD modificada\n"
             "  libfprint — GNU LGPL versão 2.1 ou posterior\n\n"
             "As bibliotecas LGPL são usadas como bibliotecas compartilhadas do sistema\n"
             "e podem ser substituídas por outras versões compatíveis.")
      .arg(QStringLiteral(TALVENOX_VERSION), QString::fromLatin1(qVersion()));
}

Tfrm_sobre::Tfrm_sobre(QWidget *parent) : QDialog(parent) {
  setObjectName("frm_sobre");
  setWindowTitle(QString::fromUtf8("Informações Sobre o Sistema"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  auto *cabeca = new QHBoxLayout;
  auto *imagem = new QLabel(this);
  imagem->setObjectName("Image1");
  imagem->setPixmap(widgets::logo(QSize(96, 96)));
  cabeca->addWidget(imagem);
  auto *produto = new QLabel(QStringLiteral("Talvenox"), this);
  produto->setObjectName("produto");
  QFont f("Serif", 26, QFont::Bold, true);
  produto->setFont(f);
  cabeca->addWidget(produto, 1);
  layout->addLayout(cabeca);

  auto *texto = new QLabel(Tfrm_sobre::texto(), this);
  texto->setObjectName("texto");
  texto->setTextFormat(Qt::PlainText);
  layout->addWidget(texto);

  auto *fechar = new QPushButton(QStringLiteral("Fechar"), this);
  fechar->setObjectName("bt_fechar");
  fechar->setDefault(true);
  connect(fechar, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(fechar, 0, Qt::AlignRight);
  setFixedSize(sizeHint());
}

} // namespace punch
