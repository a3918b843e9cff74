#pragma once
// Where the station keeps its files on Linux.
//
// The home folder stands for "the folder of the program file": settings,
// monthly and online files, temporary photos. Paths stored in the settings in
// Windows form ("c:\halvorsten\zeltron\") map by one rule: drive "X:" becomes
// the drive folder of X (TALVENOX_DRIVE_X, else <home>/drive_x/), backslashes
// become slashes. Other paths are native and kept, but for their backslashes,
// since the station joins stored folders and names with "\".

#include <QString>
#include <QStringList>

namespace paths {

class StationPaths {
public:
  // The home folder from the command line (--home DIR or --home=DIR), else
  // TALVENOX_HOME, else the XDG data folder (~/.local/share/talvenox/).
  static QString resolveHome(const QStringList &arguments);

  explicit StationPaths(const QString &home);

  // Ends with '/'.
  const QString &home() const { return m_home; }
  QString inHome(const QString &name) const { return m_home + name; }

  // Native form of a stored path.
  QString native(const QString &stored) const;
  QString driveFolder(QChar letter) const;

  // A data file (sound, help) from the home folder, else from the installed
  // data folder; empty when neither has it.
  QString findData(const QString &name) const;

  // Stand-in of the operating system's Windows folder: where installed
  // components live. TALVENOX_SYSTEM_DIR, else the installed library folder
  // (../lib/<multiarch>/talvenox/ from the program's folder when that exists,
  // else <prefix>/lib/<multiarch>/talvenox/). A build tree is not an installation.
  QString systemFolder() const;
  // The folder of the running program, ending with '/'.
  static QString programFolder();
  // Where a library that ships beside the program is taken from: the
  // program's folder when it holds the file, else the system folder.
  QString libraryFolder(const QString &fileName) const;

  // Creates the home folder; false when that fails.
  bool ensureHome() const;

private:
  QString m_home;
};

} // namespace paths
