#pragma once

#include "db/client/connection.h"
#include "db/sql/cellcodec.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace db {

// A column of the open table as an import sees it: how the grid reads it,
// and whether the database fills it itself.
struct ImportTarget
{
    Column column;
    bool identity = false;
    bool computed = false;
    bool inKey = false;
    QString charSet;   // text columns: the character set's name ("WIN1252")
};

// The table's columns for an import, in table order (what the grid shows).
std::vector<ImportTarget> LoadImportTargets(const QString &connectionString,
                                            const QString &table);

// Writes imported rows into one table: an attachment and one transaction of
// its own, one statement prepared once and executed row by row with a
// message laid out once. A refused row undoes only itself, so the caller
// decides whether the transaction goes on or is rolled back. Any thread,
// one at a time.
class RowImporter
{
public:
    // `columns` are the columns the values are for; with `matching` (the
    // primary key) a row whose key exists is updated instead. Throws DbError.
    RowImporter(const QString &connectionString, const QString &table,
                const std::vector<Column> &columns, const QStringList &matching);
    ~RowImporter();

    // One row, a value per column (ParseCellText's bytes, or null). Throws
    // DbError when the server refuses it.
    void write(const std::vector<ParsedCell> &values);
    void commit();
    void rollback();

private:
    struct Message;
    void put(unsigned index, const ParsedCell &value);

    Attachment m_attachment;
    std::unique_ptr<Transaction> m_transaction;
    std::unique_ptr<Statement> m_statement;
    std::vector<Column> m_columns;
    std::unique_ptr<Message> m_message;
};

} // namespace db
