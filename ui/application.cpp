#include "ui/application.h"

#include "app/errorreport.h"
#include "platform/qtservices.h"
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

int runGravelin(int argc, char **argv)
{
    GuardedApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    platform::QtServices qtServices;
    Windows windows(qtServices.services());
    Form1 &login = windows.form1();
    login.Form_Load();
    // A remembered database that opened has moved on to the chooser.
    if (!(windows.form2Loaded() && windows.form2().isVisible()))
        login.show();
    return application.exec();
}

} // namespace ui
