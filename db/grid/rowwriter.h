#pragma once

#include "db/sql/cellcodec.h"
#include "db/client/connection.h"
#include "db/grid/tableschema.h"

#include <QString>

#include <atomic>
#include <optional>
#include <vector>

namespace db {

// One edited value: NULL, or the text the user typed, or for a binary
// BLOB the bytes it is to hold.
struct CellEdit
{
    bool null = false;
    QString text;
    std::optional<QByteArray> bytes{};
};
using RowEdits = std::vector<std::optional<CellEdit>>; // one slot per column

// A stored row as the server returned it; nullopt is NULL.
using StoredRow = std::vector<std::optional<QByteArray>>;

struct WriteResult
{
    bool ok = false;
    QString error;
    StoredRow row;
    bool stale = false;   // the guarded row was not found: changed or deleted elsewhere
    std::optional<DbError> cause{};   // the server's refusal, when it was one
};

// The statement that deletes one row and its values (key, then guard), so
// that many deletes can be sent in one transaction on another attachment.
struct RowDelete
{
    QString sql;
    std::vector<Param> params;
};

// A row to write: an insert of the edits, or an update of the row as read.
struct RowWrite
{
    bool insert = false;
    StoredRow original;   // updates: the row's values as read
    RowEdits edits;
};

std::vector<Cell> CellsOf(const StoredRow &row);   // views into row
StoredRow StoredRowOf(const std::vector<Cell> &cells);   // copies

// Writes rows of one table back, each in its own short read-committed
// nowait transaction (or a batch of them in one) on an attachment of its
// own. An update or delete must hit exactly one row whose guarded columns
// still hold the values read, or it is rolled back. When the attachment is
// lost (the server went away), the call fails with the client's message and
// the next call attaches anew; a failed write is never repeated behind the
// caller's back.
class RowWriter
{
public:
    // Attaches and reads the table's key and column traits; throws DbError.
    RowWriter(const QString &connectionString, const QString &table);

    const TableSchema &schema() const { return m_schema; }
    // The columns a query would return, without running it.
    std::vector<Column> describe(const QString &sql);
    // The columns the rows were read with (RDB$DB_KEY last for a keyless table).
    void setColumns(const std::vector<Column> &columns);
    const std::vector<Column> &columns() const { return m_columns; }
    int visibleColumnCount() const;
    bool canWrite() const { return m_canWrite; }
    bool isEditable(int column) const;
    // A BLOB column whose value may be replaced as a whole (text or bytes).
    bool isWritableBlob(int column) const;
    std::vector<int> keyIndexes() const { return m_keyIndexes; }
    // The values that find a row as read: its key, or RDB$DB_KEY.
    std::vector<Param> keyParams(const std::vector<Cell> &original) const;

    WriteResult update(const std::vector<Cell> &original, const RowEdits &edits);
    WriteResult insert(const RowEdits &edits);
    WriteResult remove(const std::vector<Cell> &original);
    WriteResult write(const RowWrite &row);   // update or insert, on its own
    // Writes the rows in one transaction; each update must hit exactly one
    // row. True when committed: every row, or when cancelled between rows
    // the first ones, with a result each (the rows as stored). Any failure
    // rolls the whole batch back: false, no results.
    bool writeBatch(const std::vector<RowWrite> &rows, const std::atomic<bool> &cancelled,
                    std::vector<WriteResult> &results);
    // What remove would send; an empty sql when the table's rows cannot be
    // deleted here.
    RowDelete deleteOf(const std::vector<Cell> &original) const;
    // Deletes one row in a transaction of its own on the given attachment;
    // used by remove and by a batch that has to go row by row.
    static WriteResult removeOn(Attachment &attachment, const RowDelete &row);
    // Deletes the rows in one transaction; each must hit exactly one row.
    // True when committed: every row, or when cancelled between rows the
    // first `done` of them. Any failure rolls the whole batch back: false,
    // and done is 0.
    static bool removeBatch(Attachment &attachment, const std::vector<RowDelete> &rows,
                            const std::atomic<bool> &cancelled, int &done);
    // The row as stored now, found by its primary key; nullopt when it is
    // gone, or for a keyless table (a reused RDB$DB_KEY may name another row).
    std::optional<StoredRow> reread(const std::vector<Cell> &original);

    // Blob contents for display and editing (text in UTF-8).
    QByteArray readBlob(QByteArrayView id, unsigned charSet);
    qint64 blobSize(QByteArrayView id);

private:
    QString editParams(const RowEdits &edits, Transaction &tx, std::vector<int> &columns,
                       std::vector<Param> &params);
    std::optional<Param> editParam(int column, const CellEdit &edit, Transaction &tx,
                                   QString *error);
    QStringList guardColumns(const RowEdits &edits, const std::vector<Cell> &original) const;
    QStringList fieldNames(const std::vector<int> &indexes) const;
    QStringList returningColumns() const;
    QStringList castReturned() const;   // returned as text in SELECT's format
    StoredRow storedRow(const Statement &statement, const unsigned char *message) const;
    // The statement inside tx, which the caller commits or rolls back.
    WriteResult execute(const QString &sql, const std::vector<Param> &params, Transaction &tx,
                        bool expectOneRow);
    WriteResult updateIn(Transaction &tx, const std::vector<Cell> &original,
                         const RowEdits &edits);
    WriteResult insertIn(Transaction &tx, const RowEdits &edits);
    WriteResult committed(Transaction &tx, WriteResult result);
    // The attachment, attached anew when the last one was lost; throws DbError.
    Attachment &attachment();
    const DbError &noteFailure(const DbError &error);

    QString m_connectionString;
    Attachment m_attachment;
    bool m_lost = false;
    TableSchema m_schema;
    std::vector<Column> m_columns;
    std::vector<int> m_keyIndexes;
    bool m_canWrite = false;
};

} // namespace db
