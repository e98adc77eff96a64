#pragma once

#include "db/grid/batchjob.h"
#include "db/grid/undohistory.h"

#include <memory>
#include <optional>
#include <vector>

namespace db {

class TableModel;

// Undoes (or redoes) the last step of a TableModel's history: its writes
// go in batches, all in one transaction on an attachment of its own, each
// under the check every write makes (the row still holds what the step
// left in it). Any refusal, or a cancel, rolls the whole step back and it
// stays where it is; once committed, the model shows the rows as stored
// and the step moves to the other side of the history.
class UndoJob : public BatchJob
{
public:
    UndoJob(TableModel &model, bool redo);
    ~UndoJob() override;

    qint64 total() const override { return qint64(m_writes.size()); }
    Step prepare() override;
    void work() override;
    void apply() override;
    QStringList failures() const override;
    bool done() const { return m_applied; }

private:
    void fail(const QString &message);

    TableModel &m_model;
    bool m_redo;
    UndoStep m_step;
    QString m_connectionString;
    QString m_table;
    std::vector<Column> m_columns;
    std::vector<RowWrite> m_writes;
    std::vector<int> m_order;          // the step's row of each write
    std::size_t m_next = 0;            // the next write to send
    std::size_t m_batchEnd = 0;
    std::vector<WriteResult> m_results;
    std::unique_ptr<RowWriter> m_writer;   // the worker's own attachment
    std::optional<Transaction> m_transaction;
    bool m_committed = false;
    bool m_applied = false;
    qint64 m_writeMs = 0;
    QString m_error;
};

} // namespace db
