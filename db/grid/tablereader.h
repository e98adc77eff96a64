#pragma once

#include "db/grid/rowstore.h"
#include "db/sql/sqltext.h"

#include <QObject>
#include <QThread>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace Firebird {
class IAttachment;
}

namespace db {

class ReaderWorker;

// Reads a table's rows on a thread of its own, through an attachment of its
// own, in a read-only read-committed transaction (it never waits on writers
// and holds back no garbage collection). Rows are fetched only as far as
// they are asked for and arrive in batches; the row count is taken at the
// same time on another thread so a grid knows its size early.
class TableReader : public QObject
{
    Q_OBJECT

public:
    TableReader(const QString &connectionString, const sql::TableRead &read,
                QObject *parent = nullptr);
    ~TableReader() override;

    void start();
    // Fetch on until at least rows rows were delivered (or the end).
    void requestRows(qint64 rows);
    void requestAll() { requestRows(std::numeric_limits<qint64>::max()); }

signals:
    void opened(const std::vector<db::Column> &columns);
    void counted(qint64 rows);
    void rowsFetched(const std::shared_ptr<db::RowBatch> &batch, bool atEnd);
    void failed(const QString &message);

private:
    void count();
    bool setCounting(Firebird::IAttachment *attachment);

    QThread m_thread;
    std::thread m_counter;
    // The counting attachment, so that the destructor can cut a long count off.
    std::mutex m_countMutex;
    Firebird::IAttachment *m_counting = nullptr;
    bool m_stopping = false;
    std::unique_ptr<ReaderWorker> m_worker;
    QString m_connectionString;
    sql::TableRead m_read;
};

} // namespace db

