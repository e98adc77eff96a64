#pragma once

// Shared by the window tests: the windows over scripted services, and a few
// ways of poking at them.

#include "app/errorreport.h"
#include "db/client/connection.h"
#include "db/grid/tablemodel.h"
#include "platform/scriptedservices.h"
#include "tests/support/tempdatabase.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/gridview.h"
#include "ui/windows.h"

#include <QApplication>
#include <QLineEdit>
#include <QList>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
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

// The list's viewport holds a whole number of its rows: none shows cut.
inline bool ShowsWholeRows(const QListWidget *list)
{
    const int row = list->sizeHintForRow(0);
    return list->count() > 0 && row > 0 && list->viewport()->height() % row == 0;
}

// A mouse move without buttons, as the hover rule sees it.
inline void MoveOver(QWidget *widget, QPoint at = QPoint(2, 2))
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// The events of a double-click, straight to the widget.
inline void DoubleClick(QWidget *widget, QPoint at)
{
    const QPointF global = widget->mapToGlobal(QPointF(at));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, QPointF(at), global, Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
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

// Logs in to `db` through the login window and opens `table` with the
// chooser's "Next >"; true once all its rows are in the editor's grid.
// The login window loaded and holding `db`'s profile, as typed by the user.
inline void TypeProfile(Harness &h, const testsupport::TempDatabase &db)
{
    ui::Form1 &login = h.windows.form1();
    login.Form_Load();
    login.findChild<QLineEdit *>("Text1")->setText(db.path());
    login.findChild<QLineEdit *>("Text2")->setText(testsupport::TempDatabase::Password);
}

// Runs `script` on the first T under `parent` once it is shown (modally,
// say), from inside its event loop.
template <typename T, typename Script>
void WhenShown(QWidget *parent, Script script)
{
    QTimer::singleShot(10, parent, [parent, script] {
        T *dialog = parent->findChild<T *>();
        if (dialog && dialog->isVisible())
            script(*dialog);
        else
            WhenShown<T>(parent, script);
    });
}

inline bool OpenInEditor(Harness &h, const testsupport::TempDatabase &db, const QString &table)
{
    ui::Form1 &login = h.windows.form1();
    if (!login.isVisible() && !h.windows.form2Loaded()) {
        TypeProfile(h, db);
        login.show();
        login.findChild<QPushButton *>("PushButton3")->click();
    }
    ui::Form2 &chooser = h.windows.form2();
    if (!chooser.isVisible())
        chooser.show();
    const QList<QListWidgetItem *> items = chooser.List1()->findItems(table, Qt::MatchExactly);
    if (items.size() != 1)
        return false;
    chooser.List1()->setCurrentItem(items.first());
    chooser.findChild<QPushButton *>("PushButton3")->click();
    db::TableModel *model = h.windows.form3().tableModel();
    if (!model || model->table() != table)
        return false;
    model->fetchAll();
    return QTest::qWaitFor([model] { return model->allRowsFetched(); }, 5000);
}

// OpenInEditor, then the editor active with its grid focused, as a user
// would have it before typing.
inline bool OpenAndFocus(Harness &h, const testsupport::TempDatabase &db, const QString &table)
{
    if (!OpenInEditor(h, db, table))
        return false;
    ui::Form3 &editor = h.windows.form3();
    editor.activateWindow();
    if (!QTest::qWaitForWindowActive(&editor))
        return false;
    editor.DataGrid1()->setFocus();
    return true;
}

// The editor's open cell editor, if any.
inline QWidget *CellEditor(ui::GridView &grid)
{
    return grid.indexWidget(grid.currentIndex());
}

// Types into the current cell as the user does: F2 opens the cell editor,
// its text is replaced by `text`.
inline void TypeInCell(ui::GridView &grid, const QString &text)
{
    QTest::keyClick(&grid, Qt::Key_F2);
    QWidget *editor = CellEditor(grid);
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, text);
}

// A key for whatever has it: the open cell editor or the grid. What the key
// queued (Enter commits that way) runs before the next key, as it would.
inline void PressKey(ui::GridView &grid, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QWidget *editor = CellEditor(grid);
    QTest::keyClick(editor ? editor : static_cast<QWidget *>(&grid), key, modifiers);
    QCoreApplication::processEvents();
}

// The first column of the first row of a query, through an attachment of
// its own; "<null>" and "<no row>" for the obvious.
inline QString ValueOf(const testsupport::TempDatabase &db, const QString &sql)
{
    db::Attachment attachment = db.attach();
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement statement(tx, sql);
    db::Cursor cursor = statement.openCursor(tx);
    const unsigned char *row = cursor.fetch();
    if (!row)
        return QStringLiteral("<no row>");
    const db::Column &c = statement.columns().at(0);
    return db::isNull(c, row) ? QStringLiteral("<null>") : QString::fromUtf8(db::valueBytes(c, row));
}

} // namespace formtest
