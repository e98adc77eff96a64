#pragma once

#include <QString>
#include <QStringList>

// Every SQL text the program sends lives here, as plain functions.
namespace db::sql {

// A double-quoted identifier; a double quote inside the name is doubled.
QString QuoteIdentifier(const QString &name);

// The catalogue query: every relation (tables and views, system ones too;
// the '$' rule filters them), names trimmed, tables before views, by name.
QString RelationNamesQuery();

// The table editor's query: "SELECT * FROM " + quoted name + ";".
QString TableQuery(const QString &table);

// How the grid reads a table: its query with RDB$DB_KEY added as the last
// column when the table has no primary key, and the server-side order.
struct TableRead
{
    QString table;
    bool withDbKey = false;     // keyless table: row identity is RDB$DB_KEY
    QStringList orderBy;        // column names, first is the sort column
    bool descending = false;    // applies to the sort column only
};
QString SelectRows(const TableRead &read);
QString CountRows(const QString &table);

// Primary key columns of a table, in key order (one parameter: table name).
QString PrimaryKeyColumnsQuery();
// Per column of a table: name, computed (1/0), identity (1/0), has default (1/0)
// (one parameter: table name), in field position order.
QString ColumnInfoQuery();

// Optimistic single-row update: SET the changed columns WHERE the key
// columns equal their parameters and every guard column still holds its
// original value (NULL-safe: IS NOT DISTINCT FROM), RETURNING the row as
// stored (no RETURNING when `returning` is empty). A keyless table guards
// every comparable column, since a deleted row's RDB$DB_KEY is reused; the
// key "RDB$DB_KEY" is written unquoted. Parameters: new values, key values,
// guard originals. Empty text when `changed` or `keyColumns` is empty (no
// statement may touch more than the one row).
QString UpdateRowReturning(const QString &table, const QStringList &changed,
                           const QStringList &keyColumns, const QStringList &guard,
                           const QStringList &returning);
// INSERT of the given columns (DEFAULT VALUES when none) RETURNING every
// column of the table in `returning` order.
QString InsertRow(const QString &table, const QStringList &columns,
                  const QStringList &returning);
// One row by its key, as `columns` (after a guarded write found it changed).
// Parameters: key values. Empty text without a key.
QString SelectRowByKey(const QString &table, const QStringList &columns,
                       const QStringList &keyColumns);
// Keyed delete, guarded like the update by the original values of `guard`
// columns. Parameters: key values, then guard values. Empty text without a key.
QString DeleteRow(const QString &table, const QStringList &keyColumns,
                  const QStringList &guard);

} // namespace db::sql
