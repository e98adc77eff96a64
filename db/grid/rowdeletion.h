#pragma once

#include "db/client/connection.h"
#include "db/grid/batchjob.h"
#include "db/grid/rowwriter.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <vector>

namespace db {

class TableModel;

// Deletes many rows of a TableModel, from the bottom up, a batch in one
// transaction on an attachment of its own. A batch in which any row fails
// is rolled back and its rows are deleted one by one, so every row that
// can go goes and each refused row is told as a single delete tells it.
// Deleted rows leave the model a contiguous range at a time. Rows not read
// yet are read first; while it runs nothing but this job changes rows.
class RowDeletion : public BatchJob
{
public:
    RowDeletion(TableModel &model, std::vector<RowSpan> spans);
    ~RowDeletion() override;

    qint64 total() const override { return m_total; }
    Step prepare() override;
    void work() override;
    void apply() override;
    QStringList failures() const override;

private:
    struct Target
    {
        int row = 0;
        RowDelete statement;
        StoredRow before;   // for undo, BLOBs as contents
        bool undoable = true;
    };
    void report(int row, const WriteResult &result);

    TableModel &m_model;
    QString m_connectionString;
    std::vector<RowSpan> m_spans;    // still to do, highest first
    qint64 m_total = 0;
    std::vector<Target> m_batch;     // rows descending
    std::vector<WriteResult> m_results;  // one per row written of m_batch
    std::unique_ptr<Attachment> m_attachment;
    qint64 m_writeMs = 0;
    bool m_readFailed = false;
    qint64 m_unread = 0;   // rows skipped because the read failed
    QMetaObject::Connection m_readFailedWatch;
    QStringList m_failures;
    std::vector<int> m_undoColumns;
};

} // namespace db
