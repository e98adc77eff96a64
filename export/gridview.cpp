#include "export/gridview.h"

namespace exports {

TableGridView::TableGridView(const QString &connectionString, const db::sql::TableRead &read,
                             qint64 rowCount)
    : m_cursor(connectionString, read), m_rowCount(rowCount)
{
}

} // namespace exports
