#include "db/grid/readerworker.h"

#include "db/client/fbapi.h"

#include <QElapsedTimer>

namespace db {

namespace {

// Small first batch for the first screen, larger ones for throughput; a
// batch is also cut after a while so the grid sees steady progress.
constexpr int FirstBatch = 256;
constexpr int LargestBatch = 32768;
constexpr qint64 BatchMilliseconds = 40;

} // namespace

ReaderWorker::ReaderWorker(const QString &connectionString, const sql::TableRead &read)
    : m_connectionString(connectionString)
    , m_read(read)
{
}

ReaderWorker::~ReaderWorker() = default;

void ReaderWorker::raiseTarget(qint64 rows)
{
    qint64 current = m_target.load();
    while (rows > current && !m_target.compare_exchange_weak(current, rows)) {
    }
    scheduleFetch();
}

void ReaderWorker::cancel()
{
    m_cancelled = true;
    std::lock_guard lock(m_cancelMutex);
    if (m_busyAttachment) {
        fb::Status status;
        m_busyAttachment->cancelOperation(status.get(), fb_cancel_raise);
    }
}

void ReaderWorker::scheduleFetch()
{
    if (!m_scheduled.exchange(true))
        QMetaObject::invokeMethod(this, &ReaderWorker::fetchMore, Qt::QueuedConnection);
}

void ReaderWorker::open()
{
    if (m_cancelled)
        return;
    try {
        m_attachment = std::make_unique<Attachment>(Attachment::open(m_connectionString));
        std::lock_guard lock(m_cancelMutex);
        m_busyAttachment = m_attachment->handle();
    } catch (const DbError &error) {
        if (!m_cancelled)
            emit failed(error.message());
        return;
    }
    try {
        m_transaction = std::make_unique<Transaction>(m_attachment->begin(TxMode::Browse));
        m_statement = std::make_unique<Statement>(*m_transaction, sql::SelectRows(m_read));
        emit opened(m_statement->columns());
        m_cursor = std::make_unique<Cursor>(
            m_statement->openCursor(*m_transaction, sql::ReadParams(m_read)));
        if (m_target.load() > 0)
            scheduleFetch();
    } catch (const DbError &error) {
        if (!m_cancelled)
            emit failed(error.message());
        finish();
    }
}

void ReaderWorker::fetchMore()
{
    m_scheduled = false;
    if (!m_cursor || m_cancelled)
        return;
    try {
        auto batch = std::make_shared<RowBatch>();
        const int limit = m_delivered == 0 ? FirstBatch : LargestBatch;
        const qint64 wanted = std::min<qint64>(limit, m_target.load() - m_delivered);
        if (wanted <= 0)
            return;   // a repeated request for rows already delivered
        const auto &columns = m_statement->columns();
        QElapsedTimer clock;
        clock.start();
        bool atEnd = false;
        while (batch->size() < wanted) {
            const unsigned char *row = m_cursor->fetch();
            if (!row) {
                atEnd = true;
                break;
            }
            batch->append(columns, row);
            if ((batch->size() & 1023) == 0
                && (m_cancelled || clock.elapsed() > BatchMilliseconds))
                break;
        }
        if (m_cancelled)
            return;
        batch->finish();
        m_delivered += batch->size();
        emit rowsFetched(batch, atEnd);
        if (atEnd)
            finish();
        else if (m_delivered < m_target.load())
            scheduleFetch();
    } catch (const DbError &error) {
        if (!m_cancelled)
            emit failed(error.message());
        finish();
    }
}

// All rows are read (or reading failed): the attachment is not needed any more.
void ReaderWorker::finish()
{
    {
        std::lock_guard lock(m_cancelMutex);
        m_busyAttachment = nullptr;
    }
    m_cursor.reset();
    m_statement.reset();
    if (m_transaction) {
        try {
            m_transaction->commit();
        } catch (const DbError &) {
        }
        m_transaction.reset();
    }
    m_attachment.reset();
}

} // namespace db
