#include "ui/application.h"

#include "app/commandline.h"
#include "app/errorreport.h"
#include "app/files.h"
#include "app/titles.h"
#include "platform/qtservices.h"
#include "platform/scriptedservices.h"
#include "platform/signalwatcher.h"
#include "ui/conventions.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/windows.h"

#include <QApplication>
#include <QDebug>
#include <QListWidget>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace ui {

namespace {

// Handlers keep their failures to themselves; should one slip through
// anyway it stops here instead of unwinding through Qt's event loop.
class GuardedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            qCritical().noquote() << "unhandled failure:" << app::Describe(std::current_exception());
            return false;
        }
    }
};

QStringList Arguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int PrintAndEnd(const app::StartRequest &request)
{
    QTextStream(request.exitCode == 0 ? stdout : stderr) << request.output;
    return request.exitCode;
}

// With GRAVELIN_EXIT_AFTER_START set (the install test does), the program
// runs its start-up with message boxes that only record, prints where it
// got to and ends, instead of waiting for a user.
bool ExitAfterStart()
{
    return qEnvironmentVariableIsSet("GRAVELIN_EXIT_AFTER_START");
}

int ReportStartAndEnd(Windows &windows, const platform::ScriptedMessageBoxes &messages)
{
    QTextStream out(stdout);
    out << "folder " << app::ProgramFolder() << '\n';
    if (windows.form1().isVisible())
        out << "window Form1\n";
    if (windows.form2Loaded() && windows.form2().isVisible())
        out << "window Form2\ntables " << windows.form2().List1()->count() << '\n';
    for (const auto &call : messages.calls)
        out << "message " << call.text << ' ' << call.detail << '\n';
    return 0;
}

} // namespace

void EndOnSignals(Windows &windows, QObject *owner)
{
    auto *watcher = new platform::SignalWatcher(owner);
    QObject::connect(watcher, &platform::SignalWatcher::received, owner,
                     [&windows](int signal) { windows.endForSignal(signal); });
}

int runGravelin(int argc, char **argv)
{
    platform::BlockTerminationSignals();
    const app::StartRequest request = app::ParseCommandLine(Arguments(argc, argv));
    if (request.exits)
        return PrintAndEnd(request);

    GuardedApplication application(argc, argv);
    application.setApplicationName(QString::fromLatin1(app::DisplayTitle));
    application.setApplicationVersion(app::ProgramVersion());
    application.setDesktopFileName(QStringLiteral("gravelin"));
    application.setWindowIcon(ApplicationIcon());
    application.setQuitOnLastWindowClosed(false);
    platform::QtServices qtServices;
    platform::ScriptedMessageBoxes recordedMessages;
    const platform::Services real = qtServices.services();
    Windows windows(ExitAfterStart() ? platform::Services{real.settings, recordedMessages,
                                                          real.files, real.urls,
                                                          real.printers, real.spreadsheet}
                                     : real);
    EndOnSignals(windows, &application);
    // A signal while a start-up message is open ends only that message's
    // loop (and any later one), while exec() would start afresh: the end is
    // kept, and carried out once the start-up is over.
    std::optional<int> endedEarly;
    windows.exitWith = [&endedEarly](int status) {
        endedEarly = status;
        QCoreApplication::exit(status);
    };
    Form1 &login = windows.form1();
    login.openOnStart(request.databaseFile);
    login.Form_Load();
    if (endedEarly)
        return *endedEarly;
    // A database that opened has moved on to the chooser.
    if (!(windows.form2Loaded() && windows.form2().isVisible()))
        login.show();
    if (ExitAfterStart())
        return ReportStartAndEnd(windows, recordedMessages);
    return application.exec();
}

} // namespace ui
