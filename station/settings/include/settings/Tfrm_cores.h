#pragma once
// The colour screen "Configuração de Cores": nine sample panels, one per
// colour slot, each opening the colour chooser, and the six schemes. Slot
// changes take effect in memory at once; neither button undoes them.

#include "services/Services.h"
#include "settings/RegistroPrincipal.h"

#include <QColor>
#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QToolButton;

namespace settings {

class Tfrm_cores : public QDialog {
  Q_OBJECT
public:
  Tfrm_cores(RegistroPrincipal &registro, services::Messages &messages, QWidget *parent = nullptr);

  // Applies the colour slots to this screen and its samples; false (after a
  // message) for a text that is no colour.
  bool atualizacores();
  // A click on the sample panel of a slot.
  void escolhecor(int slot);
  // The scheme drop-down's text, chosen or typed.
  void escolheesquema(const QString &text);

  // The colour chooser, given the colour it starts from; a test replaces it.
  // Closing it without a choice hands back the colour it still holds.
  std::function<QColor(const QColor &)> chooser;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  RegistroPrincipal &m_registro;
  services::Messages &m_messages;
  QColor m_ultimaCor = Qt::black; // the chooser's colour, kept between uses
  std::array<QLabel *, kCorSlots> m_amostras{};
  QComboBox *ComboBox1 = nullptr;
  QWidget *Panel1 = nullptr;
  QToolButton *bt_confirma = nullptr;
  QToolButton *SpeedButton4 = nullptr;
};

} // namespace settings
