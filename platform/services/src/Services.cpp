#include "services/Services.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
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

// Sounds play on a thread of their own: the screen's 3-second waits block
// the GUI thread, and a sound driven from there would only start (or keep
// playing) after the wait. Each file is loaded once and kept.
class WaveSounds final : public Sounds {
public:
  WaveSounds() {
    m_thread.setObjectName(QStringLiteral("sounds"));
    m_worker.moveToThread(&m_thread);
    m_thread.start();
  }
  ~WaveSounds() override {
    QMetaObject::invokeMethod(&m_worker, [this] { m_worker.clear(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
  }

  void play(const QString &path) override {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    QMetaObject::invokeMethod(&m_worker, [this, path] { m_worker.play(path); }, Qt::QueuedConnection);
  }

  int status(const QString &path) {
    int s = -1;
    QMetaObject::invokeMethod(&m_worker, [&] { s = m_worker.status(path); }, Qt::BlockingQueuedConnection);
    return s;
  }

private:
  struct Worker : QObject {
    QHash<QString, QSoundEffect *> effects;
    QSoundEffect *current = nullptr;

    QSoundEffect *effect(const QString &path) {
      QSoundEffect *&e = effects[path];
      if (!e) {
        e = new QSoundEffect(this);
        e->setSource(QUrl::fromLocalFile(path));
      }
      return e;
    }
    void play(const QString &path) {
      // One sound at a time; a new one cuts the one still playing.
      QSoundEffect *e = effect(path);
      if (current && current != e) current->stop();
      current = e;
      e->play(); // an effect still loading starts as soon as it is loaded
    }
    int status(const QString &path) {
      const auto it = effects.constFind(path);
      return it == effects.constEnd() ? -1 : int((*it)->status());
    }
    void clear() {
      qDeleteAll(effects);
      effects.clear();
      current = nullptr;
    }
  };

  QThread m_thread;
  Worker m_worker;
};

class SystemClock final : public Clock {
public:
  QDateTime now() const override { return QDateTime::currentDateTime(); }
};

WaveSounds *g_sounds = nullptr;

// The sound thread and its effects go with the application, not with the
// static objects after it: the audio back end is gone by then.
void dropSounds() {
  delete g_sounds;
  g_sounds = nullptr;
}

WaveSounds &waveSounds() {
  if (!g_sounds) {
    g_sounds = new WaveSounds;
    qAddPostRoutine(dropSounds);
  }
  return *g_sounds;
}

} // namespace

Services realServices() {
  static BoxMessages messages;
  static SleepingWaits waits;
  static SystemClock clock;
  return {&messages, &waits, &waveSounds(), &clock};
}

int soundStatus(const QString &path) { return waveSounds().status(path); }

} // namespace services
