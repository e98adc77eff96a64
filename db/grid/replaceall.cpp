#include "db/grid/replaceall.h"

#include "db/client/connection.h"
#include "db/sql/cellcodec.h"

#include <ibase.h>

#include <cstring>

namespace db {

namespace {

bool IsTextColumn(const Column &c)
{
    const unsigned type = c.sqlType.type;
    return IsEditableType(c) && (type == SQL_TEXT || type == SQL_VARYING || type == SQL_BLOB);
}

QString TrailingBlanksDropped(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

qint64 IntegerAt(const Column &column, const unsigned char *row)
{
    if (isNull(column, row))
        return 0;
    const QByteArray bytes = valueBytes(column, row);
    if (bytes.size() == 8) {
        qint64 value = 0;
        std::memcpy(&value, bytes.constData(), 8);
        return value;
    }
    qint32 value = 0;
    std::memcpy(&value, bytes.constData(), std::min<size_t>(4, bytes.size()));
    return value;
}

// A non-text column: whole cells only, each value typed for the column.
// False when the find text is no value of it: nothing there can match.
bool AddTypedColumn(ReplacePlan &plan, const Column &c, const QString &type,
                    const ReplaceRequest &request)
{
    const QString nameAndType = QStringLiteral("%1 (%2)").arg(c.name, type);
    if (!request.wholeCell) {
        // Counted only: found anywhere, the replace is refused.
        plan.statement.columns.push_back({c.field, false, 0, Param::text(request.find), {}});
        plan.refusalsIfFound << QStringLiteral(
            "%1 holds no text: only whole cells can be replaced in it (tick \"Whole cell\"). "
            "Nothing was replaced.").arg(nameAndType);
        return true;
    }
    const ParsedCell find = ParseCellText(c, request.find);
    if (!find.ok)
        return false;
    const ParsedCell replacement = ParseCellText(c, request.replacement);
    plan.statement.columns.push_back({c.field, false, 0, CellParam(c, find),
                                      replacement.ok ? CellParam(c, replacement)
                                                     : Param::nullOf(c.sqlType)});
    plan.refusalsIfFound << (replacement.ok
        ? QString()
        : QStringLiteral("%1 cannot hold \"%2\": %3 Nothing was replaced.")
              .arg(nameAndType, request.replacement, replacement.error));
    return true;
}

} // namespace

ReplacePlan PlanReplaceAll(const std::vector<Column> &columns, const TableSchema &schema,
                           const sql::TableRead &read, const std::vector<bool> &writable,
                           const ReplaceRequest &request)
{
    ReplacePlan plan;
    sql::ReplaceAll &statement = plan.statement;
    statement.table = read.table;
    statement.matchCase = request.matchCase;
    statement.wholeCell = request.wholeCell;
    statement.filter = read.filter;
    statement.keyColumns = schema.keyless() ? QStringList{QStringLiteral("RDB$DB_KEY")}
                                            : schema.keyColumns;
    statement.rowKeys = request.rowKeys;
    if (request.find.isEmpty()) {
        plan.refusal = QStringLiteral("Type the text to find first.");
        return plan;
    }
    QStringList readOnly;
    for (int index : request.columns) {
        const Column &c = columns.at(index);
        const QString type = schema.traits.value(c.name).typeText;
        if (!writable.at(index) || !IsEditableType(c)) {
            readOnly << c.name;
            continue;
        }
        if (!IsTextColumn(c)) {
            if (AddTypedColumn(plan, c, type, request))
                plan.columnNames << c.name;
            continue;
        }
        const int limit = c.sqlType.type == SQL_BLOB ? 0 : int(c.charLength);
        statement.columns.push_back({c.field, true, limit, Param::text(request.find),
                                     Param::text(request.replacement)});
        plan.columnNames << c.name;
        const bool fits = !request.wholeCell || limit == 0
                          || TrailingBlanksDropped(request.replacement).size() <= limit;
        plan.refusalsIfFound << (fits ? QString()
            : QStringLiteral("%1 (%2) holds at most %3 characters: \"%4\" does not fit. "
                             "Nothing was replaced.")
                  .arg(c.name, type).arg(limit).arg(request.replacement));
        // Only a case-sensitive REPLACE exists on the server.
        if (!request.wholeCell && !request.matchCase)
            plan.refusal = QStringLiteral(
                "Replace All of a part of a cell needs \"Match case\": tick it, or tick "
                "\"Whole cell\". Nothing was replaced.");
    }
    if (statement.columns.empty() && plan.refusal.isEmpty())
        plan.refusal = readOnly.isEmpty()
            ? QStringLiteral("\"%1\" cannot be found in these columns.").arg(request.find)
            : QStringLiteral("%1 cannot be changed here.").arg(readOnly.join(", "));
    return plan;
}

ReplaceCountJob::ReplaceCountJob(const QString &connectionString, const ReplacePlan &plan,
                                 qint64 total)
    : BatchJob(QStringLiteral("looked at")), m_connectionString(connectionString), m_plan(plan),
      m_total(total)
{
}

void ReplaceCountJob::work()
{
    try {
        Attachment attachment = Attachment::open(m_connectionString);
        Transaction tx = attachment.begin(TxMode::Browse);
        const sql::BoundSql count = sql::ReplaceAllCount(m_plan.statement);
        Statement statement(tx, count.sql);
        Cursor cursor = statement.openCursor(tx, count.params);
        const unsigned char *row = cursor.fetch();
        const std::vector<Column> &columns = statement.columns();
        m_rows = row ? IntegerAt(columns.at(0), row) : 0;
        std::vector<sql::ReplaceColumn> found;
        QStringList names;
        for (int i = 0; row && i < int(m_plan.statement.columns.size()); ++i) {
            const qint64 matches = IntegerAt(columns.at(1 + 2 * i), row);
            const qint64 tooLong = IntegerAt(columns.at(2 + 2 * i), row);
            if (matches == 0)
                continue;
            const sql::ReplaceColumn &column = m_plan.statement.columns[i];
            if (m_refusal.isEmpty() && !m_plan.refusalsIfFound.at(i).isEmpty())
                m_refusal = m_plan.refusalsIfFound.at(i);
            if (m_refusal.isEmpty() && tooLong > 0)
                m_refusal = QStringLiteral(
                    "%1 holds at most %2 characters: the replaced text of %3 of its cells "
                    "would not fit. Nothing was replaced.")
                        .arg(m_plan.columnNames.at(i)).arg(column.maxLength).arg(tooLong);
            found.push_back(column);
            names << m_plan.columnNames.at(i);
        }
        m_plan.statement.columns = std::move(found);
        m_plan.columnNames = names;
    } catch (const DbError &error) {
        m_error = error.message();
    }
    m_handled = m_total;
}

QStringList ReplaceCountJob::failures() const
{
    return m_error.isEmpty() ? QStringList() : QStringList{m_error};
}

ReplaceAllJob::ReplaceAllJob(const QString &connectionString, const ReplacePlan &plan,
                             qint64 rows)
    : BatchJob(QStringLiteral("replaced")), m_connectionString(connectionString), m_plan(plan),
      m_total(rows)
{
}

void ReplaceAllJob::work()
{
    try {
        Attachment attachment = Attachment::open(m_connectionString);
        Transaction tx = attachment.begin(TxMode::Write);
        const sql::BoundSql update = sql::ReplaceAllUpdate(m_plan.statement);
        Statement statement(tx, update.sql);
        m_replaced = statement.execute(tx, update.params);
        tx.commit();
    } catch (const DbError &error) {
        m_replaced = 0;
        m_error = error.message();
    }
    m_handled = m_total;
}

QStringList ReplaceAllJob::failures() const
{
    return m_error.isEmpty() ? QStringList() : QStringList{m_error};
}

} // namespace db
