#pragma once

// Shared by the window tests: the windows over scripted services, and a few
// ways of poking at them.

#include "app/errorreport.h"
#include "platform/scriptedservices.h"
#include "ui/windows.h"

#include <QApplication>
#include <QList>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <functional>

namespace formtest {

using Call = platform::ScriptedMessageBoxes::Call;
using Kind = platform::ScriptedMessageBoxes::Kind;

// Ending the program is only counted; the new-table dialog is a hook.
struct Harness
{
    Harness() : windows(services.services())
    {
        windows.endProgram = [this] { ++ended; };
        windows.showNewTableDialog = [this](QWidget *parent) {
            dialogParents << parent;
            if (newTable)
                newTable();
        };
    }

    // A value as if saved by an earlier run.
    void remember(const char *key, const QString &value)
    {
        services.settings.save("Gravelin", key, value);
        services.settings.saves.clear();
    }
    QString stored(const char *key) const
    {
        return services.settings.get("Gravelin", key, "<absent>");
    }

    platform::ScriptedServices services;
    ui::Windows windows;
    int ended = 0;
    QList<QWidget *> dialogParents;
    std::function<void()> newTable;
};

// A mouse move without buttons, as the hover rule sees it.
inline void MoveOver(QWidget *widget, QPoint at = QPoint(2, 2))
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Object names of the first `count` focusable, named widgets from `first` on.
inline QStringList TabOrder(QWidget *first, int count)
{
    QStringList order;
    QWidget *widget = first;
    for (int i = 0; i < count; ++i) {
        order << widget->objectName();
        do
            widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
    }
    return order;
}

// Every error report names a known handler and one of that handler's lines.
inline void CheckReports(const QList<Call> &calls)
{
    for (const Call &call : calls) {
        if (call.kind != Kind::Warn)
            continue;
        bool known = false;
        for (const app::Location &location : app::loc::All) {
            const QString prefix = QString::fromLatin1(location.text) + "at line ";
            const qsizetype at = call.text.indexOf(prefix);
            if (at < 0)
                continue;
            const int line = call.text.mid(at + prefix.size()).chopped(2).toInt();
            QVERIFY2(app::LineAllowed(location, line), qPrintable(call.text));
            known = true;
        }
        QVERIFY2(known, qPrintable(call.text));
    }
}

} // namespace formtest
