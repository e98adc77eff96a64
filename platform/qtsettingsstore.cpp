#include "platform/qtsettingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace platform {

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString WriteProblem(const QString &path)
{
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("the folder %1 cannot be made").arg(folder);
    return QStringLiteral("%1 cannot be written in the folder %2").arg(file.fileName(), folder);
}

} // namespace

QtSettingsStore::QtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             Organisation))
{
}

QtSettingsStore::QtSettingsStore(const QString &iniFilePath)
    : m_settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
}

QtSettingsStore::~QtSettingsStore() = default;

QString QtSettingsStore::fileName() const
{
    return m_settings->fileName();
}

QString QtSettingsStore::get(const QString &section, const QString &key,
                             const QString &defaultValue) const
{
    return m_settings->value(section + '/' + key, defaultValue).toString();
}

bool QtSettingsStore::contains(const QString &section, const QString &key) const
{
    return m_settings->contains(section + '/' + key);
}

QString QtSettingsStore::save(const QString &section, const QString &key, const QString &value)
{
    // QSettings replaces the file through a save file, which keeps the
    // permissions of the file it replaces: so the file exists as 0600 before
    // the first write, and is set again after each one.
    createPrivateFile();
    m_settings->setValue(section + '/' + key, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        return WriteProblem(fileName());
    QFile::setPermissions(fileName(), OwnerOnly);
    return {};
}

void QtSettingsStore::createPrivateFile() const
{
    const QString path = fileName();
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    CreateOwnerOnlyFile(path);
}

bool CreateOwnerOnlyFile(const QString &path)
{
    // The mode goes with the create call itself (open(2) with O_CREAT and
    // 0600), so the file never exists with the umask's wider default.
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append, OwnerOnly);
}

} // namespace platform
