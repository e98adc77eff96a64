#include "ui/form2.h"

#include "app/errortrap.h"
#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "db/client/firebird.h"
#include "ui/form1.h"
#include "ui/form3.h"
#include "ui/tablelist.h"
#include "ui/windows.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

#include <stdexcept>

namespace ui {

Form2::Form2(Windows &windows)
    : QWidget(nullptr), m_windows(windows)
{
    setObjectName(QStringLiteral("Form2"));
    setFont(WindowFont());
    setFixedSize(Twips(8040), Twips(3030));
    createControls();
    auto *hover = new HoverRule(m_pointer, this);
    for (QWidget *button : {m_pushButton1, m_pushButton2, m_pushButton3})
        hover->hand(button);
    for (QWidget *plain : {static_cast<QWidget *>(this), static_cast<QWidget *>(m_frame1),
                           static_cast<QWidget *>(m_list1)})
        hover->plain(plain);
}

void Form2::createControls()
{
    m_pushButton2 = NewPushButton(this, "PushButton2", "< Back", 120, 90, 7800, 405);
    m_pushButton3 = NewPushButton(this, "PushButton3", "Next >", 4080, 2550, 3840, 405);
    m_pushButton1 = NewPushButton(this, "PushButton1", "New Table", 120, 2550, 3840, 405);
    m_frame1 = new QGroupBox(QStringLiteral("Which table do you want edit?"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    PlaceTwips(m_frame1, 120, 570, 7800, 1875);
    m_list1 = new QListWidget(m_frame1);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setSelectionMode(QAbstractItemView::SingleSelection);
    PlaceTwips(m_list1, 240, 300, 7320, 1410);
    FitWholeRows(m_list1);

    m_list1->setAccessibleName(QStringLiteral("Tables"));
    m_pushButton2->setAccessibleName(QStringLiteral("Back"));
    m_pushButton3->setAccessibleName(QStringLiteral("Next"));
    // Enter or a double-click on an entry opens it; typed letters already
    // jump to the first table that starts with them.
    m_list1->installEventFilter(this);
    connect(m_list1, &QListWidget::itemDoubleClicked, this, &Form2::PushButton3_Click);

    QWidget::setTabOrder(m_pushButton2, m_pushButton3);
    QWidget::setTabOrder(m_pushButton3, m_pushButton1);
    QWidget::setTabOrder(m_pushButton1, m_list1);
    m_pushButton2->setFocus();

    connect(m_pushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(m_pushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(m_pushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
}

void Form2::Form_Load()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form2_Form_Load);
    trap.step(100, [&] { ApplyFormColors(this); });
    trap.step(102, [&] { setWindowIcon(ApplicationIcon()); });
    LoadHandCursorSteps(trap, m_pointer, 106, 108);
    trap.step(110, [&] { setWindowTitle(QString::fromLatin1(app::DisplayTitle)); });
}

void Form2::PushButton1_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form2_PushButton1_Click);
    const QStringList before = ListedTables(m_list1);
    trap.step(100, [&] { m_windows.showNewTableDialog(this); });
    QString connectionString;
    trap.step(102, [&] { connectionString = m_windows.connectionString(); });
    trap.step(106, [&] { m_pointer.set(WindowPointer::Busy); });
    trap.step(110, [&] { db::TestConnection(connectionString); });
    trap.step(112, [&] { setEnabled(false); });
    trap.step(114, [&] { LoadTableList(m_list1, connectionString); });
    if (trap.test(118, [&] { return m_list1->count() > 0; }))
        trap.step(118, [&] { m_list1->setCurrentRow(RowToSelect(before, ListedTables(m_list1))); });
    trap.step(120, [&] { setEnabled(true); });
    trap.step(122, [&] { m_pointer.set(WindowPointer::Default); });
}

void Form2::PushButton2_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form2_PushButton2_Click);
    trap.step(100, [&] { m_windows.form1().show(); });
    trap.step(102, [&] { hide(); });
}

void Form2::PushButton3_Click()
{
    platform::Services &services = m_windows.services();
    app::ErrorTrap trap(services.messages, app::loc::Form2_PushButton3_Click);
    QString connectionString;
    trap.step(100, [&] { connectionString = m_windows.connectionString(); });
    if (!trap.test(104, [&] { return m_list1->currentRow() != -1; })) {
        trap.step(132, [&] {
            services.messages.inform(app::ShortTitle(), QStringLiteral("Please select a table"));
        });
        return;
    }
    trap.step(106, [&] { m_pointer.set(WindowPointer::Busy); });
    trap.step(110, [&] { db::TestConnection(connectionString); });
    trap.step(112, [&] { m_windows.currentTable = m_list1->currentItem()->text(); });
    trap.step(114, [&] { m_windows.form3().show(); });
    trap.step(116, [&] {
        m_windows.form3().Label2()->setText(" Now Editing: " + m_windows.currentTable);
    });
    trap.step(118, [&] { m_windows.form3().UnbindGrid(); });
    // Opening the table and binding the grid to it is one call.
    trap.step(122, [&] { m_windows.form3().BindTable(connectionString, m_windows.currentTable); });
    trap.step(126, [&] { m_windows.form3().DataGrid1()->setFocus(); });
    trap.step(128, [&] { hide(); });
    trap.step(130, [&] { m_pointer.set(WindowPointer::Default); });
}

// The list has the focus whenever the window comes up, so that Enter and
// the typed letters reach it at once.
void Form2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_list1->setFocus();
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list1 && event->type() == QEvent::KeyPress
        && IsEnterKey(static_cast<QKeyEvent *>(event))) {
        PushButton3_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::keyPressEvent(QKeyEvent *event)
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    if (!TakeCommonKey(this, event,
                       [&] { messages.inform(app::ShortTitle(), app::ChooserUsageText()); }))
        QWidget::keyPressEvent(event);
}

void Form2::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_windows.endProgram();
}

} // namespace ui
