#pragma once

#include "db/grid/batchjob.h"
#include "db/grid/rowwriter.h"

#include <QElapsedTimer>

#include <memory>
#include <vector>

namespace db {

class TableModel;

// Pastes rows of fields into a TableModel in batches: the model takes a
// batch's fields as typed values, the batch is written in one transaction
// on an attachment of its own, then the written rows show what the server
// stored. A batch in which any row fails is rolled back and written row by
// row, so each refused row keeps its pasted values and is told as a
// single write tells it. A refused new record stays on the new-record
// line and ends the paste.
class RowPaste : public BatchJob
{
public:
    RowPaste(TableModel &model, int row, int column, QList<QStringList> rows, int records);
    ~RowPaste() override;

    qint64 total() const override { return m_rows.size(); }
    Step prepare() override;
    void work() override;
    void apply() override;
    QStringList failures() const override { return m_failures; }

private:
    struct Target
    {
        int row = 0;   // updates: the model row
        RowWrite write;
        StoredRow before{};   // updates, for undo: BLOBs as contents
        bool undoable = true;
    };
    void noteForUndo(const Target &target, int row, const StoredRow &written);
    void typeFields(int row, const QStringList &fields);
    bool takeRow(int index);
    void applyUpdate(const Target &target, WriteResult &result);
    void applyInsert(const Target &target, WriteResult &result);

    TableModel &m_model;
    QString m_connectionString;
    QString m_table;
    std::vector<Column> m_columns;
    int m_startRow;
    int m_startColumn;
    QList<QStringList> m_rows;
    int m_records;
    int m_next = 0;                  // the next pasted row to take
    bool m_ended = false;            // a new record was refused
    std::vector<Target> m_batch;
    std::vector<WriteResult> m_results;
    std::unique_ptr<RowWriter> m_writer;   // the worker's own attachment
    qint64 m_writeMs = 0;
    QStringList m_failures;
};

} // namespace db
