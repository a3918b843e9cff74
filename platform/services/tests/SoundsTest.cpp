// The real sound service must get a sound going while the GUI thread is
// blocked in one of the screen's 3-second waits.
#include "services/Services.h"

#include <QDir>
#include <QFile>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// 0.2 s of a 440 Hz tone, 16-bit mono PCM.
QByteArray wave() {
  const int rate = 22050, samples = rate / 5;
  QByteArray pcm(samples * 2, '\0');
  for (int i = 0; i < samples; ++i) {
    const qint16 v = qint16((i / 25) % 2 ? 8000 : -8000);
    std::memcpy(pcm.data() + 2 * i, &v, 2);
  }
  auto u32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); };
  auto u16 = [](quint16 v) { return QByteArray(reinterpret_cast<const char *>(&v), 2); };
  return "RIFF" + u32(36 + pcm.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) + u32(rate * 2) + u16(2) +
         u16(16) + "data" + u32(pcm.size()) + pcm;
}

TEST(Sounds, LoadWhileTheGuiThreadSleeps) {
  QTemporaryDir dir;
  const QString path = QDir(dir.path()).filePath("ok.wav");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(wave());
  f.close();

  services::Services sv = services::realServices();
  sv.sounds->play(path);
  // What a screen does right after starting a sound: block without events.
  QThread::msleep(1500);
  const int status = services::soundStatus(path);
  // Ready (or Error on a machine without an audio output): the file was
  // handled without the GUI thread; Loading would mean it waits for it.
  EXPECT_TRUE(status == QSoundEffect::Ready || status == QSoundEffect::Error) << "status " << status;

  // A second play reuses the loaded effect at once.
  sv.sounds->play(path);
  EXPECT_EQ(services::soundStatus(path), status);
  EXPECT_EQ(services::soundStatus(QDir(dir.path()).filePath("never.wav")), -1);
}

} // namespace
