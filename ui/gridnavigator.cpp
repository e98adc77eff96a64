#include "ui/gridnavigator.h"

#include "db/grid/tablemodel.h"
#include "ui/gridview.h"

namespace ui {

long long GridNavigator::recordCount() const
{
    const db::TableModel *model = m_grid.tableModel();
    return model && model->isBound() ? model->recordCount() : 0;
}

void GridNavigator::moveToRecord(long long record)
{
    if (record >= 0 && record < recordCount())
        moveTo(int(record));
}

// Already on a changed new-record line, the record is written first: the
// cursor then goes to the new-record line below it.
void GridNavigator::moveToNewRecordLine()
{
    const db::TableModel *model = m_grid.tableModel();
    if (!model || !model->isBound() || !model->hasNewRecordLine())
        return;
    m_grid.writeNewRecordLine();
    moveTo(model->newRecordRow());
}

// Leaving a changed row on the way may fail; the grid then keeps the cursor
// on that row, and so does this.
void GridNavigator::moveTo(int row)
{
    const QModelIndex target = m_grid.model()->index(row, 0);
    m_grid.setCurrentIndex(target);
    m_grid.scrollTo(m_grid.currentIndex());
    m_grid.setFocus();
}

} // namespace ui
