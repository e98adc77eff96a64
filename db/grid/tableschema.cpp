#include "db/grid/tableschema.h"

#include "db/sql/schemasql.h"
#include "db/sql/sqltext.h"

#include <ibase.h>

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

int intAt(const Statement &statement, int column, const unsigned char *row)
{
    const Column &c = statement.columns().at(column);
    const QByteArray bytes = valueBytes(c, row);
    if (bytes.size() == sizeof(qint16)) {
        qint16 small = 0;
        std::memcpy(&small, bytes.constData(), sizeof small);
        return small;
    }
    int value = 0;
    std::memcpy(&value, bytes.constData(), std::min<size_t>(sizeof value, bytes.size()));
    return value;
}

} // namespace

QString ColumnTypeName(int fieldType, int subType, int charLength, int precision, int scale)
{
    sql::ColumnSpec described;
    switch (fieldType) {
    case 7: case 8: case 16:
        if (subType == 1 || subType == 2) {
            described.type = subType == 1 ? QStringLiteral("NUMERIC") : QStringLiteral("DECIMAL");
            described.m = QString::number(precision);
            described.d = QString::number(-scale);
        } else {
            described.type = fieldType == 7 ? QStringLiteral("SMALLINT")
                        : fieldType == 8 ? QStringLiteral("INTEGER") : QStringLiteral("INT64");
        }
        break;
    case 10: described.type = QStringLiteral("FLOAT"); break;
    case 27: described.type = QStringLiteral("DOUBLE"); break;
    case 12: described.type = QStringLiteral("DATE"); break;
    case 35: described.type = QStringLiteral("TIMESTAMP"); break;
    case 26:
        if (subType == 1 || subType == 2) {
            described.type = subType == 1 ? QStringLiteral("NUMERIC") : QStringLiteral("DECIMAL");
            described.m = QString::number(precision);
            described.d = QString::number(-scale);
        } else {
            described.type = QStringLiteral("INT128");
        }
        break;
    case 24: case 25:
        described.type = QStringLiteral("DECFLOAT");
        described.m = fieldType == 24 ? QStringLiteral("16") : QStringLiteral("34");
        break;
    case 13: return QStringLiteral("TIME");
    case 28: return QStringLiteral("TIME WITH TIME ZONE");
    case 29: return QStringLiteral("TIMESTAMP WITH TIME ZONE");
    case 23: return QStringLiteral("BOOLEAN");
    case 14: case 37:
        described.type = fieldType == 14 ? QStringLiteral("CHAR") : QStringLiteral("VARCHAR");
        described.m = QString::number(charLength);
        break;
    case 261:
        described.type = subType == 1 ? QStringLiteral("BLOB SUB_TYPE TEXT") : QStringLiteral("BLOB");
        break;
    default:
        return QStringLiteral("type %1").arg(fieldType);
    }
    const QString precisionText = sql::PrecisionText(described);
    return sql::ColumnTypeText(described.type)
           + (precisionText.isEmpty() ? QString() : QLatin1Char(' ') + precisionText);
}

TextBound TextBoundOf(int fieldType, int subType)
{
    switch (fieldType) {
    case 26: return subType == 1 || subType == 2 ? TextBound::Numeric : TextBound::Int128;
    case 24: case 25: return TextBound::DecFloat;
    case 28: return TextBound::TimeTz;
    case 29: return TextBound::TimestampTz;
    default: return TextBound::None;
    }
}

QString ColumnDescription(const QString &name, const ColumnTraits &traits, int keyPosition,
                          int keyColumns, bool readOnly)
{
    QStringList lines{name};
    QString type = traits.typeText;
    if (!traits.charSet.isEmpty())
        type += QStringLiteral(", character set ") + traits.charSet;
    if (!type.isEmpty())
        lines << type;
    lines << (traits.notNull ? QStringLiteral("NOT NULL") : QStringLiteral("NULL allowed"));
    QString defaultValue = traits.defaultSource.trimmed();
    if (defaultValue.startsWith(QLatin1String("DEFAULT"), Qt::CaseInsensitive))
        defaultValue = defaultValue.mid(7).trimmed();
    if (!defaultValue.isEmpty())
        lines << QStringLiteral("Default: ") + defaultValue;
    if (keyPosition >= 0)
        lines << (keyColumns > 1 ? QStringLiteral("Primary key, column %1 of %2")
                                       .arg(keyPosition + 1).arg(keyColumns)
                                 : QStringLiteral("Primary key"));
    if (traits.identity)
        lines << QStringLiteral("Identity: numbered by the database");
    if (traits.computed)
        lines << QStringLiteral("Computed by ") + traits.computedSource.trimmed()
                     + QStringLiteral(": read-only");
    else if (readOnly)
        lines << QStringLiteral("Read-only");
    if (!traits.references.isEmpty())
        lines << traits.references;
    return lines.join(QLatin1Char('\n'));
}

TableSchema LoadTableSchema(Transaction &tx, const QString &table)
{
    TableSchema schema;
    schema.table = table;
    Statement view(tx, sql::RelationIsViewQuery());
    Cursor viewCursor = view.openCursor(tx, {Param::text(table)});
    if (const unsigned char *row = viewCursor.fetch())
        schema.isView = flagAt(view, 0, row);
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
        traits.typeText = ColumnTypeName(intAt(info, 4, row), intAt(info, 5, row),
                                         intAt(info, 6, row), intAt(info, 7, row),
                                         intAt(info, 8, row));
        traits.bound = TextBoundOf(intAt(info, 4, row), intAt(info, 5, row));
        traits.charSet = textAt(info, 9, row);
        traits.notNull = flagAt(info, 10, row);
        traits.defaultSource = textAt(info, 11, row);
        traits.computedSource = textAt(info, 12, row);
        schema.traits.insert(textAt(info, 0, row), traits);
    }
    schema.foreignKeys = LoadForeignKeys(tx, table);
    for (const ForeignKey &key : schema.foreignKeys) {
        for (const QString &column : key.columns) {
            ColumnTraits &traits = schema.traits[column];
            if (traits.references.isEmpty())
                traits.references = ReferenceText(key);
        }
    }
    return schema;
}

void MarkTextBound(const TableSchema &schema, std::vector<Column> &columns)
{
    for (Column &column : columns) {
        const auto traits = schema.traits.constFind(column.field);
        if (traits != schema.traits.cend() && column.relation == schema.table
            && column.sqlType.type == SQL_VARYING)
            column.bound = traits->bound;
    }
}

QList<ForeignKey> LoadForeignKeys(Transaction &tx, const QString &table)
{
    QList<ForeignKey> keys;
    Statement statement(tx, sql::ForeignKeyColumnsQuery());
    Cursor cursor = statement.openCursor(tx, {Param::text(table)});
    while (const unsigned char *row = cursor.fetch()) {
        const QString name = textAt(statement, 0, row);
        if (keys.isEmpty() || keys.last().name != name)
            keys.append({name, {}, textAt(statement, 2, row), {}});
        keys.last().columns << textAt(statement, 1, row);
        keys.last().parentColumns << textAt(statement, 3, row);
    }
    return keys;
}

QString ReferenceText(const ForeignKey &key)
{
    return QStringLiteral("references %1 (%2)")
        .arg(key.parent, key.parentColumns.join(QStringLiteral(", ")));
}

const ForeignKey *TableSchema::foreignKeyOf(const QString &column) const
{
    for (const ForeignKey &key : foreignKeys) {
        if (key.columns.contains(column))
            return &key;
    }
    return nullptr;
}

} // namespace db
