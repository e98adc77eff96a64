// Why a database did not open, in words the user can act on. The engine's
// own text always follows; the sentence in front is chosen by its status
// codes and by what the file system says about the path, never by the text.

#include "db/client/fbapi.h"
#include "db/client/firebirdroot.h"
#include "db/client/odsheader.h"

#include <ibase.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <optional>

namespace db::fb {

namespace {

QString missingEngine(const QString &plugins)
{
    return QStringLiteral(
        "The Firebird embedded engine is not installed, so a database file cannot be opened "
        "without a server: %1/libEngine12.so is missing (Debian package "
        "firebird3.0-server-core). Install it, or name a server as host:path.").arg(plugins);
}

// A sentence for a failed open of a file on this machine; empty when the
// engine's text says it well enough (a missing file, a wrong user).
QString localFileSentence(const DbError &error, const QString &database,
                          const QString &plugins)
{
    if (error.hasCode(isc_already_opened) || error.hasCode(isc_instance_conflict))
        return QStringLiteral(
            "%1 is open in another program that uses Firebird's embedded engine (another "
            "Gravelin, say), and the embedded engine lets one program at a time use a file. "
            "Close it there, or open it in both programs through a Firebird server, as "
            "host:path (localhost:%1).").arg(database);
    if (error.hasCode(isc_wrong_ods)) {
        // The engine's own numbers may be another engine's view of the
        // file: the header says what it is.
        const Ods ods = ReadFileOds(database);
        if (ods.known())
            return WrongOdsSentence(database, ods, EnginesIn(plugins));
        return QStringLiteral("%1 was made by a Firebird version that the engines here cannot "
                              "open.").arg(database);
    }
    if (database.isEmpty())
        return QStringLiteral("No database is named: type the path of a database file in "
                              "\"Database:\", or choose one with \"...\".");
    const QFileInfo file(database);
    if (file.isDir())
        return QStringLiteral("%1 is a folder, not a database file.").arg(database);
    if (file.exists() && !file.isReadable())
        return QStringLiteral("You may not read %1: its owner can give you read and write "
                              "access to it.").arg(database);
    if (file.isFile() && !file.isWritable())
        return QStringLiteral("%1 may be read but not written by you, and Firebird needs write "
                              "access to a database file even to read it. Its owner can give "
                              "you write access to it, or you can work on a copy of it.")
            .arg(database);
    // The smallest page size there ever was: a shorter file cannot even
    // hold a database's header page, and the engine only says it is short.
    constexpr qint64 MinimumDatabaseBytes = 1024;
    // A file cut short fails its first read past the end ("read", then
    // "File size is less than expected").
    const bool unreadable = file.isFile() && error.hasCode(isc_io_error)
        && (error.hasCode(isc_io_read_err) || file.size() < MinimumDatabaseBytes
            || error.arguments().contains(QStringLiteral("read")));
    if (error.hasCode(isc_bad_db_format) || unreadable)
        return QStringLiteral("%1 is not a Firebird database, or it is damaged.").arg(database);
    return {};
}

// The server a remote database name points at, and the file's path there.
struct ServerName
{
    QString host;
    QString port;   // as written; Firebird's own when the name gives none
    QString path;
};

std::optional<ServerName> ServerOf(const QString &database)
{
    static const QRegularExpression url(
        QStringLiteral("^[A-Za-z0-9]+://([^/:]+)(?::([^/]*))?/(.*)$"));
    static const QRegularExpression plain(QStringLiteral("^([^/:\\\\]{2,})(?:/([^/:]*))?:(.*)$"));
    for (const QRegularExpression *form : {&url, &plain}) {
        const QRegularExpressionMatch match = form->match(database);
        if (match.hasMatch()) {
            const QString port = match.captured(2);
            return ServerName{match.captured(1), port.isEmpty() ? QStringLiteral("3050") : port,
                              match.captured(3)};
        }
    }
    return std::nullopt;
}

bool IsThisMachine(const QString &host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || host.startsWith(QLatin1String("127.")) || host == QLatin1String("::1")
        || host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

// A server that does not answer: no Firebird server listens where the name
// points (a host that cannot be found is the engine's to say).
QString remoteSentence(const DbError &error, const QString &database)
{
    const std::optional<ServerName> server = ServerOf(database);
    if (!server || !error.hasCode(isc_network_error) || !error.hasCode(isc_net_connect_err))
        return {};
    const QString noAnswer = QStringLiteral("No Firebird server answers on %1 at port %2.")
                                 .arg(server->host, server->port);
    if (!IsThisMachine(server->host))
        return noAnswer + QStringLiteral(" Ask for one to be started there, or check the host "
                                         "and port.");
    return noAnswer + QStringLiteral(" Start one, or open the file by its path (%1) to work on "
                                     "it without a server.").arg(server->path);
}

} // namespace

DbError ExplainOpenFailure(const DbError &error, const QString &database)
{
    return ExplainOpenFailure(error, database, PluginFolder());
}

DbError ExplainOpenFailure(const DbError &error, const QString &database,
                           const QString &plugins)
{
    QString sentence;
    if (IsRemoteDatabaseName(database)) {
        sentence = remoteSentence(error, database);
    } else if (error.hasCode(isc_network_error)) {
        if (!EnginePlugins(plugins).isEmpty())
            return error;
        sentence = missingEngine(plugins);
    } else {
        sentence = localFileSentence(error, database, plugins);
    }
    if (sentence.isEmpty())
        return error;
    return DbError(sentence + QLatin1Char('\n') + error.message(), error.codes(),
                   error.arguments());
}

} // namespace db::fb
