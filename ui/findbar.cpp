#include "ui/findbar.h"

#include "app/titles.h"
#include "db/grid/replaceall.h"
#include "db/grid/tablemodel.h"
#include "platform/messageboxes.h"
#include "ui/gridview.h"
#include "ui/jobrunner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace ui {

using db::TableModel;

namespace {

// Cells looked at between two turns of the event loop.
constexpr int CellsPerTurn = 20000;
// How long to wait for rows being read before looking again.
constexpr int RowWaitMs = 20;

} // namespace

FindBar::FindBar(GridView &grid, platform::MessageBoxes &messages, QWidget *parent)
    : QFrame(parent), m_grid(grid), m_messages(messages)
{
    setObjectName(QStringLiteral("FindBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    createControls();
    hide();
}

void FindBar::createControls()
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setVerticalSpacing(2);
    m_txtFind = new QLineEdit(this);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_txtFind->setAccessibleName(QStringLiteral("Text to find"));
    m_txtFind->setPlaceholderText(QStringLiteral("text to find"));
    m_txtReplace = new QLineEdit(this);
    m_txtReplace->setObjectName(QStringLiteral("txtReplace"));
    m_txtReplace->setAccessibleName(QStringLiteral("Replace with"));
    m_txtReplace->setPlaceholderText(QStringLiteral("replace with"));
    m_cboScope = new QComboBox(this);
    m_cboScope->setObjectName(QStringLiteral("cboScope"));
    m_cboScope->setAccessibleName(QStringLiteral("Where to look"));
    m_cboScope->addItems({QStringLiteral("Current Column"), QStringLiteral("Selection"),
                          QStringLiteral("All Columns")});
    m_cboScope->setCurrentIndex(int(Scope::AllColumns));
    m_chkMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
    m_chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    m_chkWholeCell = new QCheckBox(QStringLiteral("Whole cell"), this);
    m_chkWholeCell->setObjectName(QStringLiteral("chkWholeCell"));
    m_cmdPrevious = new QPushButton(QStringLiteral("Previous"), this);
    m_cmdPrevious->setObjectName(QStringLiteral("cmdFindPrevious"));
    m_cmdPrevious->setToolTip(QStringLiteral("Shift+F3, Shift+Enter"));
    m_cmdNext = new QPushButton(QStringLiteral("Next"), this);
    m_cmdNext->setObjectName(QStringLiteral("cmdFindNext"));
    m_cmdNext->setToolTip(QStringLiteral("F3, Enter"));
    m_cmdReplace = new QPushButton(QStringLiteral("Replace"), this);
    m_cmdReplace->setObjectName(QStringLiteral("cmdReplace"));
    m_cmdReplaceAll = new QPushButton(QStringLiteral("Replace All"), this);
    m_cmdReplaceAll->setObjectName(QStringLiteral("cmdReplaceAll"));
    m_cmdClose = new QToolButton(this);
    m_cmdClose->setObjectName(QStringLiteral("cmdCloseFind"));
    m_cmdClose->setText(QStringLiteral("✕"));
    m_cmdClose->setToolTip(QStringLiteral("Close (Esc)"));
    // A screen reader says this instead of the cross.
    m_cmdClose->setAccessibleName(QStringLiteral("Close"));
    m_cmdClose->setAutoRaise(true);
    m_lblFound = new QLabel(this);
    m_lblFound->setObjectName(QStringLiteral("lblFound"));
    m_lblReplace = new QLabel(QStringLiteral("Replace:"), this);
    auto *findLabel = new QLabel(QStringLiteral("Find:"), this);
    findLabel->setBuddy(m_txtFind);
    m_lblReplace->setBuddy(m_txtReplace);

    layout->addWidget(findLabel, 0, 0);
    layout->addWidget(m_txtFind, 0, 1);
    layout->addWidget(m_cboScope, 0, 2);
    layout->addWidget(m_chkMatchCase, 0, 3);
    layout->addWidget(m_chkWholeCell, 0, 4);
    layout->addWidget(m_cmdPrevious, 0, 5);
    layout->addWidget(m_cmdNext, 0, 6);
    layout->addWidget(m_cmdClose, 0, 7);
    layout->addWidget(m_lblReplace, 1, 0);
    layout->addWidget(m_txtReplace, 1, 1);
    layout->addWidget(m_cmdReplace, 1, 5);
    layout->addWidget(m_cmdReplaceAll, 1, 6);
    layout->addWidget(m_lblFound, 1, 2, 1, 3);
    layout->setColumnStretch(1, 1);
    for (QPushButton *button : {m_cmdPrevious, m_cmdNext, m_cmdReplace, m_cmdReplaceAll})
        button->setAutoDefault(false);
    for (QLineEdit *box : {m_txtFind, m_txtReplace})
        box->installEventFilter(this);

    connect(m_cmdNext, &QPushButton::clicked, this, &FindBar::findNext);
    connect(m_cmdPrevious, &QPushButton::clicked, this, &FindBar::findPrevious);
    connect(m_cmdReplace, &QPushButton::clicked, this, &FindBar::replaceOne);
    connect(m_cmdReplaceAll, &QPushButton::clicked, this, &FindBar::replaceAll);
    connect(m_cmdClose, &QToolButton::clicked, this, &FindBar::closeBar);
    connect(m_txtFind, &QLineEdit::textEdited, this, [this] { say({}); });
}

void FindBar::showFind()
{
    open(false);
}

void FindBar::showReplace()
{
    open(true);
}

bool FindBar::isReplacing() const
{
    return isVisible() && m_txtReplace->isVisible();
}

// What is selected in a cell goes into the box, as a start.
void FindBar::open(bool replacing)
{
    for (QWidget *part : std::initializer_list<QWidget *>{m_lblReplace, m_txtReplace,
                                                          m_cmdReplace, m_cmdReplaceAll})
        part->setVisible(replacing);
    // With a selection of several cells, looking in it is what is meant.
    const QModelIndexList selected = m_grid.selectionModel()->selectedIndexes();
    if (!isVisible() && selected.size() > 1)
        setScope(Scope::Selection);
    show();
    adjustSize();
    emit shownChanged();
    m_txtFind->setFocus();
    m_txtFind->selectAll();
}

void FindBar::closeBar()
{
    m_search.active = false;
    hide();
    emit shownChanged();
    m_grid.setFocus();
}

void FindBar::setScope(Scope scope)
{
    m_cboScope->setCurrentIndex(int(scope));
}

FindBar::Scope FindBar::scope() const
{
    return Scope(m_cboScope->currentIndex());
}

app::FindOptions FindBar::options() const
{
    return {m_chkMatchCase->isChecked(), m_chkWholeCell->isChecked()};
}

void FindBar::say(const QString &text)
{
    m_lblFound->setText(text);
}

// The scope's columns in the order the grid shows them; hidden ones are
// not looked in.
std::vector<int> FindBar::scopeColumns() const
{
    const QHeaderView *header = m_grid.horizontalHeader();
    const QModelIndex current = m_grid.currentIndex();
    std::vector<int> columns;
    if (scope() == Scope::CurrentColumn) {
        if (current.isValid())
            columns.push_back(current.column());
        return columns;
    }
    std::set<int> selected;
    for (const QItemSelectionRange &range : m_grid.selectionModel()->selection()) {
        for (int column = range.left(); column <= range.right(); ++column)
            selected.insert(column);
    }
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (header->isSectionHidden(column))
            continue;
        if (scope() == Scope::AllColumns || selected.count(column))
            columns.push_back(column);
    }
    return columns;
}

bool FindBar::inScope(const QModelIndex &cell) const
{
    return scope() != Scope::Selection || m_grid.selectionModel()->isSelected(cell);
}

// The text a cell is searched in: its value as edited, NULL never; a
// BLOB's preview; nothing for binary values.
QString FindBar::cellText(const QModelIndex &cell) const
{
    const TableModel &model = *m_grid.tableModel();
    if (cell.data(TableModel::IsNullRole).toBool())
        return {};
    if (model.isBlobColumn(cell.column()))
        return model.isTextBlobColumn(cell.column()) ? cell.data(Qt::DisplayRole).toString()
                                                     : QString();
    return cell.data(Qt::EditRole).toString();
}

bool FindBar::cellMatches(const QModelIndex &cell) const
{
    return inScope(cell) && app::CellMatches(cellText(cell), m_txtFind->text(), options());
}

void FindBar::find(int direction)
{
    const TableModel *model = m_grid.tableModel();
    const QModelIndex current = m_grid.currentIndex();
    m_columns = scopeColumns();
    if (!model || !model->isBound() || m_columns.empty() || m_txtFind->text().isEmpty()) {
        say(m_txtFind->text().isEmpty() ? QStringLiteral("Type the text to find.") : QString());
        return;
    }
    m_grid.commitOpenEditor();
    Search search;
    search.active = true;
    search.direction = direction;
    search.row = std::max(0, current.row());
    const auto place = std::find(m_columns.begin(), m_columns.end(), current.column());
    search.place = place == m_columns.end() ? 0 : int(place - m_columns.begin());
    // From the new-record line the search starts over at the first record.
    if (search.row >= model->recordCount()) {
        search.row = direction > 0 ? model->recordCount() - 1 : 0;
        search.place = direction > 0 ? int(m_columns.size()) - 1 : 0;
    }
    search.startRow = search.row;
    search.startPlace = search.place;
    m_search = search;
    say(QStringLiteral("searching…"));
    searchOn();
}

// One cell on in the search's direction, wrapping at either end; false
// once it is back where it began.
bool FindBar::step(Search &search, int rows) const
{
    search.place += search.direction;
    if (search.place >= int(m_columns.size()) || search.place < 0) {
        search.place = search.direction > 0 ? 0 : int(m_columns.size()) - 1;
        search.row = (search.row + search.direction + rows) % rows;
    }
    return search.row != search.startRow || search.place != search.startPlace;
}

// A turn of the search: cells of rows already read; at a row not read yet
// it asks for it and looks again a moment later.
void FindBar::searchOn()
{
    TableModel *model = m_grid.tableModel();
    if (!m_search.active || !model->isBound())
        return;
    const int records = model->recordCount();
    for (int looked = 0; records > 0 && looked < CellsPerTurn; ++looked) {
        if (!step(m_search, records)) {
            const QModelIndex start = model->index(m_search.startRow,
                                                   m_columns[m_search.startPlace]);
            m_search.active = false;
            say(cellMatches(start) ? QStringLiteral("only this cell matches")
                                   : QStringLiteral("\"%1\" not found").arg(m_txtFind->text()));
            return;
        }
        const QModelIndex cell = model->index(m_search.row, m_columns[m_search.place]);
        if (TableModel::RowState(cell.data(TableModel::RowStateRole).toInt())
            == TableModel::RowState::NotFetched) {
            cell.data();   // asks for the rows from here on
            m_search.place -= m_search.direction;   // this cell again, once read
            QTimer::singleShot(RowWaitMs, this, &FindBar::searchOn);
            return;
        }
        if (cellMatches(cell)) {
            m_search.active = false;
            const auto command = scope() == Scope::Selection ? QItemSelectionModel::NoUpdate
                                                             : QItemSelectionModel::ClearAndSelect;
            m_grid.selectionModel()->setCurrentIndex(cell, command);
            m_grid.scrollTo(cell);
            say({});
            return;
        }
    }
    QTimer::singleShot(0, this, &FindBar::searchOn);
}

// The found cell gets the replaced text as if typed, and the search goes
// on; a cell that does not match is only the start of the search.
void FindBar::replaceOne()
{
    const QModelIndex current = m_grid.currentIndex();
    TableModel *model = m_grid.tableModel();
    if (model && current.isValid() && !m_grid.isReadOnly() && cellMatches(current)) {
        const QString replaced = app::ReplacedText(cellText(current), m_txtFind->text(),
                                                   m_txtReplace->text(), options());
        if (!model->setData(current, replaced, Qt::EditRole) && replaced != cellText(current)) {
            say(QStringLiteral("this cell cannot be changed"));
            return;
        }
    }
    findNext();
}

bool FindBar::writeUnsavedRows()
{
    m_grid.commitOpenEditor();
    TableModel *model = m_grid.tableModel();
    if (model->submitAll())
        return true;
    m_messages.inform(app::ShortTitle(),
                      QStringLiteral("Save or revert the rows that could not be saved before "
                                     "replacing in all rows."));
    return false;
}

void FindBar::replaceAll()
{
    TableModel *model = m_grid.tableModel();
    if (!model || !model->isBound() || model->isBusy() || m_grid.isReadOnly()
        || !writeUnsavedRows())
        return;
    db::ReplaceRequest request{m_txtFind->text(), m_txtReplace->text(),
                               m_chkMatchCase->isChecked(), m_chkWholeCell->isChecked(),
                               scopeColumns(), {}};
    if (scope() == Scope::Selection) {
        QString problem;
        request.rowKeys = model->keysOfRows(m_grid.selectedRecordRows(), &problem);
        if (!problem.isEmpty()) {
            m_messages.inform(app::ShortTitle(), problem);
            return;
        }
    }
    const db::ReplacePlan plan = model->planReplaceAll(request);
    if (!plan.refusal.isEmpty()) {
        m_messages.inform(app::ShortTitle(), plan.refusal);
        return;
    }
    db::ReplaceCountJob count(model->connectionString(), plan, model->recordCount());
    JobRunner(window()).run(count);
    // Cancelled while counting: nothing to ask about.
    if (count.cancelled())
        return;
    if (!count.failures().isEmpty()) {
        m_messages.warn(app::ShortTitle(), count.failures().join("\r\n"));
        return;
    }
    if (!count.refusal().isEmpty() || count.rows() == 0) {
        m_messages.inform(app::ShortTitle(),
                          count.rows() == 0 ? QStringLiteral("\"%1\" was not found: nothing "
                                                             "was replaced.").arg(request.find)
                                            : count.refusal());
        return;
    }
    if (!m_messages.ask(app::ShortTitle(),
                        app::ReplaceAllQuestion(request.find, request.replacement, count.rows(),
                                                count.plan().columnNames,
                                                !model->filterText().isEmpty())))
        return;
    db::ReplaceAllJob job(model->connectionString(), count.plan(), count.rows());
    JobRunner(window()).run(job);
    if (!job.failures().isEmpty()) {
        m_messages.warn(app::ShortTitle(), QStringLiteral("Nothing was replaced: ")
                                               + job.failures().join("\r\n"));
        return;
    }
    say(job.replaced() == 1 ? QStringLiteral("replaced in 1 row")
                            : QStringLiteral("replaced in %L1 rows").arg(job.replaced()));
    m_grid.refreshTable();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
    case Qt::Key_Escape:
        closeBar();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (watched == m_txtReplace && modifiers == Qt::NoModifier)
            replaceOne();
        else
            find(modifiers & Qt::ShiftModifier ? -1 : 1);
        return true;
    case Qt::Key_F3:
        find(modifiers & Qt::ShiftModifier ? -1 : 1);
        return true;
    default:
        return QFrame::eventFilter(watched, event);
    }
}

} // namespace ui
