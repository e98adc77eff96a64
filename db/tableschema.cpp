#include "db/tableschema.h"

#include "db/sqltext.h"

#include <cstring>

namespace db {

namespace {

QString textAt(const Statement &statement, int column, const unsigned char *row)
{
    return QString::fromUtf8(valueBytes(statement.columns().at(column), row));
}

bool flagAt(const Statement &statement, int column, const unsigned char *row)
{
    const QByteArray bytes = valueBytes(statement.columns().at(column), row);
    int value = 0;
    std::memcpy(&value, bytes.constData(), std::min<size_t>(sizeof value, bytes.size()));
    return value != 0;
}

} // namespace

TableSchema LoadTableSchema(Transaction &tx, const QString &table)
{
    TableSchema schema;
    schema.table = table;
    Statement keys(tx, sql::PrimaryKeyColumnsQuery());
    Cursor keyCursor = keys.openCursor(tx, {Param::text(table)});
    while (const unsigned char *row = keyCursor.fetch())
        schema.keyColumns << textAt(keys, 0, row);

    Statement info(tx, sql::ColumnInfoQuery());
    Cursor infoCursor = info.openCursor(tx, {Param::text(table)});
    while (const unsigned char *row = infoCursor.fetch()) {
        ColumnTraits traits;
        traits.computed = flagAt(info, 1, row);
        traits.identity = flagAt(info, 2, row);
        traits.hasDefault = flagAt(info, 3, row);
        schema.traits.insert(textAt(info, 0, row), traits);
    }
    return schema;
}

} // namespace db
