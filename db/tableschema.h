#pragma once

#include "db/connection.h"

#include <QHash>
#include <QStringList>

namespace db {

struct ColumnTraits
{
    bool computed = false;
    bool identity = false;
    bool hasDefault = false;
};

// What the grid needs to know of a table to write its rows back.
struct TableSchema
{
    QString table;
    QStringList keyColumns;           // primary key, in key order
    QHash<QString, ColumnTraits> traits;

    // Without a primary key a row is identified by RDB$DB_KEY.
    bool keyless() const { return keyColumns.isEmpty(); }
};

TableSchema LoadTableSchema(Transaction &tx, const QString &table);

} // namespace db
