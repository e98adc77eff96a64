#include "platform/qtsettingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform {

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString Path(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

QString CannotWrite(const QString &path)
{
    const QFileInfo file(path);
    return QStringLiteral("%1 cannot be written in the folder %2")
        .arg(file.fileName(), file.absolutePath());
}

} // namespace

QtSettingsStore::QtSettingsStore()
    : QtSettingsStore(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                      + QLatin1Char('/') + QLatin1String(Organisation) + QLatin1String(".conf"))
{
}

QtSettingsStore::QtSettingsStore(const QString &iniFilePath) : m_path(iniFilePath)
{
}

const IniLines &QtSettingsStore::lines() const
{
    if (!m_lines) {
        QFile file(m_path);
        m_lines.emplace(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return *m_lines;
}

QString QtSettingsStore::get(const QString &section, const QString &key,
                             const QString &defaultValue) const
{
    return lines().value(Path(section, key)).value_or(defaultValue);
}

bool QtSettingsStore::contains(const QString &section, const QString &key) const
{
    return lines().value(Path(section, key)).has_value();
}

// The file is read afresh, so that what another run saved meanwhile stays;
// a value already there as given is not written again.
QString QtSettingsStore::save(const QString &section, const QString &key, const QString &value)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder %1 cannot be made").arg(folder);
    QFile current(m_path);
    if (current.exists() && !current.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read in the folder %2")
            .arg(QFileInfo(m_path).fileName(), folder);
    IniLines lines(current.isOpen() ? current.readAll() : QByteArray());
    if (lines.value(Path(section, key)) != value) {
        lines.set(Path(section, key), value);
        if (QString problem = write(lines.bytes()); !problem.isEmpty())
            return problem;
    }
    m_lines = std::move(lines);
    return {};
}

// Replaced whole through a save file, made owner-only before anything is
// written to it, so the text is never readable by others on the way.
QString QtSettingsStore::write(const QByteArray &bytes) const
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(OwnerOnly)
        || file.write(bytes) != bytes.size() || !file.commit())
        return CannotWrite(m_path);
    return {};
}

} // namespace platform
