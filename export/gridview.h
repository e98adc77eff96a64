#pragma once

#include "db/grid/tablecursor.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace exports {

using Row = db::TableCursor::Row;

// What an export reads of the editor's grid: its captions and its rows as
// the grid shows them, every row once, from the first, in the grid's order.
// open(), columns(), captions() and nextRow() run on the export's own
// thread; cancel() may come from any thread.
class GridView
{
public:
    virtual ~GridView() = default;

    // The number of rows, for progress: what the grid knows, -1 if nothing.
    virtual qint64 rowCount() const = 0;
    virtual void open() = 0;
    virtual const std::vector<db::Column> &columns() const = 0;
    virtual QStringList captions() const = 0;
    // False after the last row.
    virtual bool nextRow(Row &row) = 0;
    virtual void cancel() = 0;
};

// The grid of a table, read again through a fresh cursor on the grid's
// own query and order, so an export streams in constant memory.
class TableGridView : public GridView
{
public:
    TableGridView(const QString &connectionString, const db::sql::TableRead &read,
                  qint64 rowCount);

    qint64 rowCount() const override { return m_rowCount; }
    void open() override { m_cursor.open(); }
    const std::vector<db::Column> &columns() const override { return m_cursor.columns(); }
    QStringList captions() const override { return m_cursor.captions(); }
    bool nextRow(Row &row) override { return m_cursor.next(row); }
    void cancel() override { m_cursor.cancel(); }

private:
    db::TableCursor m_cursor;
    qint64 m_rowCount;
};

} // namespace exports
