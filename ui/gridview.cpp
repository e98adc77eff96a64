#include "ui/gridview.h"

#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "platform/messageboxes.h"
#include "ui/jobrunner.h"
#include "ui/filterline.h"
#include "ui/griddelegate.h"
#include "ui/gridtexts.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>
#include <set>

namespace ui {

using db::TableModel;

int CappedColumnWidth(int wanted, int viewWidth)
{
    constexpr int SmallestCap = 80;
    return std::min(wanted, std::max(SmallestCap, viewWidth * 2 / 5));
}

GridView::GridView(platform::MessageBoxes &messages, platform::FileDialogs &files,
                   QWidget *parent)
    : QTableView(parent), m_messages(messages), m_files(files)
{
    setHorizontalHeader(new FilterHeader(this));
    setItemDelegate(new GridDelegate(this));
    // Typing into a cell starts editing it, as in a spreadsheet.
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    // One line of text per row, as many rows on the screen as fit.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    clearSortIndicator();
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            &GridView::sortOnHeaderClick);
    createActions();
}

void GridView::createActions()
{
    createUndoActions();
    m_copy = new QAction(QStringLiteral("Copy"), this);
    m_copy->setObjectName(QStringLiteral("actionCopy"));
    m_copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    m_copyWithHeadings = new QAction(QStringLiteral("Copy with Headings"), this);
    m_copyWithHeadings->setObjectName(QStringLiteral("actionCopyWithHeadings"));
    m_copyWithHeadings->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    m_paste = new QAction(QStringLiteral("Paste"), this);
    m_paste->setObjectName(QStringLiteral("actionPaste"));
    m_paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    m_setNull = new QAction(QStringLiteral("Set to NULL"), this);
    m_setNull->setObjectName(QStringLiteral("actionSetNull"));
    m_setNull->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    m_deleteRows = new QAction(QStringLiteral("Delete Selected Rows"), this);
    m_deleteRows->setObjectName(QStringLiteral("actionDeleteRows"));
    m_deleteRows->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    // Esc is taken in keyPressEvent: as a shortcut it would steal the key
    // that closes an open cell editor.
    m_revertRow = new QAction(QStringLiteral("Revert Row\tEsc"), this);
    m_revertRow->setObjectName(QStringLiteral("actionRevertRow"));
    // Only while the grid itself has the focus: an open cell editor keeps
    // its own copy and paste.
    for (QAction *action : {m_copy, m_copyWithHeadings, m_paste})
        action->setShortcutContext(Qt::WidgetShortcut);
    for (QAction *action : {m_setNull, m_deleteRows, m_revertRow})
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    for (QAction *action : {m_copy, m_copyWithHeadings, m_paste, m_setNull, m_deleteRows,
                            m_revertRow})
        addAction(action);
    connect(m_copy, &QAction::triggered, this, [this] { copySelection(false); });
    connect(m_copyWithHeadings, &QAction::triggered, this, [this] { copySelection(true); });
    connect(m_paste, &QAction::triggered, this, &GridView::pasteAtCurrent);
    connect(m_setNull, &QAction::triggered, this, &GridView::setSelectedToNull);
    connect(m_deleteRows, &QAction::triggered, this, &GridView::deleteSelectedRows);
    connect(m_revertRow, &QAction::triggered, this, &GridView::revertCurrentRow);
    createBlobAction();
    createRecordAction();
    createTableActions();
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void GridView::setTableModel(TableModel *model)
{
    m_model = model;
    // Connected before the selection model is: rows removed or a reset move
    // the cursor without the user leaving a row.
    const auto quiet = [this] { m_quiet = true; };
    const auto loud = [this] { m_quiet = false; };
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, quiet);
    connect(model, &QAbstractItemModel::rowsRemoved, this, loud);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, quiet);
    connect(model, &QAbstractItemModel::modelReset, this, loud);
    connect(model, &TableModel::firstRowsArrived, this, &GridView::showFirstRecord);
    connect(model, &TableModel::rowFound, this, &GridView::goToFoundRow);
    setModel(model);
    // Rows read anew (a new order or filter) start on the first record, in
    // the column the cursor was in; connected after setModel, so that the
    // selection model has dropped the old cursor first. The boxes say what
    // the filter is.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { m_refreshColumn = std::max(0, currentIndex().column()); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_model->filterText().isEmpty())
            filterHeader()->clearTexts();
        if (m_model->recordCount() > 0)
            goToFoundRow(0);
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &GridView::leaveRow);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &GridView::updateBlobAction);
    connect(model, &TableModel::undoChanged, this, &GridView::updateUndoActions);
    updateUndoActions();
}

// The view has already committed an open editor of the previous cell when
// the row change arrives here.
void GridView::leaveRow(const QModelIndex &current, const QModelIndex &previous)
{
    Q_UNUSED(current);
    if (m_quiet || !m_model || !previous.isValid() || previous.model() != m_model)
        return;
    const int row = previous.row();
    if (!m_model->isRowDirty(row) || m_model->submitRow(row))
        return;
    const QModelIndex back = m_model->index(row, previous.column());
    {
        QScopedValueRollback<bool> quiet(m_quiet, true);
        selectionModel()->setCurrentIndex(back, QItemSelectionModel::ClearAndSelect);
    }
    scrollTo(back);
    warn(m_model->rowError(row));
    returnToRow(back);
}

// A mouse press goes on selecting the clicked cell after the row change;
// once it is done the selection follows the cursor back.
void GridView::returnToRow(const QModelIndex &cell)
{
    QTimer::singleShot(0, this, [this, cell = QPersistentModelIndex(cell)] {
        if (cell.isValid() && currentIndex() == cell)
            selectionModel()->select(cell, QItemSelectionModel::ClearAndSelect);
    });
}

bool GridView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (opensBlobWindow(index, trigger))
        return true;
    if (m_readOnly)
        return false;
    if (index.isValid() && currentIndex().isValid() && index.row() != currentIndex().row())
        return false;
    return QTableView::edit(index, trigger, event);
}

// The table opens on its first record, not on the new-record line that was
// the only line before the rows came.
void GridView::showFirstRecord()
{
    const QModelIndex current = currentIndex();
    if (!m_model || m_model->recordCount() == 0
        || (current.isValid() && (current.row() != m_model->newRecordRow()
                                  || m_model->isRowDirty(current.row()))))
        return;
    setCurrentIndex(m_model->index(0, std::max(0, current.column())));
    scrollTo(currentIndex());
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    if (state() != EditingState && handleEditingKey(event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

// The keys of the grid that the view does not know or does otherwise;
// false for any other key.
bool GridView::handleEditingKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Paste)
        || (event->key() == Qt::Key_C && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))) {
        if (event->matches(QKeySequence::Paste))
            pasteAtCurrent();
        else
            copySelection(modifiers & Qt::ShiftModifier);
        return true;
    }
    if (modifiers == Qt::ControlModifier
        && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)) {
        if (m_model && m_model->recordCount() > 0)
            goToRecord(event->key() == Qt::Key_Home ? 0 : m_model->recordCount() - 1);
        return true;
    }
    // Also without the action's shortcut: the view would take it for F2.
    if (event->key() == Qt::Key_F2 && modifiers == Qt::ShiftModifier) {
        openBlobWindow();
        return true;
    }
    if (modifiers == Qt::ShiftModifier
        && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        openRecordView();
        return true;
    }
    if (modifiers != Qt::NoModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_Escape:
        // The cell's unsaved value first, then the rest of the row.
        if (!m_model || m_readOnly || !currentIndex().isValid()
            || !m_model->revertCell(currentIndex()))
            revertCurrentRow();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        moveDown();
        return true;
    case Qt::Key_Delete:
        clearSelectedCells();
        return true;
    default:
        return false;
    }
}

// Enter in a cell editor commits it and goes down a line. On the
// new-record line it only commits: the record is written by the next
// Enter, once the user has filled in what it needs.
void GridView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    if (hint == QAbstractItemDelegate::SubmitModelCache && m_model
        && currentIndex().row() != m_model->newRecordRow())
        moveDown();
}

// Down a line; on the new-record line that is writing the new record and
// going on to the next new-record line.
void GridView::moveDown()
{
    const QModelIndex current = currentIndex();
    if (!m_model || !current.isValid())
        return;
    if (current.row() + 1 < m_model->rowCount())
        setCurrentIndex(m_model->index(current.row() + 1, current.column()));
    else
        writeNewRecordLine();
}

void GridView::writeNewRecordLine()
{
    const QModelIndex current = currentIndex();
    if (!m_model || !current.isValid() || current.row() != m_model->newRecordRow())
        return;
    if (const QModelIndex next = newRecordWritten(current.column()); next.isValid())
        setCurrentIndex(next);
}

QModelIndex GridView::newRecordWritten(int column)
{
    const int row = currentIndex().row();
    commitOpenEditor();
    if (!m_model->isRowDirty(row))
        return {};
    if (!m_model->submitRow(row)) {
        warn(m_model->rowError(row));
        return {};
    }
    return m_model->index(m_model->newRecordRow(), column);
}

// The new-record line is the last line, so Down and Tab past its last cell
// would not leave it, and only leaving a row writes it: there they write
// it, as Enter does, and go on to the new-record line below.
QModelIndex GridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    if (!m_model || !current.isValid() || current.row() != m_model->newRecordRow())
        return next;
    const QHeaderView *columns = horizontalHeader();
    const bool down = action == MoveDown && !(modifiers & Qt::ShiftModifier);
    const bool pastLastCell = action == MoveNext && next.isValid()
        && (next.row() != current.row()
            || columns->visualIndex(next.column()) <= columns->visualIndex(current.column()));
    if (!down && !pastLastCell)
        return next;
    commitOpenEditor();
    if (!m_model->isRowDirty(current.row()))
        return next;
    const QModelIndex below = newRecordWritten(down ? current.column() : next.column());
    return below.isValid() ? below : current;
}

void GridView::goToRecord(int row)
{
    const int column = std::max(0, currentIndex().column());
    setCurrentIndex(m_model->index(row, column));
    scrollTo(currentIndex());
}

void GridView::commitOpenEditor()
{
    if (state() != EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void GridView::closeOpenEditor()
{
    if (state() != EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void GridView::warn(const QString &text)
{
    m_messages.warn(app::ShortTitle(), text);
}

void GridView::revertCurrentRow()
{
    if (m_model && currentIndex().isValid() && !m_readOnly)
        m_model->revertRow(currentIndex().row());
}

// Rows other than the current one are not left later, so they are written
// at once; the current row is written when the user leaves it.
void GridView::setSelectedToNull()
{
    if (!m_model || m_readOnly)
        return;
    closeOpenEditor();   // its text would overwrite the NULL when committed
    std::set<int> touched;
    forEachSelectedCell([&](const QModelIndex &cell) {
        if (m_model->setNull(cell))
            touched.insert(cell.row());
    });
    // The rows written now are one step; the current row is its own when left.
    m_model->beginUndoStep(db::UndoKind::SetNull);
    const QStringList failures = writeRowsOtherThanCurrent(touched);
    m_model->endUndoStep();
    if (!failures.isEmpty())
        warn(failures.join("\r\n"));
}

QStringList GridView::writeRowsOtherThanCurrent(const std::set<int> &rows)
{
    QStringList failures;
    // Bottom up: writing the new-record line adds a line below it only.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it == currentIndex().row() || !m_model->isRowDirty(*it))
            continue;
        if (!m_model->submitRow(*it))
            failures << QStringLiteral("Row %1: %2").arg(*it + 1).arg(m_model->rowError(*it));
    }
    return failures;
}

// Range by range: a whole selected column of a large table is one range.
// The new-record line only where something was typed into it.
void GridView::forEachSelectedCell(const std::function<void(const QModelIndex &)> &visit)
{
    QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty() && currentIndex().isValid())
        selection.select(currentIndex(), currentIndex());
    const int newRecord = m_model->newRecordRow();
    const bool newRecordTouched = m_model->isRowDirty(newRecord);
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (row == newRecord && !newRecordTouched)
                continue;
            for (int column = range.left(); column <= range.right(); ++column)
                visit(m_model->index(row, column));
        }
    }
}

// From the selection's ranges: a whole selected column of a large table
// is one range, not a cell per row.
QList<int> GridView::selectedColumns() const
{
    std::set<int> columns;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        for (int column = range.left(); column <= range.right(); ++column)
            columns.insert(column);
    }
    if (columns.empty() && currentIndex().isValid())
        columns.insert(currentIndex().column());
    return QList<int>(columns.begin(), columns.end());
}

// From the selection's ranges, merged: Select All on a large table is one
// span, not a row (let alone a cell) apiece.
std::vector<db::RowSpan> GridView::selectedRowSpans() const
{
    std::vector<db::RowSpan> spans;
    for (const QItemSelectionRange &range : selectionModel()->selection())
        spans.push_back({range.top(), range.bottom()});
    if (spans.empty() && currentIndex().isValid())
        spans.push_back({currentIndex().row(), currentIndex().row()});
    std::sort(spans.begin(), spans.end(),
              [](const db::RowSpan &a, const db::RowSpan &b) { return a.first < b.first; });
    std::vector<db::RowSpan> merged;
    for (const db::RowSpan &span : spans) {
        if (!merged.empty() && span.first <= merged.back().last + 1)
            merged.back().last = std::max(merged.back().last, span.last);
        else
            merged.push_back(span);
    }
    // The new-record line holds no record: only typed values to drop. It
    // is the last row, so only the last span can hold it.
    const int newRecord = m_model ? m_model->newRecordRow() : -1;
    if (!merged.empty() && newRecord >= 0 && !m_model->isRowDirty(newRecord)
        && merged.back().last == newRecord) {
        if (--merged.back().last < merged.back().first)
            merged.pop_back();
    }
    return merged;
}

QList<int> GridView::selectedRows() const
{
    QList<int> rows;
    for (const db::RowSpan &span : selectedRowSpans()) {
        for (int row = span.first; row <= span.last; ++row)
            rows << row;
    }
    return rows;
}

void GridView::deleteSelectedRows()
{
    if (!m_model || !m_model->isBound() || m_readOnly)
        return;
    closeOpenEditor();
    std::vector<db::RowSpan> spans = selectedRowSpans();
    qint64 count = 0;
    for (const db::RowSpan &span : spans)
        count += span.size();
    if (count == 0 || !m_messages.ask(app::ShortTitle(), DeleteQuestion(int(count))))
        return;
    const std::unique_ptr<db::BatchJob> job = m_model->deleteJob(std::move(spans));
    JobRunner(window()).run(*job);
    const QStringList failures = job->failures();
    if (!failures.isEmpty())
        warn(DeleteFailuresText(failures));
}

void GridView::setReadOnly(bool readOnly)
{
    if (readOnly)
        commitOpenEditor();
    m_readOnly = readOnly;
    for (QAction *action : {m_setNull, m_deleteRows, m_revertRow, m_paste, m_importRows})
        action->setEnabled(!readOnly);
    updateUndoActions();
}

void GridView::fitColumns()
{
    if (!model())
        return;
    // Only the rows of one screen are measured: the table may be huge, and
    // rows not fetched yet would be read just to be measured.
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    horizontalHeader()->setResizeContentsPrecision(viewport()->height() / rowHeight + 1);
    resizeColumnsToContents();
    for (int column = 0; column < model()->columnCount(); ++column)
        setColumnWidth(column, CappedColumnWidth(columnWidth(column), viewport()->width()));
}

} // namespace ui
