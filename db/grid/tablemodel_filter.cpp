#include "db/grid/tablemodel.h"

#include "db/sql/tablefilter.h"

namespace db {

QString TableModel::setFilter(const QStringList &texts)
{
    if (!m_writer || m_sorting)
        return {};
    QList<sql::FilterTerm> terms;
    QStringList shown;
    for (int column = 0; column < visibleColumns() && column < texts.size(); ++column) {
        const ParsedFilter parsed = ParseFilter(m_columns[column], texts[column]);
        if (!parsed.ok)
            return parsed.error;
        if (!parsed.term.column.isEmpty()) {
            terms << parsed.term;
            shown << parsed.shown;
        }
    }
    if (terms.isEmpty() && m_read.filter.isEmpty())
        return {};
    if (!submitAll())
        return QStringLiteral("Save or revert the unsaved rows before filtering.");
    sql::TableRead read = m_read;
    read.filter = terms;
    m_sortRead = read;
    m_nextFilterText = shown.join(QStringLiteral(" and "));
    m_sorting = true;
    emit busyChanged(true);
    startReader(read);
    return {};
}

} // namespace db
