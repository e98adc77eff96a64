#pragma once

#include <QString>
#include <QStringList>

// A private Firebird root: the chosen installation, seen through links,
// with the distribution's Firebird 3 engine added to its plugins so that
// files of both on-disk structures open in one process. The user's
// installation itself is never changed.
namespace db::fb {

// The engine plugins ("Engine12", "Engine13") in a plugins folder, oldest first.
QStringList EnginePlugins(const QString &pluginFolder);

// The providers a root with these engines lists: the older engine first,
// because an engine that finds a newer file passes it on to the next one,
// while a newer engine refuses an older file outright.
QString ProvidersValue(const QStringList &engines);

// config (a firebird.conf's text) with its Providers setting replaced.
QString ConfigWithProviders(const QString &config, const QString &providers);

// Fills the empty folder target with links to everything in root, a
// plugins folder that also links engine12, and a firebird.conf that lists
// providers. False, with why in *error, when the folder cannot be made.
bool ComposeRoot(const QString &root, const QString &engine12, const QString &target,
                 const QString &providers, QString *error);

} // namespace db::fb
