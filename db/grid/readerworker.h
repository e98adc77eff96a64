#pragma once

#include "db/client/connection.h"
#include "db/grid/rowstore.h"
#include "db/sql/sqltext.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>

namespace db {

// The part of TableReader that lives on the reading thread.
class ReaderWorker : public QObject
{
    Q_OBJECT

public:
    ReaderWorker(const QString &connectionString, const sql::TableRead &read);
    ~ReaderWorker() override;

    void raiseTarget(qint64 rows);
    // Thread-safe: stops fetching and interrupts a running server call.
    void cancel();

public slots:
    void open();
    void fetchMore();

signals:
    void opened(const std::vector<db::Column> &columns);
    void rowsFetched(const std::shared_ptr<db::RowBatch> &batch, bool atEnd);
    void failed(const QString &message);

private:
    void scheduleFetch();
    void finish();

    QString m_connectionString;
    sql::TableRead m_read;
    std::unique_ptr<Attachment> m_attachment;
    std::unique_ptr<Transaction> m_transaction;
    std::unique_ptr<Statement> m_statement;
    std::unique_ptr<Cursor> m_cursor;
    std::atomic<qint64> m_target{0};
    std::atomic<bool> m_scheduled{false};
    std::atomic<bool> m_cancelled{false};
    std::mutex m_cancelMutex;   // the attachment is not detached while cancelling
    Firebird::IAttachment *m_busyAttachment = nullptr;
    qint64 m_delivered = 0;
    int m_batchSize = 0;
};

} // namespace db
