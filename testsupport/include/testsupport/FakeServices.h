#pragma once
// Fakes of the station's services for tests: every message, wait and sound is
// recorded, waits return at once, the clock shows what the test sets.

#include "services/Services.h"

#include <QStringList>
#include <QVector>

#include <functional>

namespace testsupport {

class RecordingMessages final : public services::Messages {
public:
  void show(QWidget *, const QString &text) override {
    shown << text;
    // A real box runs an event loop: whatever arrives then reaches the screen.
    if (duringShow) duringShow(text);
  }
  // Questions are recorded with the messages, prefixed "? "; each takes the
  // next answer, Yes when none is left.
  bool ask(QWidget *, const QString &text) override {
    shown << "? " + text;
    return answers.isEmpty() ? true : answers.takeFirst();
  }
  QStringList shown;
  QList<bool> answers;
  // Runs inside each message box, as a user's input would while it is open.
  std::function<void(const QString &)> duringShow;
};

class RecordingWaits final : public services::Waits {
public:
  void wait(QWidget *, int ms) override {
    waits << ms;
    if (during) during();
  }
  QVector<int> waits;
  // Runs inside each wait, to look at the screen while it shows something.
  std::function<void()> during;
};

class RecordingSounds final : public services::Sounds {
public:
  void play(const QString &path) override { played << path; }
  QStringList played;
};

class FakeClock final : public services::Clock {
public:
  QDateTime now() const override { return current; }
  QDateTime current{QDate(2024, 3, 5), QTime(10, 30, 0)};
};

// All four together, ready to hand to a screen.
struct FakeServices {
  RecordingMessages messages;
  RecordingWaits waits;
  RecordingSounds sounds;
  FakeClock clock;
  services::Services services() { return {&messages, &waits, &sounds, &clock}; }
};

} // namespace testsupport
