#include "app/files.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <stdexcept>

namespace app {

namespace {

QString &OverriddenFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString ProgramFolder()
{
    if (!OverriddenFolder().isEmpty())
        return OverriddenFolder();
    return QCoreApplication::applicationDirPath();
}

void SetProgramFolder(const QString &folder)
{
    OverriddenFolder() = folder;
}

QString SkinFilePath()
{
    return ProgramFolder() + "/x/o.cjs";
}

QString HandCursorPath()
{
    return ProgramFolder() + "/HAND-M.CUR";
}

QString SampleDatabasePath()
{
    return ProgramFolder() + "/Samples/sample.fdb";
}

QString UserSampleDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + "/Vellacourt/Gravelin/Samples/sample.fdb";
}

QString UsableSampleDatabase()
{
    const QString own = SampleDatabasePath();
    const QFileInfo info(own);
    // The mode counts as well as access: root may write anything, but an
    // installed sample is read-only for everybody.
    if (!info.exists() || (info.isWritable() && (info.permissions() & QFile::WriteOwner)))
        return own;
    const QString copy = UserSampleDatabasePath();
    if (QFileInfo::exists(copy))
        return copy;
    const auto fail = [&copy](const QString &why) {
        throw std::runtime_error(
            QStringLiteral("The sample database could not be copied to %1: %2")
                .arg(copy, why)
                .toStdString());
    };
    if (!QDir().mkpath(QFileInfo(copy).absolutePath()))
        fail(QStringLiteral("the folder cannot be created"));
    // Copied under a scratch name first, so an interrupted copy is never
    // taken for the sample.
    const QString partial = copy + ".partial";
    QFile::remove(partial);
    QFile source(own);
    if (!source.copy(partial))
        fail(source.errorString());
    if (!QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner)
        || !QFile::rename(partial, copy)) {
        QFile::remove(partial);
        fail(QStringLiteral("it cannot be made writable"));
    }
    return copy;
}

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

} // namespace app
