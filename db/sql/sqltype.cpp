#include "db/sql/sqltype.h"

#include <ibase.h>

namespace db {

Param Param::text(const QString &value)
{
    return bytes(value.toUtf8(), CsUtf8);
}

Param Param::bytes(const QByteArray &value, unsigned charSet)
{
    Param p;
    p.type.type = SQL_VARYING;
    p.type.charSet = charSet;
    p.data = value;
    return p;
}

Param Param::int32(qint32 value)
{
    Param p;
    p.type.type = SQL_LONG;
    p.type.length = sizeof value;
    p.data = QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
    return p;
}

Param Param::nullOf(const SqlType &type)
{
    Param p;
    p.type = type;
    if (p.type.type == SQL_TEXT || p.type.type == SQL_VARYING) {
        p.type.type = SQL_VARYING;
        p.data = QByteArray(1, ' ');
    }
    p.null = true;
    return p;
}

Param Param::native(const SqlType &type, const QByteArray &data)
{
    Param p;
    p.type = type;
    p.data = data;
    return p;
}

bool IsCharacterColumn(const Column &column)
{
    return (column.sqlType.type == SQL_TEXT || column.sqlType.type == SQL_VARYING)
           && column.bound == TextBound::None;
}

} // namespace db
