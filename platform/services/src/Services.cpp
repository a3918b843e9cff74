#include "services/Services.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <memory>

namespace services {

bool Messages::ask(QWidget *parent, const QString &text) {
  return QMessageBox::warning(parent, QApplication::applicationDisplayName(), text, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

namespace {

class BoxMessages final : public Messages {
public:
  void show(QWidget *parent, const QString &text) override {
    // Texts break their lines with carriage returns.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
    QMessageBox::information(parent, QApplication::applicationDisplayName(), shown);
  }
};

class SleepingWaits final : public Waits {
public:
  void wait(QWidget *screen, int ms) override {
    if (screen) screen->repaint();
    QApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    QThread::msleep(ms);
  }
};

class WaveSounds final : public Sounds {
public:
  void play(const QString &path) override {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    // One effect at a time; a new sound replaces the one still playing.
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
  }

private:
  std::unique_ptr<QSoundEffect> m_effect;
};

class SystemClock final : public Clock {
public:
  QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace

Services realServices() {
  static BoxMessages messages;
  static SleepingWaits waits;
  static WaveSounds sounds;
  static SystemClock clock;
  return {&messages, &waits, &sounds, &clock};
}

} // namespace services
