#include "ui/form3.h"

#include "app/addrow.h"
#include "app/errortrap.h"
#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "db/client/connectionstring.h"
#include "db/grid/tablemodel.h"
#include "ui/columnlayouts.h"
#include "ui/findbar.h"
#include "ui/form2.h"
#include "ui/gridnavigator.h"
#include "ui/gridtexts.h"
#include "ui/gridview.h"
#include "ui/referencepicker.h"
#include "ui/refusaltexts.h"
#include "ui/rownavigator.h"
#include "ui/statusline.h"
#include "ui/windows.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include <stdexcept>
#include <utility>

namespace ui {

namespace {

constexpr int ClientWidth = 960;    // 14400 twips
constexpr int ClientHeight = 497;   // 7455 twips
constexpr int CaptionHeight = 20;
constexpr int StatusHeight = 20;

} // namespace

Form3::Form3(Windows &windows)
    : QWidget(nullptr), m_windows(windows)
{
    setObjectName(QStringLiteral("Form3"));
    setFont(WindowFont());
    resize(ClientWidth, ClientHeight);
    setMinimumSize(ClientWidth, 300);
    createControls();
    m_gridNavigator = std::make_unique<GridNavigator>(*m_dataGrid1);
    createMenu();
    createFindBar();
    orderTabs();
    auto *hover = new HoverRule(m_pointer, this);
    for (QWidget *button : {m_pushButton1, m_pushButton3, m_pushButton4, m_pushButton6,
                            m_pushButton7, m_pushButton8})
        hover->hand(button);
    for (QWidget *plain : {static_cast<QWidget *>(this), static_cast<QWidget *>(m_label2),
                           static_cast<QWidget *>(m_gridCaption),
                           static_cast<QWidget *>(m_statusLine),
                           static_cast<QWidget *>(m_dataGrid1),
                           static_cast<QWidget *>(m_dataGrid1->horizontalHeader()),
                           static_cast<QWidget *>(m_dataGrid1->verticalHeader())})
        hover->plain(plain);
}

// The model's attachment goes with the window, before the database
// library is shut down at the end of the program.
Form3::~Form3()
{
    if (m_model)
        m_model->unbind();
}

QTableView *Form3::DataGrid1() const
{
    return m_dataGrid1;
}

void Form3::createControls()
{
    m_label2 = new QLabel(QStringLiteral(" Table: "), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    PlaceTwips(m_label2, 240, 120, 4695, 255);
    m_gridCaption = new QLabel(
        QStringLiteral("Changes you make are automatically saved as you make them."), this);
    m_gridCaption->setObjectName(QStringLiteral("DataGrid1Caption"));
    m_gridCaption->setAlignment(Qt::AlignCenter);
    m_gridCaption->setFrameShape(QFrame::Panel);
    m_gridCaption->setFrameShadow(QFrame::Raised);
    m_dataGrid1 = new GridView(m_windows.services().messages, m_windows.services().files, this);
    m_dataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    m_statusLine = new StatusLine(this);
    connect(m_dataGrid1->importRowsAction(), &QAction::triggered, this, &Form3::importRows);
    m_pushButton1 = NewPushButton(this, "PushButton1", "< Back", 120, 6960, 1800, 405);
    m_pushButton4 = NewPushButton(this, "PushButton4", "Help", 2040, 6960, 1800, 405);
    m_pushButton8 = NewPushButton(this, "PushButton8", "Add New Row", 3960, 6960, 2760, 405);
    m_pushButton7 = NewPushButton(this, "PushButton7", "Add New Column", 6840, 6960, 2760, 405);
    m_pushButton6 = NewPushButton(this, "PushButton6", "Export Table As..", 9720, 6960, 2640, 405);
    m_pushButton3 = NewPushButton(this, "PushButton3", "Quit", 12480, 6960, 1800, 405);

    m_dataGrid1->setAccessibleName(QStringLiteral("Rows of the open table"));
    // Tab goes on to the buttons in the designed order; the arrow keys move
    // between cells.
    m_dataGrid1->setTabKeyNavigation(false);
    m_pushButton1->setAccessibleName(QStringLiteral("Back"));
    m_pushButton6->setAccessibleName(QStringLiteral("Export Table As"));

    connect(m_pushButton1, &QPushButton::clicked, this, &Form3::PushButton1_Click);
    connect(m_pushButton3, &QPushButton::clicked, this, &Form3::PushButton3_Click);
    connect(m_pushButton4, &QPushButton::clicked, this, &Form3::PushButton4_Click);
    connect(m_pushButton6, &QPushButton::clicked, this, &Form3::PushButton6_Click);
    connect(m_pushButton7, &QPushButton::clicked, this, &Form3::PushButton7_Click);
    connect(m_pushButton8, &QPushButton::clicked, this, &Form3::PushButton8_Click);
}

void Form3::createMenu()
{
    m_mnuSaveAs = new QMenu(QStringLiteral("Save As"), this);
    m_mnuSaveAs->setObjectName(QStringLiteral("mnuSaveAs"));
    for (const char *name : {"TXT", "XLS", "CSV", "PDF", "XML"}) {
        QAction *item = m_mnuSaveAs->addAction(QString::fromLatin1(name));
        item->setObjectName("mnu" + QString::fromLatin1(name));
    }
    const auto handle = [this](const char *item, void (Form3::*handler)()) {
        connect(m_mnuSaveAs->findChild<QAction *>(QString::fromLatin1(item)),
                &QAction::triggered, this, handler);
    };
    handle("mnuTXT", &Form3::mnuTXT_Click);
    handle("mnuCSV", &Form3::mnuCSV_Click);
    handle("mnuXLS", &Form3::mnuXLS_Click);
    handle("mnuXML", &Form3::mnuXML_Click);
    handle("mnuPDF", &Form3::mnuPDF_Click);
}

// Ctrl+F and Ctrl+H open the bar below the grid, wherever the focus is in
// the window.
void Form3::createFindBar()
{
    m_findBar = new FindBar(*m_dataGrid1, m_windows.services().messages, this);
    connect(m_findBar, &FindBar::shownChanged, this, &Form3::placeGrid);
    auto *find = new QAction(QStringLiteral("Find…"), this);
    find->setObjectName(QStringLiteral("actionFind"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    auto *replace = new QAction(QStringLiteral("Replace…"), this);
    replace->setObjectName(QStringLiteral("actionReplace"));
    replace->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    for (QAction *action : {find, replace}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(find, &QAction::triggered, m_findBar, &FindBar::showFind);
    connect(replace, &QAction::triggered, m_findBar, &FindBar::showReplace);
}

void Form3::orderTabs()
{
    QWidget *order[] = {m_dataGrid1, m_pushButton1, m_pushButton3, m_pushButton6,
                        m_pushButton4, m_pushButton8, m_pushButton7};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    m_dataGrid1->setFocus();
}

void Form3::resizeEvent(QResizeEvent *event)
{
    // The grid takes up whatever the window grows or shrinks by; the
    // buttons stay below it.
    QWidget::resizeEvent(event);
    const int rise = height() - ClientHeight;
    placeGrid();
    for (QPushButton *button : {m_pushButton1, m_pushButton3, m_pushButton4, m_pushButton6,
                                m_pushButton7, m_pushButton8})
        button->move(button->x(), Twips(6960) + rise);
}

// The caption above, and the find bar and the status line below, share
// the grid's place.
void Form3::placeGrid()
{
    const int grow = width() - ClientWidth;
    const int rise = height() - ClientHeight;
    const QRect grid(Twips(120), Twips(360), Twips(14160) + grow, Twips(6525) + rise);
    const int bar = m_findBar && m_findBar->isVisible() ? m_findBar->sizeHint().height() : 0;
    m_gridCaption->setGeometry(grid.left(), grid.top(), grid.width(), CaptionHeight);
    m_dataGrid1->setGeometry(grid.adjusted(0, CaptionHeight, 0, -StatusHeight - bar));
    if (bar > 0)
        m_findBar->setGeometry(grid.left(), grid.bottom() + 1 - StatusHeight - bar, grid.width(),
                               bar);
    m_statusLine->setGeometry(grid.left(), grid.bottom() + 1 - StatusHeight, grid.width(),
                              StatusHeight);
}

RowNavigator &Form3::navigator()
{
    return m_navigator ? *m_navigator : *m_gridNavigator;
}

void Form3::createModel()
{
    if (m_model)
        return;
    m_model = new db::TableModel(this);
    m_dataGrid1->setTableModel(m_model);
    m_statusLine->follow(m_dataGrid1);
    m_model->setRefusalWording(&RefusalText);
    platform::MessageBoxes &messages = m_windows.services().messages;
    connect(m_model, &db::TableModel::busyChanged, this, &Form3::setBusy);
    connect(m_model, &db::TableModel::firstRowsArrived, m_dataGrid1, &GridView::fitColumns);
    // The kept layout goes on the columns once they are made, and its widths
    // again once the first rows have been fitted.
    m_columnLayouts = new ColumnLayouts(*m_dataGrid1, m_windows.services().settings, this);
    connect(m_model, &QAbstractItemModel::modelReset, m_columnLayouts, &ColumnLayouts::restore);
    connect(m_model, &db::TableModel::firstRowsArrived, m_columnLayouts,
            &ColumnLayouts::restore);
    connect(m_columnLayouts, &ColumnLayouts::changed, m_statusLine, &StatusLine::showState);
    m_referencePicking = new ReferencePicking(*m_dataGrid1, this);
    connect(m_model, &db::TableModel::readFailed, this,
            [&messages](const QString &text) { messages.warn(app::ShortTitle(), text); });
    connect(m_model, &db::TableModel::notice, this,
            [&messages](const QString &text) { messages.inform(app::ShortTitle(), text); });
}

void Form3::setBusy(bool busy)
{
    m_pointer.set(busy ? WindowPointer::Busy : WindowPointer::Default);
    m_dataGrid1->setReadOnly(busy);
}

// The open cell editor and every changed row, as leaving them would write
// them; false when some row could not be written.
bool Form3::writeChangedRows()
{
    m_dataGrid1->commitOpenEditor();
    return m_model->submitAll();
}

// Writes what is still unsaved; true when nothing is left or the user
// gives up what could not be written.
bool Form3::mayRelease()
{
    if (!m_model || !m_model->isBound() || writeChangedRows())
        return true;
    return m_windows.services().messages.ask(app::ShortTitle(), DiscardQuestion(m_boundTable));
}

// The chooser has already named the new table; the old one stays open.
void Form3::keepBoundTable()
{
    m_label2->setText(" Now Editing: " + m_boundTable);
    m_windows.currentTable = m_boundTable;
    showFirstUnsavedRow();
}

void Form3::showFirstUnsavedRow()
{
    const QModelIndex current = m_dataGrid1->currentIndex();
    if (!m_model || (current.isValid() && m_model->isRowDirty(current.row())))
        return;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->isRowDirty(row)) {
            m_dataGrid1->setCurrentIndex(m_model->index(row, 0));
            m_dataGrid1->scrollTo(m_dataGrid1->currentIndex());
            return;
        }
    }
}

int Form3::unsavedRowCount() const
{
    return m_model ? m_model->unsavedRowCount() : 0;
}

void Form3::BindTable(const QString &connectionString, const QString &table)
{
    const bool kept = std::exchange(m_keptAfterUnbind, false);
    if ((kept && m_model && m_model->hasUnsavedRows()) || !mayRelease()) {
        keepBoundTable();
        return;
    }
    createModel();
    m_boundTable.clear();
    m_dataGrid1->clearSortIndicator();
    m_columnLayouts->setTable(db::ParseConnectionString(connectionString).database, table);
    m_model->bind(connectionString, table);
    m_boundTable = table;
    m_label2->setText(" Now Editing: " + table);
}

void Form3::UnbindGrid()
{
    if (!mayRelease()) {
        m_keptAfterUnbind = true;
        keepBoundTable();
        return;
    }
    if (m_model)
        m_model->unbind();
    m_boundTable.clear();
    m_dataGrid1->clearSortIndicator();
}

bool Form3::prepareToEnd()
{
    if (!m_model || !m_model->isBound() || writeChangedRows())
        return true;
    if (m_windows.services().messages.ask(app::ShortTitle(), QuitQuestion(unsavedRowCount())))
        return true;
    show();
    raise();
    activateWindow();
    showFirstUnsavedRow();
    m_dataGrid1->setFocus();
    return false;
}

QStringList Form3::writeForSignal()
{
    QStringList unsaved;
    if (!m_model || !m_model->isBound() || writeChangedRows())
        return unsaved;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->isRowDirty(row))
            unsaved << QStringLiteral("row %1 of %2 could not be saved: %3")
                           .arg(row + 1)
                           .arg(m_boundTable, m_model->rowError(row));
    }
    return unsaved;
}

void Form3::Form_Load()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form3_Form_Load);
    trap.step(100, [&] { ApplyFormColors(this); });
    trap.step(102, [&] { setWindowIcon(ApplicationIcon()); });
    LoadHandCursorSteps(trap, m_pointer, 106, 108);
    trap.step(110, [&] { setWindowTitle(QString::fromLatin1(app::DisplayTitle)); });
}

// Rows that could not be written are asked about now, not when the next
// table is opened; going back gives them up.
bool Form3::mayGoBack()
{
    if (!m_model || !m_model->isBound() || writeChangedRows())
        return true;
    if (!m_windows.services().messages.ask(app::ShortTitle(),
                                           BackQuestion(unsavedRowCount(), m_boundTable))) {
        showFirstUnsavedRow();
        return false;
    }
    m_model->revertAll();
    return true;
}

void Form3::PushButton1_Click()
{
    if (!mayGoBack())
        return;
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form3_PushButton1_Click);
    trap.step(100, [&] { m_windows.form2().show(); });
    trap.step(102, [&] { hide(); });
}

void Form3::PushButton3_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form3_PushButton3_Click);
    trap.step(100, [&] { m_windows.endProgram(); });
}

void Form3::PushButton4_Click()
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    app::ErrorTrap trap(messages, app::loc::Form3_PushButton4_Click);
    trap.step(102, [&] { messages.inform(app::ShortTitle(), app::EditorHelpText()); });
}

void Form3::PushButton6_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form3_PushButton6_Click);
    trap.step(106, [&] { m_mnuSaveAs->popup(QCursor::pos()); });
}

void Form3::PushButton8_Click()
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    app::ErrorTrap trap(messages, app::loc::Form3_PushButton8_Click);
    RowNavigator &rows = navigator();
    long long count = 0;
    app::AddRowMove move;
    trap.step(100, [&] { m_dataGrid1->setFocus(); });
    if (trap.test(102, [&] { return (count = rows.recordCount()) > 0; })) {
        move = app::PlanAddRow(count);
        if (trap.test(104, [&] { return move.toNewRecordLine; })) {
            trap.step(106, [&] { rows.moveToNewRecordLine(); });
        } else {
            trap.step(108, [&] { rows.moveToRecord(move.record); });
            trap.step(110, [&] {
                messages.inform(app::ShortTitle(), QStringLiteral("Row limit reached."));
            });
        }
    }
    trap.step(112, [&] { m_dataGrid1->setFocus(); });
    trap.step(114, [&] {
        if (!move.limitReached)
            rows.moveToNewRecordLine();
    });
}

void Form3::keyPressEvent(QKeyEvent *event)
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    if (!TakeCommonKey(this, event,
                       [&] { messages.inform(app::ShortTitle(), app::EditorUsageText()); }))
        QWidget::keyPressEvent(event);
}

void Form3::closeEvent(QCloseEvent *event)
{
    if (m_windows.endProgram())
        event->accept();
    else
        event->ignore();
}

} // namespace ui
