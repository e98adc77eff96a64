#include "tests/support/installedtree.h"

#include "app/files.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>

namespace testsupport {

ProgramRun RunProgram(const QString &program, const QStringList &arguments,
                      const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {-1, {}, program + ": " + process.errorString()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

int UnixMode(QFile::Permissions permissions)
{
    const int bits = int(permissions);
    return (((bits >> 12) & 7) << 6) | (((bits >> 4) & 7) << 3) | (bits & 7);
}

QList<InstalledFile> InstalledFiles()
{
    return {
        {"program", "lib/gravelin/gravelin", 0755},
        {"hand cursor", "lib/gravelin/HAND-M.CUR", 0644},
        {"skin", "lib/gravelin/x/o.cjs", 0644},
        {"sample, read-only", "lib/gravelin/Samples/sample.fdb", 0444},
        {"desktop entry", "share/applications/gravelin.desktop", 0644},
        {"file type", "share/mime/packages/gravelin.xml", 0644},
        {"scalable icon", "share/icons/hicolor/scalable/apps/gravelin.svg", 0644},
        {"AppStream metadata", MetainfoPath, 0644},
        {"manual page", "share/man/man1/gravelin.1.gz", 0644},
    };
}

QList<int> IconSizes()
{
    return {16, 22, 24, 32, 48, 64, 128, 256};
}

QString IconPath(int size)
{
    return QString("share/icons/hicolor/%1x%1/apps/gravelin.png").arg(size);
}

InstalledTree::InstalledTree(const QString &prefix, const QString &home)
    : m_prefix(prefix), m_home(home)
{
}

QString InstalledTree::path(const QString &relative) const
{
    return QDir(m_prefix).filePath(relative);
}

QProcessEnvironment InstalledTree::userEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", m_home);
    environment.insert("XDG_CONFIG_HOME", m_home + "/config");
    environment.insert("XDG_DATA_HOME", m_home + "/data");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

QString InstalledTree::userSample() const
{
    qputenv("XDG_DATA_HOME", (m_home + "/data").toLocal8Bit());
    app::SetProgramFolder(programFolder());
    return app::UsableSampleDatabase();
}

ProgramRun InstalledTree::startOn(const QString &database) const
{
    QSettings settings(m_home + "/config/Vellacourt.conf", QSettings::IniFormat);
    settings.setValue("Gravelin/FireBirdPassword", "lockstone");
    settings.sync();
    QProcessEnvironment environment = userEnvironment();
    environment.insert("GRAVELIN_EXIT_AFTER_START", "1");
    return RunProgram(path(LauncherPath), {database}, environment);
}

QString InstalledTree::startProblem(const ProgramRun &started, const QStringList &printed) const
{
    const QString shown = "\nprinted:\n" + started.out + started.err;
    if (started.exitCode != 0)
        return QString("ended with %1").arg(started.exitCode) + shown;
    const QString folder = QFileInfo(programFolder()).canonicalFilePath();
    if (!started.out.contains("folder " + folder + '\n'))
        return "not started from " + folder + shown;
    for (const QString &line : printed)
        if (!started.out.contains(line))
            return "\"" + line.trimmed() + "\" not printed" + shown;
    if (started.out.contains("tables 0\n"))
        return "the chooser lists no tables" + shown;
    return {};
}

} // namespace testsupport
