#pragma once

#include "db/sql/cellcodec.h"
#include "db/client/connection.h"
#include "db/sql/sqltext.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace db {

// Reads a whole table once, from first row to last, in the order the grid
// shows it, with every cell as the grid's text code writes it. For exports:
// a fresh attachment and a read-only read-committed transaction of its own,
// so a long export never waits on writers and holds back no garbage
// collection. One thread at a time; cancel() may come from any thread.
class TableCursor
{
public:
    // One row: the shown columns' texts, NULL flags and raw cells (a cell's
    // bytes stay valid until the next call of next()).
    struct Row
    {
        std::vector<QString> texts;
        std::vector<bool> nulls;
        std::vector<Cell> cells;
    };

    TableCursor(const QString &connectionString, const sql::TableRead &read);
    ~TableCursor();

    // Attaches and opens the cursor. Throws DbError.
    void open();
    // The columns the grid shows (a keyless table's RDB$DB_KEY is left out).
    const std::vector<Column> &columns() const { return m_columns; }
    QStringList captions() const;
    // False at the end. NULL is an empty text; a text blob is read whole; a
    // binary blob is shown by its size. Throws DbError.
    bool next(Row &row);
    // Interrupts a running server call; next() then throws.
    void cancel();

private:
    QString cellText(const Column &column, const Cell &cell);

    QString m_connectionString;
    sql::TableRead m_read;
    std::unique_ptr<Attachment> m_attachment;
    std::unique_ptr<Transaction> m_transaction;
    std::unique_ptr<Statement> m_statement;
    std::unique_ptr<Cursor> m_cursor;
    std::vector<Column> m_columns;
    std::mutex m_cancelMutex;
    std::atomic<bool> m_cancelled{false};
};

} // namespace db
