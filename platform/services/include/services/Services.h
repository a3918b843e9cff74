#pragma once
// The few things every screen needs from its surroundings: modal messages,
// the blocking waits of the message line, sounds and the time. Screens reach
// them through Services so that tests capture messages, skip waits and set
// the clock, while the program behaves as a user expects.

#include <QDateTime>
#include <QString>

class QWidget;

namespace services {

class Messages {
public:
  virtual ~Messages() = default;
  // A modal information box with an OK button.
  virtual void show(QWidget *parent, const QString &text) = 0;
  // A modal warning box with the buttons Yes and No; true for Yes.
  virtual bool ask(QWidget *parent, const QString &text);
};

class Waits {
public:
  virtual ~Waits() = default;
  // Blocks the user interface thread for ms milliseconds after repainting
  // `screen`: input that arrives meanwhile is handled afterwards.
  virtual void wait(QWidget *screen, int ms) = 0;
};

class Sounds {
public:
  virtual ~Sounds() = default;
  // Starts the wave file and returns at once; a missing file is no error.
  virtual void play(const QString &path) = 0;
};

class Clock {
public:
  virtual ~Clock() = default;
  virtual QDateTime now() const = 0;
};

struct Services {
  Messages *messages;
  Waits *waits;
  Sounds *sounds;
  Clock *clock;
};

// The real ones: message boxes captioned with the application name, a sleeping
// wait, wave playback, the system clock. Created on first use; GUI thread only.
Services realServices();

// The load state of a sound the real service has played (a QSoundEffect::Status
// value), or -1 when it never played that file. For tests and diagnostics.
int soundStatus(const QString &path);

} // namespace services
