#include "db/sql/replacesql.h"

namespace db::sql {

namespace {

void Append(BoundSql &to, const BoundSql &part)
{
    to.sql += part.sql;
    to.params.insert(to.params.end(), part.params.begin(), part.params.end());
}

// The cell's value after the replace.
BoundSql Replaced(const ReplaceColumn &column, bool matchCase, bool wholeCell)
{
    const QString name = QuoteIdentifier(column.name);
    if (!wholeCell && column.text)
        return {QStringLiteral("REPLACE(%1, ?, ?)").arg(name), {column.find, column.replacement}};
    BoundSql value{QStringLiteral("CASE WHEN "), {}};
    Append(value, ReplaceMatch(column, matchCase, true));
    value.sql += QStringLiteral(" THEN ? ELSE %1 END").arg(name);
    value.params.push_back(column.replacement);
    return value;
}

// The rows a replace-all looks at: the filter's, the given keys', and
// those where some column matches.
BoundSql RowsWhere(const ReplaceAll &replace)
{
    BoundSql where{QStringLiteral(" WHERE ("), {}};
    for (int i = 0; i < int(replace.columns.size()); ++i) {
        if (i > 0)
            where.sql += QStringLiteral(" OR ");
        Append(where, ReplaceMatch(replace.columns[i], replace.matchCase, replace.wholeCell));
    }
    where.sql += QLatin1Char(')');
    // The filter's own condition, as the grid reads it.
    if (!replace.filter.isEmpty()) {
        where.sql += QStringLiteral(" AND ") + FilterCondition(replace.filter);
        const std::vector<Param> params = ReadParams({replace.table, false, {}, false,
                                                      replace.filter});
        where.params.insert(where.params.end(), params.begin(), params.end());
    }
    if (replace.rowKeys.empty())
        return where;
    QStringList rows;
    for (const std::vector<Param> &key : replace.rowKeys) {
        QStringList parts;
        for (const QString &column : replace.keyColumns)
            parts << (column == QStringLiteral("RDB$DB_KEY") ? column : QuoteIdentifier(column))
                         + QStringLiteral(" = ?");
        rows << QLatin1Char('(') + parts.join(QStringLiteral(" AND ")) + QLatin1Char(')');
        where.params.insert(where.params.end(), key.begin(), key.end());
    }
    where.sql += QStringLiteral(" AND (") + rows.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    return where;
}

} // namespace

BoundSql ReplaceMatch(const ReplaceColumn &column, bool matchCase, bool wholeCell)
{
    const QString name = QuoteIdentifier(column.name);
    if (!column.text) {
        if (wholeCell)
            return {name + QStringLiteral(" = ?"), {column.find}};
        // Only to find cells a part of which cannot be replaced.
        return {QStringLiteral("CAST(%1 AS VARCHAR(100)) CONTAINING ?").arg(name), {column.find}};
    }
    if (wholeCell && matchCase)
        return {name + QStringLiteral(" = ?"), {column.find}};
    if (wholeCell)
        return {QStringLiteral("UPPER(%1) = UPPER(?)").arg(name), {column.find}};
    if (matchCase)
        return {QStringLiteral("POSITION(? IN %1) > 0").arg(name), {column.find}};
    return {name + QStringLiteral(" CONTAINING ?"), {column.find}};
}

BoundSql ReplaceAllCount(const ReplaceAll &replace)
{
    BoundSql count{QStringLiteral("SELECT COUNT(*)"), {}};
    for (const ReplaceColumn &column : replace.columns) {
        count.sql += QStringLiteral(", SUM(IIF(");
        Append(count, ReplaceMatch(column, replace.matchCase, replace.wholeCell));
        count.sql += QStringLiteral(", 1, 0))");
        if (!column.text || column.maxLength <= 0 || replace.wholeCell) {
            count.sql += QStringLiteral(", 0");
            continue;
        }
        count.sql += QStringLiteral(", SUM(IIF(CHAR_LENGTH(TRIM(TRAILING FROM ");
        Append(count, Replaced(column, replace.matchCase, replace.wholeCell));
        count.sql += QStringLiteral(")) > %1, 1, 0))").arg(column.maxLength);
    }
    count.sql += QStringLiteral(" FROM ") + QuoteIdentifier(replace.table);
    Append(count, RowsWhere(replace));
    return count;
}

BoundSql ReplaceAllUpdate(const ReplaceAll &replace)
{
    BoundSql update{QStringLiteral("UPDATE %1 SET ").arg(QuoteIdentifier(replace.table)), {}};
    for (int i = 0; i < int(replace.columns.size()); ++i) {
        if (i > 0)
            update.sql += QStringLiteral(", ");
        update.sql += QuoteIdentifier(replace.columns[i].name) + QStringLiteral(" = ");
        Append(update, Replaced(replace.columns[i], replace.matchCase, replace.wholeCell));
    }
    Append(update, RowsWhere(replace));
    return update;
}

} // namespace db::sql
