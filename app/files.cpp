#include "app/files.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

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

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

} // namespace app
