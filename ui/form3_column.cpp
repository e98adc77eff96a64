// The table editor's "Add New Column": the new-column dialog over the open
// table, then the table opened afresh so the grid shows what the dialog did.

#include "ui/form3.h"

#include "app/errortrap.h"
#include "db/grid/tablemodel.h"
#include "ui/frmnewcolumn.h"
#include "ui/gridview.h"
#include "ui/windows.h"

#include <QTableView>

#include <optional>

namespace ui {

namespace {

struct SortKey
{
    QString column;
    Qt::SortOrder order;
};

std::optional<SortKey> CurrentSort(GridView &grid)
{
    const db::TableModel *model = grid.tableModel();
    if (!model || !model->isBound() || grid.sortColumn() < 0)
        return std::nullopt;
    return SortKey{model->headerData(grid.sortColumn(), Qt::Horizontal).toString(),
                   grid.sortOrder()};
}

// After a fresh bind the grid reads the table unsorted; the sort column,
// found by its name, is read again in its order.
void RestoreSort(GridView &grid, const std::optional<SortKey> &sort)
{
    const db::TableModel *model = grid.tableModel();
    if (!sort || !model || !model->isBound() || grid.sortColumn() >= 0)
        return;
    for (int column = 0; column < model->columnCount(); ++column) {
        if (model->headerData(column, Qt::Horizontal).toString() == sort->column) {
            grid.sortBy(column, sort->order);
            return;
        }
    }
}

// What the user typed goes to the database first: the grid's own writer is
// then idle, so the schema change never waits on this program itself.
void SaveTypedRows(GridView &grid)
{
    grid.commitOpenEditor();
    if (db::TableModel *model = grid.tableModel(); model && model->isBound())
        model->submitAll();
}

} // namespace

void Form3::PushButton7_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form3_chkNewColumn_Click);
    const std::optional<SortKey> sort = CurrentSort(*m_dataGrid1);
    trap.step(100, [&] { SaveTypedRows(*m_dataGrid1); });
    frmNewColumn dialog(m_windows, this);
    trap.step(104, [&] { dialog.callingform = QStringLiteral("Form3"); });
    trap.step(106, [&] { dialog.showModal(); });
    QString connectionString;
    trap.step(110, [&] { connectionString = m_windows.connectionString(); });
    trap.step(112, [&] { BindTable(connectionString, m_windows.currentTable); });
    trap.step(114, [&] { RestoreSort(*m_dataGrid1, sort); });
    trap.step(116, [&] { m_dataGrid1->setFocus(); });
}

} // namespace ui
