#pragma once

#include "db/sql/cellcodec.h"
#include "db/client/connection.h"
#include "db/grid/tableschema.h"

#include <QString>

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

// Writes single rows of one table back, each in its own short read-committed
// nowait transaction on an attachment of its own. An update or delete must
// hit exactly one row whose guarded columns still hold the values read, or
// it is rolled back.
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

    WriteResult update(const std::vector<Cell> &original, const RowEdits &edits);
    WriteResult insert(const RowEdits &edits);
    WriteResult remove(const std::vector<Cell> &original);
    // The row as stored now, found by its primary key; nullopt when it is
    // gone, or for a keyless table (a reused RDB$DB_KEY may name another row).
    std::optional<StoredRow> reread(const std::vector<Cell> &original);

    // Blob contents for display and editing (text in UTF-8).
    QByteArray readBlob(QByteArrayView id, unsigned charSet, qint64 maxBytes = -1);
    qint64 blobSize(QByteArrayView id);

private:
    QString editParams(const RowEdits &edits, Transaction &tx, std::vector<int> &columns,
                       std::vector<Param> &params);
    std::optional<Param> editParam(int column, const CellEdit &edit, Transaction &tx,
                                   QString *error);
    std::vector<Param> keyParams(const std::vector<Cell> &original) const;
    QStringList guardColumns(const RowEdits &edits, const std::vector<Cell> &original) const;
    QStringList fieldNames(const std::vector<int> &indexes) const;
    QStringList returningColumns() const;
    StoredRow storedRow(const Statement &statement, const unsigned char *message) const;
    WriteResult run(const QString &sql, const std::vector<Param> &params, Transaction &tx,
                    bool expectOneRow);

    Attachment m_attachment;
    TableSchema m_schema;
    std::vector<Column> m_columns;
    std::vector<int> m_keyIndexes;
    bool m_canWrite = false;
};

} // namespace db
