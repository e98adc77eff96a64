#pragma once

#include <QFile>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace testsupport {

// What a program printed and how it ended; exitCode -1 when it did not end
// normally within two minutes (err then says why).
struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun RunProgram(const QString &program, const QStringList &arguments,
                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

// The permission bits as chmod writes them (0644).
int UnixMode(QFile::Permissions permissions);

// A file that installing puts under the prefix, with its mode.
struct InstalledFile
{
    QString what;
    QString path;   // relative to the prefix
    int mode;
};

// Every file of the installed tree but the launcher (a link, see
// LauncherPath) and the icons (IconPath).
QList<InstalledFile> InstalledFiles();
QList<int> IconSizes();
QString IconPath(int size);

inline constexpr const char *LauncherPath = "bin/gravelin";
inline constexpr const char *LauncherTarget = "../lib/gravelin/gravelin";
inline constexpr const char *ProgramFolderPath = "lib/gravelin";
inline constexpr const char *MetainfoPath = "share/metainfo/com.vellacourt.gravelin.metainfo.xml";

// An installed tree of the program under `prefix` (a scratch prefix, or the
// usr/ of an unpacked package), started as a user of its own whose home is
// `home`: settings and data folders there, no real screen.
class InstalledTree
{
public:
    InstalledTree(const QString &prefix, const QString &home);

    QString path(const QString &relative) const;
    QString programFolder() const { return path(ProgramFolderPath); }
    QProcessEnvironment userEnvironment() const;

    // Makes the user's own copy of the installed sample database and
    // returns its path, as "Load Sample/Example Database" does.
    QString userSample() const;

    // Starts the launcher on `database` with the sample's password
    // remembered and GRAVELIN_EXIT_AFTER_START set: the program prints
    // where its start-up got to and ends.
    ProgramRun startOn(const QString &database) const;

    // Empty when `started` shows a start from this tree that ended well,
    // printed each of `printed` and listed no empty table chooser; else
    // what went wrong, with what the program printed.
    QString startProblem(const ProgramRun &started, const QStringList &printed) const;

    // What the program prints when it opened the sample: the table chooser.
    static QStringList OpenedSample() { return {"window Form2\n", "tables "}; }

private:
    QString m_prefix;
    QString m_home;
};

} // namespace testsupport
