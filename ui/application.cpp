#include "ui/application.h"

#include "app/errorreport.h"
#include "platform/qtservices.h"
#include "platform/signalwatcher.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/windows.h"

#include <QApplication>
#include <QDebug>

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
    GuardedApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    platform::QtServices qtServices;
    Windows windows(qtServices.services());
    EndOnSignals(windows, &application);
    Form1 &login = windows.form1();
    login.Form_Load();
    // A remembered database that opened has moved on to the chooser.
    if (!(windows.form2Loaded() && windows.form2().isVisible()))
        login.show();
    return application.exec();
}

} // namespace ui
