#pragma once

#include "db/sql/sqltext.h"
#include "db/sql/sqltype.h"

#include <QString>

namespace db {

// One filter box's text read for its column. ok: term holds the condition
// (its value typed for the column) and shown says it in words; otherwise
// error says why the text cannot be a filter of that column.
struct ParsedFilter
{
    bool ok = false;
    sql::FilterTerm term;
    QString shown;
    QString error;
};

// "NULL" and "NOT NULL" (any case) test for NULL; "=", "<>", "<", ">",
// "<=", ">=" compare with the value after them; any other text means
// "contains" (case-insensitive) on a text column and "equals" on the others.
// Binary BLOBs and arrays take only the NULL tests; text BLOBs also
// "contains". Blank text is no filter (ok, empty term column).
ParsedFilter ParseFilter(const Column &column, const QString &text);

} // namespace db
