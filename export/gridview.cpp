#include "export/gridview.h"

namespace exports {

TableGridView::TableGridView(const QString &connectionString, const db::sql::TableRead &read,
                             qint64 rowCount)
    : m_cursor(connectionString, read), m_rowCount(rowCount)
{
}

SelectedRowsView::SelectedRowsView(std::unique_ptr<GridView> all, std::vector<db::RowSpan> spans)
    : m_all(std::move(all)), m_spans(std::move(spans))
{
    for (const db::RowSpan &span : m_spans)
        m_count += span.size();
}

bool SelectedRowsView::nextRow(Row &row)
{
    while (m_span < m_spans.size()) {
        const db::RowSpan &span = m_spans[m_span];
        if (m_position > span.last) {
            ++m_span;
            continue;
        }
        if (!m_all->nextRow(row))
            return false;
        if (m_position++ >= span.first)
            return true;
    }
    return false;
}

} // namespace exports
