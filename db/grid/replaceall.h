#pragma once

#include "db/grid/batchjob.h"
#include "db/grid/tableschema.h"
#include "db/sql/replacesql.h"

#include <optional>

namespace db {

// What the find bar asks to replace everywhere: in the given grid columns,
// in every row the grid's read shows (rowKeys empty) or in those rows.
struct ReplaceRequest
{
    QString find;
    QString replacement;
    bool matchCase = false;
    bool wholeCell = false;
    std::vector<int> columns;
    std::vector<std::vector<Param>> rowKeys;
};

// A replace-all ready to count and run, or why it cannot be: refusal says
// so in words that name the column.
struct ReplacePlan
{
    sql::ReplaceAll statement;
    QStringList columnNames;
    QString refusal;
    // Per column of the statement: why it cannot take the replacement, if
    // any of its cells match.
    QStringList refusalsIfFound;
};

// Chooses the columns a replace can write and types its values for them.
// Text columns take any text; other columns only whole cells, with a find
// text and a replacement each a value of the column's type (a find text
// that is not one cannot match, and the column is left out).
ReplacePlan PlanReplaceAll(const std::vector<Column> &columns, const TableSchema &schema,
                           const sql::TableRead &read, const std::vector<bool> &writable,
                           const ReplaceRequest &request);

// Counts on the server what the replace will change, in one read; after
// it, rows() is how many rows change, and refusal() why none may (a text
// too long for its column, a part of a non-text cell).
class ReplaceCountJob : public BatchJob
{
public:
    ReplaceCountJob(const QString &connectionString, const ReplacePlan &plan, qint64 total);

    qint64 total() const override { return m_total; }
    void work() override;
    QStringList failures() const override;
    qint64 rows() const { return m_rows; }
    QString refusal() const { return m_refusal; }
    // The plan without the columns where nothing was found.
    const ReplacePlan &plan() const { return m_plan; }

private:
    QString m_connectionString;
    ReplacePlan m_plan;
    qint64 m_total;
    qint64 m_rows = 0;
    QString m_refusal;
    QString m_error;
};

// The replace itself: one UPDATE in one transaction, committed whole or
// not at all.
class ReplaceAllJob : public BatchJob
{
public:
    ReplaceAllJob(const QString &connectionString, const ReplacePlan &plan, qint64 rows);

    qint64 total() const override { return m_total; }
    void work() override;
    QStringList failures() const override;
    qint64 replaced() const { return m_replaced; }

private:
    QString m_connectionString;
    ReplacePlan m_plan;
    qint64 m_total;
    qint64 m_replaced = 0;
    QString m_error;
};

} // namespace db
