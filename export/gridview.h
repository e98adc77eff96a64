#pragma once

#include "db/grid/batchjob.h"
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

// Only the rows of another view at the given positions: spans of rows in
// its order, ascending and apart (as the grid's selection gives them).
class SelectedRowsView : public GridView
{
public:
    SelectedRowsView(std::unique_ptr<GridView> all, std::vector<db::RowSpan> spans);

    qint64 rowCount() const override { return m_count; }
    void open() override { m_all->open(); }
    const std::vector<db::Column> &columns() const override { return m_all->columns(); }
    QStringList captions() const override { return m_all->captions(); }
    bool nextRow(Row &row) override;
    void cancel() override { m_all->cancel(); }

private:
    std::unique_ptr<GridView> m_all;
    std::vector<db::RowSpan> m_spans;
    qint64 m_count = 0;
    size_t m_span = 0;
    qint64 m_position = 0;   // of the next row m_all gives
};

} // namespace exports
