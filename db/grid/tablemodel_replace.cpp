#include "db/grid/tablemodel.h"

namespace db {

namespace {

// Rows named one by one go into the statement's text: beyond this many,
// the statement would grow past what the server takes.
constexpr int MostKeyedRows = 500;

} // namespace

ReplacePlan TableModel::planReplaceAll(const ReplaceRequest &request) const
{
    if (!m_writer)
        return {};
    std::vector<bool> writable;
    for (int column = 0; column < visibleColumns(); ++column)
        writable.push_back(m_writer->isEditable(column));
    return PlanReplaceAll(m_columns, m_writer->schema(), m_read, writable, request);
}

std::vector<std::vector<Param>> TableModel::keysOfRows(const QList<int> &rows,
                                                       QString *problem) const
{
    std::vector<std::vector<Param>> keys;
    if (!m_writer || rows.size() >= recordCount())
        return keys;
    if (rows.size() > MostKeyedRows) {
        *problem = QStringLiteral("Replace All in a selection works on at most %1 rows: "
                                  "select all rows, or fewer, or filter the table.")
                       .arg(MostKeyedRows);
        return {};
    }
    for (int row : rows) {
        const Source source = sourceOf(row);
        if (source.kind != Source::Fetched && source.kind != Source::Inserted) {
            *problem = QStringLiteral("Some selected rows have not been read yet; "
                                      "try again in a moment.");
            return {};
        }
        keys.push_back(m_writer->keyParams(storedCells(row)));
    }
    return keys;
}

} // namespace db
