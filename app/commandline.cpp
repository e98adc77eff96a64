#include "app/commandline.h"

#include "app/titles.h"
#include "db/client/clientlibrary.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace app {

QString ProgramVersion()
{
    return QStringLiteral(GRAVELIN_VERSION);
}

StartRequest ParseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("%1: an editor for Firebird database files (.fdb, .gdb).\n"
                       "Without FILE it opens the database used last, if it still opens.")
            .arg(QString::fromLatin1(DisplayTitle)));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Database file to open, or host[/port]:path for one on a server."),
        QStringLiteral("[FILE]"));

    StartRequest request;
    const auto end = [&request](int code, const QString &text) {
        request.exits = true;
        request.exitCode = code;
        request.output = text;
        return request;
    };
    if (!parser.parse(arguments))
        return end(2, parser.errorText() + "\n\n" + parser.helpText());
    if (parser.isSet(help))
        return end(0, parser.helpText());
    if (parser.isSet(version))
        return end(0, QString::fromLatin1(DisplayTitle) + ' ' + ProgramVersion() + '\n'
                          + db::ClientSummary() + '\n');
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return end(2, QStringLiteral("Only one database file can be opened.\n\n")
                          + parser.helpText());
    if (!files.isEmpty()) {
        // A file given relative to where the program was started is
        // remembered by its full path; anything else (host:path) as typed.
        const QFileInfo file(files.first());
        request.databaseFile = file.exists() ? file.absoluteFilePath() : files.first();
    }
    return request;
}

} // namespace app
