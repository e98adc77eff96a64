#include "db/grid/tablereader.h"

#include "db/client/dberror.h"
#include "db/client/fbapi.h"
#include "db/grid/readerworker.h"

#include <cstring>
#include <optional>

namespace db {

namespace {

qint64 countRows(Attachment &attachment, const sql::TableRead &read)
{
    Transaction tx = attachment.begin(TxMode::Browse);
    Statement count(tx, sql::CountRows(read));
    Cursor cursor = count.openCursor(tx, sql::ReadParams(read));
    const unsigned char *row = cursor.fetch();
    if (!row || isNull(count.columns().at(0), row))
        return -1;
    qint64 rows = 0;
    const QByteArray bytes = valueBytes(count.columns().at(0), row);
    std::memcpy(&rows, bytes.constData(), std::min<size_t>(sizeof rows, bytes.size()));
    return rows;
}

} // namespace

TableReader::TableReader(const QString &connectionString, const sql::TableRead &read,
                         QObject *parent)
    : QObject(parent)
    , m_worker(std::make_unique<ReaderWorker>(connectionString, read))
    , m_connectionString(connectionString)
    , m_read(read)
{
    qRegisterMetaType<std::shared_ptr<db::RowBatch>>();
    qRegisterMetaType<std::vector<db::Column>>();
    m_worker->moveToThread(&m_thread);
    connect(m_worker.get(), &ReaderWorker::opened, this, &TableReader::opened);
    connect(m_worker.get(), &ReaderWorker::rowsFetched, this, &TableReader::rowsFetched);
    connect(m_worker.get(), &ReaderWorker::failed, this, &TableReader::failed);
}

TableReader::~TableReader()
{
    {
        std::lock_guard lock(m_countMutex);
        m_stopping = true;
        if (m_counting) {
            fb::Status status;
            m_counting->cancelOperation(status.get(), fb_cancel_raise);
        }
    }
    m_worker->cancel();
    m_thread.quit();
    m_thread.wait();
    if (m_counter.joinable())
        m_counter.join();
}

void TableReader::start()
{
    m_thread.start();
    QMetaObject::invokeMethod(m_worker.get(), &ReaderWorker::open, Qt::QueuedConnection);
    // COUNT(*) takes a while on a large table: its own attachment and thread,
    // so the first rows do not wait for it.
    m_counter = std::thread([this] { count(); });
}

// Registers the attachment that counts (nullptr: counting is over); false
// when the reader is being destroyed and the count should not start.
bool TableReader::setCounting(Firebird::IAttachment *attachment)
{
    std::lock_guard lock(m_countMutex);
    m_counting = attachment;
    return !m_stopping;
}

void TableReader::count()
{
    std::optional<Attachment> attachment;
    qint64 rows = -1;
    try {
        attachment.emplace(Attachment::open(m_connectionString));
        if (setCounting(attachment->handle()))
            rows = countRows(*attachment, m_read);
    } catch (const DbError &) {
    }
    // Unregistered before detaching: a cancel must never reach a freed handle.
    setCounting(nullptr);
    attachment.reset();
    if (rows >= 0)
        QMetaObject::invokeMethod(this, [this, rows] { emit counted(rows); },
                                  Qt::QueuedConnection);
}

void TableReader::requestRows(qint64 rows)
{
    m_worker->raiseTarget(rows);
}

} // namespace db
