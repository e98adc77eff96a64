#pragma once

#include "db/sql/sqltype.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// Every SQL text the program sends lives here, as plain functions.
namespace db::sql {

// A double-quoted identifier; a double quote inside the name is doubled.
QString QuoteIdentifier(const QString &name);

// The catalogue query: every relation (tables and views, system ones too;
// the '$' rule filters them), names trimmed, tables before views, by name.
QString RelationNamesQuery();

// The table editor's query: "SELECT * FROM " + quoted name + ";".
QString TableQuery(const QString &table);

// How a filter compares a column with its value. Contains is CONTAINING:
// case-insensitive, and % and _ are plain characters in it.
enum class FilterOp { Contains, Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual,
                      IsNull, IsNotNull };

// One condition of a filter: a column of the table and the value it is
// compared with, always sent as a parameter (the NULL tests take none).
struct FilterTerm
{
    QString column;
    FilterOp op = FilterOp::Equal;
    Param value;
};

// How the grid reads a table: its query with RDB$DB_KEY added as the last
// column when the table has no primary key, the filter (its terms joined by
// AND) and the server-side order.
struct TableRead
{
    QString table;
    bool withDbKey = false;     // keyless table: row identity is RDB$DB_KEY
    QStringList orderBy;        // column names, first is the sort column
    bool descending = false;    // applies to the sort column only
    QList<FilterTerm> filter{};
};
QString SelectRows(const TableRead &read);
// The filter's terms joined by AND, without WHERE; its parameters are
// ReadParams' ("" for no terms).
QString FilterCondition(const QList<FilterTerm> &filter);
QString CountRows(const QString &table);
// COUNT(*) of the rows the read returns (its filter, no order).
QString CountRows(const TableRead &read);
// The parameters of SelectRows and CountRows: the filter's values in order.
std::vector<Param> ReadParams(const TableRead &read);

// One row, 1 when the relation is a view (RDB$VIEW_BLR set), else 0; no
// row when there is no such relation (one parameter: its name).
QString RelationIsViewQuery();

// Primary key columns of a table, in key order (one parameter: table name).
QString PrimaryKeyColumnsQuery();
// Per column of a table: name, computed (1/0), identity (1/0), has default (1/0),
// then what a heading's tooltip tells: RDB$FIELD_TYPE, sub type, length in
// characters, precision, scale (all 0 for none), character set name ('' for
// none), NOT NULL (1/0), default and computed sources as text ('' for none)
// (one parameter: table name), in field position order.
QString ColumnInfoQuery();

// The foreign keys of a table, a row per column: constraint name, column,
// referenced table, referenced column, ordered by constraint and column
// position (one parameter: table name).
QString ForeignKeyColumnsQuery();
// Every CHAR or VARCHAR column of a table, in field position order
// (one parameter: table name); the caller skips the key.
QString TextColumnsQuery();
// The rows a foreign key may point at, in key order: the key columns and,
// when there is one, a label column beside them. Searching takes the text
// that the first key column starts with (cast to text) and, with a label,
// the same text again, which the label contains (CONTAINING: any case).
// Meant to be read only as far as it is shown.
QString ReferencedRowsQuery(const QString &parent, const QStringList &keyColumns,
                            const QString &labelColumn, bool searching);

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
                           const QStringList &returning, const QStringList &returnedAsText = {});
// INSERT of the given columns (DEFAULT VALUES when none) RETURNING every
// column of the table in `returning` order. Both return the columns of
// `returnedAsText` cast to VARCHAR: a time stamp with a time zone that the
// server sends as text comes back from a write in an older date format
// than from a SELECT unless it is cast.
QString InsertRow(const QString &table, const QStringList &columns,
                  const QStringList &returning, const QStringList &returnedAsText = {});
// The statement an import sends for every row: INSERT of the given columns,
// or with `matching` (the primary key) UPDATE OR INSERT ... MATCHING, which
// updates the row with the same key and inserts the others. Parameters:
// the columns' values in order.
QString ImportRow(const QString &table, const QStringList &columns,
                  const QStringList &matching);
// One row by its key, as `columns` (after a guarded write found it changed).
// Parameters: key values. Empty text without a key.
QString SelectRowByKey(const QString &table, const QStringList &columns,
                       const QStringList &keyColumns);
// Keyed delete, guarded like the update by the original values of `guard`
// columns. Parameters: key values, then guard values. Empty text without a key.
QString DeleteRow(const QString &table, const QStringList &keyColumns,
                  const QStringList &guard);

} // namespace db::sql
