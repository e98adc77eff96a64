#include "db/sql/sqltext.h"

namespace db::sql {

namespace {

const QString DbKey = QStringLiteral("RDB$DB_KEY");

// RDB$DB_KEY is a pseudo column: quoted it would name a user column.
QString ColumnRef(const QString &name)
{
    return name == DbKey ? name : QuoteIdentifier(name);
}

// "A" = ?, "B" = ? (joined by separator)
QString Assignments(const QStringList &columns, const QString &op, const QString &separator)
{
    QStringList parts;
    parts.reserve(columns.size());
    for (const QString &column : columns)
        parts << ColumnRef(column) + op;
    return parts.join(separator);
}

QString ColumnList(const QStringList &columns)
{
    QStringList parts;
    parts.reserve(columns.size());
    for (const QString &column : columns)
        parts << ColumnRef(column);
    return parts.join(QStringLiteral(", "));
}

// WHERE part of the keyed, optimistic statements: key columns by value,
// guarded columns NULL-safe against their original values.
QString KeyAndGuard(const QStringList &keyColumns, const QStringList &guard)
{
    QString where = Assignments(keyColumns, QStringLiteral(" = ?"), QStringLiteral(" AND "));
    if (!guard.isEmpty())
        where += QStringLiteral(" AND ")
                 + Assignments(guard, QStringLiteral(" IS NOT DISTINCT FROM ?"),
                               QStringLiteral(" AND "));
    return where;
}

// " WHERE a AND b", or nothing without a filter.
QString FilterClause(const QList<FilterTerm> &filter)
{
    return filter.isEmpty() ? QString() : QStringLiteral(" WHERE ") + FilterCondition(filter);
}

bool TakesValue(FilterOp op)
{
    return op != FilterOp::IsNull && op != FilterOp::IsNotNull;
}

} // namespace

QString FilterCondition(const QList<FilterTerm> &filter)
{
    QStringList terms;
    for (const FilterTerm &term : filter) {
        const QString column = ColumnRef(term.column);
        switch (term.op) {
        case FilterOp::Contains: terms << column + QStringLiteral(" CONTAINING ?"); break;
        case FilterOp::Equal: terms << column + QStringLiteral(" = ?"); break;
        case FilterOp::NotEqual: terms << column + QStringLiteral(" <> ?"); break;
        case FilterOp::Less: terms << column + QStringLiteral(" < ?"); break;
        case FilterOp::Greater: terms << column + QStringLiteral(" > ?"); break;
        case FilterOp::LessEqual: terms << column + QStringLiteral(" <= ?"); break;
        case FilterOp::GreaterEqual: terms << column + QStringLiteral(" >= ?"); break;
        case FilterOp::IsNull: terms << column + QStringLiteral(" IS NULL"); break;
        case FilterOp::IsNotNull: terms << column + QStringLiteral(" IS NOT NULL"); break;
        }
    }
    return terms.join(QStringLiteral(" AND "));
}

QString QuoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString RelationNamesQuery()
{
    // Leading blanks of a quoted name are part of it; only the CHAR padding goes.
    return QStringLiteral(
        "SELECT TRIM(TRAILING FROM RDB$RELATION_NAME) AS NAME"
        " FROM RDB$RELATIONS"
        " ORDER BY CASE WHEN RDB$VIEW_BLR IS NULL THEN 0 ELSE 1 END, 1");
}

QString TableQuery(const QString &table)
{
    return QStringLiteral("SELECT * FROM ") + QuoteIdentifier(table) + QLatin1Char(';');
}

QString SelectRows(const TableRead &read)
{
    const QString table = QuoteIdentifier(read.table);
    // A keyed table in its natural order is read with the editor's own query.
    if (!read.withDbKey && read.orderBy.isEmpty() && read.filter.isEmpty())
        return TableQuery(read.table);
    QString sql = read.withDbKey
        ? QStringLiteral("SELECT %1.*, %1.RDB$DB_KEY FROM %1").arg(table)
        : QStringLiteral("SELECT * FROM ") + table;
    sql += FilterClause(read.filter);
    if (read.orderBy.isEmpty())
        return sql;
    QStringList order;
    order.reserve(read.orderBy.size());
    for (qsizetype i = 0; i < read.orderBy.size(); ++i) {
        const QString &column = read.orderBy.at(i);
        QString item = column == DbKey ? table + QLatin1Char('.') + column
                                       : QuoteIdentifier(column);
        if (i == 0 && read.descending)
            item += QStringLiteral(" DESC");
        order << item;
    }
    return sql + QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
}

QString CountRows(const QString &table)
{
    return QStringLiteral("SELECT COUNT(*) FROM ") + QuoteIdentifier(table);
}

QString CountRows(const TableRead &read)
{
    return CountRows(read.table) + FilterClause(read.filter);
}

std::vector<Param> ReadParams(const TableRead &read)
{
    std::vector<Param> params;
    for (const FilterTerm &term : read.filter) {
        if (TakesValue(term.op))
            params.push_back(term.value);
    }
    return params;
}

QString RelationIsViewQuery()
{
    return QStringLiteral(
        "SELECT CASE WHEN RDB$VIEW_BLR IS NULL THEN 0 ELSE 1 END AS IS_VIEW"
        " FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?");
}

QString PrimaryKeyColumnsQuery()
{
    return QStringLiteral(
        "SELECT TRIM(TRAILING FROM S.RDB$FIELD_NAME) AS NAME"
        " FROM RDB$RELATION_CONSTRAINTS C"
        " JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME"
        " WHERE C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' AND C.RDB$RELATION_NAME = ?"
        " ORDER BY S.RDB$FIELD_POSITION");
}

QString ColumnInfoQuery()
{
    return QStringLiteral(
        "SELECT TRIM(TRAILING FROM RF.RDB$FIELD_NAME) AS NAME,"
        " CASE WHEN F.RDB$COMPUTED_BLR IS NULL THEN 0 ELSE 1 END AS IS_COMPUTED,"
        " CASE WHEN RF.RDB$IDENTITY_TYPE IS NULL THEN 0 ELSE 1 END AS IS_IDENTITY,"
        " CASE WHEN RF.RDB$DEFAULT_SOURCE IS NULL AND F.RDB$DEFAULT_SOURCE IS NULL"
        " THEN 0 ELSE 1 END AS HAS_DEFAULT,"
        " F.RDB$FIELD_TYPE, COALESCE(F.RDB$FIELD_SUB_TYPE, 0),"
        " COALESCE(F.RDB$CHARACTER_LENGTH, 0), COALESCE(F.RDB$FIELD_PRECISION, 0),"
        " COALESCE(F.RDB$FIELD_SCALE, 0),"
        " COALESCE(TRIM(TRAILING FROM CS.RDB$CHARACTER_SET_NAME), ''),"
        " CASE WHEN COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0) = 1 THEN 1 ELSE 0 END,"
        " COALESCE(CAST(COALESCE(RF.RDB$DEFAULT_SOURCE, F.RDB$DEFAULT_SOURCE)"
        " AS VARCHAR(8000)), ''),"
        " COALESCE(CAST(F.RDB$COMPUTED_SOURCE AS VARCHAR(8000)), '')"
        " FROM RDB$RELATION_FIELDS RF"
        " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
        " LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID"
        " AND F.RDB$FIELD_TYPE IN (14, 37, 261)"
        " WHERE RF.RDB$RELATION_NAME = ?"
        " ORDER BY RF.RDB$FIELD_POSITION");
}

static QString ReturningList(const QStringList &columns, const QStringList &asText)
{
    QStringList parts;
    for (const QString &column : columns) {
        parts << (asText.contains(column)
                      ? QStringLiteral("CAST(") + ColumnRef(column) + QStringLiteral(" AS VARCHAR(80))")
                      : ColumnRef(column));
    }
    return parts.join(QStringLiteral(", "));
}

QString ForeignKeyColumnsQuery()
{
    return QStringLiteral(
        "SELECT TRIM(TRAILING FROM C.RDB$CONSTRAINT_NAME),"
        " TRIM(TRAILING FROM S.RDB$FIELD_NAME),"
        " TRIM(TRAILING FROM P.RDB$RELATION_NAME),"
        " TRIM(TRAILING FROM PS.RDB$FIELD_NAME)"
        " FROM RDB$RELATION_CONSTRAINTS C"
        " JOIN RDB$REF_CONSTRAINTS R ON R.RDB$CONSTRAINT_NAME = C.RDB$CONSTRAINT_NAME"
        " JOIN RDB$RELATION_CONSTRAINTS P ON P.RDB$CONSTRAINT_NAME = R.RDB$CONST_NAME_UQ"
        " JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME"
        " JOIN RDB$INDEX_SEGMENTS PS ON PS.RDB$INDEX_NAME = P.RDB$INDEX_NAME"
        " AND PS.RDB$FIELD_POSITION = S.RDB$FIELD_POSITION"
        " WHERE C.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY' AND C.RDB$RELATION_NAME = ?"
        " ORDER BY C.RDB$CONSTRAINT_NAME, S.RDB$FIELD_POSITION");
}

QString TextColumnsQuery()
{
    return QStringLiteral(
        "SELECT TRIM(TRAILING FROM RF.RDB$FIELD_NAME)"
        " FROM RDB$RELATION_FIELDS RF"
        " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
        " WHERE RF.RDB$RELATION_NAME = ? AND F.RDB$FIELD_TYPE IN (14, 37)"
        " ORDER BY RF.RDB$FIELD_POSITION");
}

QString ReferencedRowsQuery(const QString &parent, const QStringList &keyColumns,
                            const QString &labelColumn, bool searching)
{
    QStringList shown = keyColumns;
    if (!labelColumn.isEmpty())
        shown << labelColumn;
    QString sql = QStringLiteral("SELECT ") + ColumnList(shown) + QStringLiteral(" FROM ")
                  + QuoteIdentifier(parent);
    if (searching && !keyColumns.isEmpty()) {
        sql += QStringLiteral(" WHERE CAST(") + QuoteIdentifier(keyColumns.first())
               + QStringLiteral(" AS VARCHAR(100)) STARTING WITH ?");
        if (!labelColumn.isEmpty())
            sql += QStringLiteral(" OR ") + QuoteIdentifier(labelColumn)
                   + QStringLiteral(" CONTAINING ?");
    }
    return sql + QStringLiteral(" ORDER BY ") + ColumnList(keyColumns);
}

QString UpdateRowReturning(const QString &table, const QStringList &changed,
                           const QStringList &keyColumns, const QStringList &guard,
                           const QStringList &returning, const QStringList &returnedAsText)
{
    if (changed.isEmpty() || keyColumns.isEmpty())
        return {};
    QString sql = QStringLiteral("UPDATE ") + QuoteIdentifier(table) + QStringLiteral(" SET ")
                  + Assignments(changed, QStringLiteral(" = ?"), QStringLiteral(", "))
                  + QStringLiteral(" WHERE ") + KeyAndGuard(keyColumns, guard);
    if (!returning.isEmpty())
        sql += QStringLiteral(" RETURNING ") + ReturningList(returning, returnedAsText);
    return sql;
}

QString InsertRow(const QString &table, const QStringList &columns,
                  const QStringList &returning, const QStringList &returnedAsText)
{
    QString sql = QStringLiteral("INSERT INTO ") + QuoteIdentifier(table);
    if (columns.isEmpty()) {
        sql += QStringLiteral(" DEFAULT VALUES");
    } else {
        QStringList marks;
        marks.fill(QStringLiteral("?"), columns.size());
        sql += QStringLiteral(" (") + ColumnList(columns) + QStringLiteral(") VALUES (")
               + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    if (!returning.isEmpty())
        sql += QStringLiteral(" RETURNING ") + ReturningList(returning, returnedAsText);
    return sql;
}

QString ImportRow(const QString &table, const QStringList &columns,
                  const QStringList &matching)
{
    if (matching.isEmpty())
        return InsertRow(table, columns, {});
    QStringList marks;
    marks.fill(QStringLiteral("?"), columns.size());
    return QStringLiteral("UPDATE OR INSERT INTO ") + QuoteIdentifier(table)
           + QStringLiteral(" (") + ColumnList(columns) + QStringLiteral(") VALUES (")
           + marks.join(QStringLiteral(", ")) + QStringLiteral(") MATCHING (")
           + ColumnList(matching) + QLatin1Char(')');
}

QString SelectRowByKey(const QString &table, const QStringList &columns,
                       const QStringList &keyColumns)
{
    if (columns.isEmpty() || keyColumns.isEmpty())
        return {};
    return QStringLiteral("SELECT ") + ColumnList(columns) + QStringLiteral(" FROM ")
           + QuoteIdentifier(table) + QStringLiteral(" WHERE ") + KeyAndGuard(keyColumns, {});
}

QString DeleteRow(const QString &table, const QStringList &keyColumns,
                  const QStringList &guard)
{
    if (keyColumns.isEmpty())
        return {};
    return QStringLiteral("DELETE FROM ") + QuoteIdentifier(table) + QStringLiteral(" WHERE ")
           + KeyAndGuard(keyColumns, guard);
}

} // namespace db::sql
