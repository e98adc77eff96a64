#pragma once

#include "db/sql/sqltext.h"

#include <vector>

namespace db::sql {

// A statement's text with its parameter values, built together so that
// the two cannot fall out of step.
struct BoundSql
{
    QString sql;
    std::vector<Param> params;
};

// One column a replace-all works on, with the values it compares and
// writes: text for a text column, the column's own type otherwise.
struct ReplaceColumn
{
    QString name;
    bool text = true;      // CHAR, VARCHAR or a text BLOB
    int maxLength = 0;     // CHAR and VARCHAR: characters it holds; 0 for no limit
    Param find;
    Param replacement;
};

// Replacing a text in the cells of some columns of a table, on the server.
// Text columns: every occurrence (REPLACE, so case-sensitive), or cells
// equal to it (any case unless matchCase). Other columns: whole cells
// only. Only rows the grid's filter shows; with rowKeys, only those rows
// (values of keyColumns each).
struct ReplaceAll
{
    QString table;
    std::vector<ReplaceColumn> columns;
    bool matchCase = true;
    bool wholeCell = false;
    QList<FilterTerm> filter;
    QStringList keyColumns;
    std::vector<std::vector<Param>> rowKeys;
};

// One row: the rows that will change, then per column the rows where it
// matches and the rows whose replaced text would be longer than the
// column holds (0 where there is no limit); trailing blanks do not count,
// as the server drops them where they do not fit.
BoundSql ReplaceAllCount(const ReplaceAll &replace);
// The one UPDATE of every matching row.
BoundSql ReplaceAllUpdate(const ReplaceAll &replace);
// The condition that finds a cell of the column: "POSITION(? IN "C") > 0".
BoundSql ReplaceMatch(const ReplaceColumn &column, bool matchCase, bool wholeCell);

} // namespace db::sql
