#include "db/client/firebirdroot.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace db::fb {

namespace {

const QString ConfigName = QStringLiteral("firebird.conf");
const QString PluginsName = QStringLiteral("plugins");

bool linkEntries(const QDir &from, const QString &to, const QStringList &skip, QString *error)
{
    const QFileInfoList entries =
        from.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        if (skip.contains(entry.fileName()))
            continue;
        const QString link = to + QLatin1Char('/') + entry.fileName();
        if (!QFile::link(entry.absoluteFilePath(), link)) {
            *error = QStringLiteral("%1 cannot be linked to %2").arg(link, entry.absoluteFilePath());
            return false;
        }
    }
    return true;
}

} // namespace

QStringList EnginePlugins(const QString &pluginFolder)
{
    static const QRegularExpression engine(QStringLiteral("^libEngine(\\d+)\\.so$"));
    QStringList engines;
    for (const QString &name : QDir(pluginFolder).entryList(QDir::Files)) {
        const auto match = engine.match(name);
        if (match.hasMatch())
            engines << QStringLiteral("Engine") + match.captured(1);
    }
    std::sort(engines.begin(), engines.end(), [](const QString &a, const QString &b) {
        return a.mid(6).toInt() < b.mid(6).toInt();
    });
    return engines;
}

QString ProvidersValue(const QStringList &engines)
{
    return (QStringList{QStringLiteral("Remote")} + engines + QStringList{QStringLiteral("Loopback")})
        .join(QStringLiteral(", "));
}

QString ConfigWithProviders(const QString &config, const QString &providers)
{
    static const QRegularExpression setting(QStringLiteral("^\\s*Providers\\s*="),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList lines = config.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (setting.match(line).hasMatch())
            line.prepend(QStringLiteral("# "));
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    lines << QStringLiteral("Providers = ") + providers << QString();
    return lines.join(QLatin1Char('\n'));
}

bool ComposeRoot(const QString &root, const QString &engine12, const QString &target,
                 const QString &providers, QString *error)
{
    const QDir source(root);
    if (!linkEntries(source, target, {ConfigName, PluginsName}, error))
        return false;
    const QString plugins = target + QLatin1Char('/') + PluginsName;
    if (!QDir().mkpath(plugins) || !linkEntries(QDir(source.filePath(PluginsName)), plugins, {}, error))
        return false;
    if (!QFile::link(engine12, plugins + QStringLiteral("/libEngine12.so"))) {
        *error = QStringLiteral("%1 cannot be linked into %2").arg(engine12, plugins);
        return false;
    }
    QFile original(source.filePath(ConfigName));
    QString config;
    if (original.open(QIODevice::ReadOnly))
        config = QString::fromUtf8(original.readAll());
    QFile composed(target + QLatin1Char('/') + ConfigName);
    if (!composed.open(QIODevice::WriteOnly)
        || composed.write(ConfigWithProviders(config, providers).toUtf8()) < 0 || !composed.flush()) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(composed.fileName(), composed.errorString());
        return false;
    }
    return true;
}

} // namespace db::fb
