#include "db/sql/tablefilter.h"

#include "db/sql/cellcodec.h"

#include <ibase.h>

#include <iterator>

namespace db {

namespace {

using sql::FilterOp;

struct Prefix
{
    const char *text;
    FilterOp op;
};
// Longest first: "<=" is not "<" followed by "=...".
constexpr Prefix Prefixes[] = {
    {"<=", FilterOp::LessEqual}, {">=", FilterOp::GreaterEqual}, {"<>", FilterOp::NotEqual},
    {"=", FilterOp::Equal},      {"<", FilterOp::Less},          {">", FilterOp::Greater},
};

bool isTextColumn(const Column &c)
{
    return (IsCharacterColumn(c) && c.sqlType.charSet != CsOctets)
           || (c.sqlType.type == SQL_BLOB && c.sqlType.subType == 1);
}

bool isBlobOrArray(const Column &c)
{
    return c.sqlType.type == SQL_BLOB || c.sqlType.type == SQL_ARRAY;
}

ParsedFilter Refuse(const QString &error)
{
    ParsedFilter parsed;
    parsed.error = error;
    return parsed;
}

ParsedFilter Accept(const Column &column, FilterOp op, const Param &value, const QString &shown)
{
    ParsedFilter parsed;
    parsed.ok = true;
    parsed.term = sql::FilterTerm{column.field, op, value};
    parsed.shown = column.name + QLatin1Char(' ') + shown;
    return parsed;
}

} // namespace

ParsedFilter ParseFilter(const Column &column, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return ParsedFilter{true, {}, {}, {}};
    const QString upper = trimmed.toUpper();
    if (upper == QLatin1String("NULL"))
        return Accept(column, FilterOp::IsNull, {}, QStringLiteral("is NULL"));
    if (upper == QLatin1String("NOT NULL"))
        return Accept(column, FilterOp::IsNotNull, {}, QStringLiteral("is not NULL"));
    const Prefix *prefix = nullptr;
    for (const Prefix &candidate : Prefixes) {
        if (trimmed.startsWith(QLatin1String(candidate.text))) {
            prefix = &candidate;
            break;
        }
    }
    const bool textual = isTextColumn(column);
    if (isBlobOrArray(column) && !(textual && !prefix))
        return Refuse(textual ? QStringLiteral("%1 is a text BLOB: it can be filtered by a text "
                                             "it contains, by NULL or by NOT NULL.").arg(column.name)
                            : QStringLiteral("%1 can be filtered only by NULL or NOT NULL.")
                                  .arg(column.name));
    if (!prefix && textual)
        return Accept(column, FilterOp::Contains, Param::text(text),
                      QStringLiteral("contains \"%1\"").arg(text));
    const QString value = prefix ? trimmed.mid(int(qstrlen(prefix->text))).trimmed() : trimmed;
    const FilterOp op = prefix ? prefix->op : FilterOp::Equal;
    const QString sign = prefix ? QString::fromLatin1(prefix->text) : QStringLiteral("=");
    if (value.isEmpty())
        return Refuse(QStringLiteral("Filter on %1: a value must follow \"%2\".")
                          .arg(column.name, sign));
    const ParsedCell parsed = ParseCellText(column, value);
    if (!parsed.ok)
        return Refuse(QStringLiteral("Filter on %1: \"%2\" cannot be read: %3.")
                          .arg(column.name, value, parsed.error));
    return Accept(column, op, CellParam(column, parsed), sign + QLatin1Char(' ') + value);
}

} // namespace db
