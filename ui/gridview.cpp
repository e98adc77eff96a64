#include "ui/gridview.h"

#include "app/titles.h"
#include "db/tablemodel.h"
#include "platform/messageboxes.h"
#include "ui/griddelegate.h"
#include "ui/gridtexts.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTimer>

#include <set>

namespace ui {

using db::TableModel;

int CappedColumnWidth(int wanted, int viewWidth)
{
    constexpr int SmallestCap = 80;
    return std::min(wanted, std::max(SmallestCap, viewWidth * 2 / 5));
}

GridView::GridView(platform::MessageBoxes &messages, QWidget *parent)
    : QTableView(parent), m_messages(messages)
{
    setItemDelegate(new GridDelegate(this));
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
    for (QAction *action : {m_setNull, m_deleteRows, m_revertRow}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(m_setNull, &QAction::triggered, this, &GridView::setSelectedToNull);
    connect(m_deleteRows, &QAction::triggered, this, &GridView::deleteSelectedRows);
    connect(m_revertRow, &QAction::triggered, this, &GridView::revertCurrentRow);
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
    setModel(model);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &GridView::leaveRow);
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
    if (m_readOnly)
        return false;
    if (index.isValid() && currentIndex().isValid() && index.row() != currentIndex().row())
        return false;
    return QTableView::edit(index, trigger, event);
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier
        && state() != EditingState) {
        revertCurrentRow();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
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
    QModelIndexList cells = selectionModel()->selectedIndexes();
    if (cells.isEmpty() && currentIndex().isValid())
        cells << currentIndex();
    std::set<int> touched;
    for (const QModelIndex &cell : cells) {
        if (m_model->setNull(cell))
            touched.insert(cell.row());
    }
    touched.erase(currentIndex().row());
    QStringList failures;
    for (auto it = touched.rbegin(); it != touched.rend(); ++it) {
        if (!m_model->submitRow(*it))
            failures << QStringLiteral("Row %1: %2").arg(*it + 1).arg(m_model->rowError(*it));
    }
    if (!failures.isEmpty())
        warn(failures.join("\r\n"));
}

QList<int> GridView::selectedRows() const
{
    std::set<int> rows;
    for (const QModelIndex &cell : selectionModel()->selectedIndexes())
        rows.insert(cell.row());
    if (rows.empty() && currentIndex().isValid())
        rows.insert(currentIndex().row());
    // The new-record line holds no record: only typed values to drop.
    if (m_model && !m_model->isRowDirty(m_model->newRecordRow()))
        rows.erase(m_model->newRecordRow());
    return QList<int>(rows.begin(), rows.end());
}

void GridView::deleteSelectedRows()
{
    if (!m_model || !m_model->isBound() || m_readOnly)
        return;
    closeOpenEditor();
    const QList<int> rows = selectedRows();
    if (rows.isEmpty() || !m_messages.ask(app::ShortTitle(), DeleteQuestion(rows.size())))
        return;
    const QStringList failures = m_model->deleteRows(rows);
    if (!failures.isEmpty())
        warn(DeleteFailuresText(failures));
}

void GridView::setReadOnly(bool readOnly)
{
    if (readOnly)
        commitOpenEditor();
    m_readOnly = readOnly;
    for (QAction *action : {m_setNull, m_deleteRows, m_revertRow})
        action->setEnabled(!readOnly);
}

void GridView::clearSortIndicator()
{
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

// The header flips its indicator on a click by itself; it is set again here
// to the order the table really has.
void GridView::sortOnHeaderClick(int column)
{
    sortBy(column, column == m_sortColumn && m_sortOrder == Qt::AscendingOrder
                       ? Qt::DescendingOrder
                       : Qt::AscendingOrder);
}

void GridView::sortBy(int column, Qt::SortOrder order)
{
    if (m_model && m_model->isBound() && !m_readOnly) {
        commitOpenEditor();
        m_model->sort(column, order);
        if (m_model->isBusy()) {
            m_sortColumn = column;
            m_sortOrder = order;
        }
    }
    horizontalHeader()->setSortIndicator(m_sortColumn, m_sortOrder);
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
