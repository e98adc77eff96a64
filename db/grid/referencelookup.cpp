#include "db/grid/referencelookup.h"

#include "db/client/connection.h"
#include "db/sql/cellcodec.h"
#include "db/sql/sqltext.h"

#include <optional>

namespace db {

// The part of ReferenceLookup that lives on its thread.
class LookupWorker : public QObject
{
    Q_OBJECT

public:
    LookupWorker(const QString &connectionString, const ForeignKey &key,
                 std::shared_ptr<std::atomic<int>> latest)
        : m_connectionString(connectionString), m_key(key), m_latest(std::move(latest))
    {
    }

    void search(int id, const QString &text, int rows);
    void more(int id, int rows);

signals:
    void rowsArrived(int search, const QList<db::ReferencedRow> &rows, bool atEnd,
                     const QStringList &headings);
    void failed(int search, const QString &message);

private:
    void open();
    void deliver(int rows);

    QString m_connectionString;
    ForeignKey m_key;
    std::shared_ptr<std::atomic<int>> m_latest;
    std::optional<Attachment> m_attachment;
    std::optional<Transaction> m_tx;
    std::optional<Statement> m_statement;
    std::optional<Cursor> m_cursor;
    QString m_label;
    int m_current = -1;
};

// The parent's first text column that is not part of its key labels a row.
void LookupWorker::open()
{
    m_attachment.emplace(Attachment::open(m_connectionString));
    m_tx.emplace(m_attachment->begin(TxMode::Browse));
    Statement texts(*m_tx, sql::TextColumnsQuery());
    Cursor cursor = texts.openCursor(*m_tx, {Param::text(m_key.parent)});
    while (const unsigned char *row = cursor.fetch()) {
        const QString name = QString::fromUtf8(valueBytes(texts.columns().at(0), row));
        if (!m_key.parentColumns.contains(name)) {
            m_label = name;
            break;
        }
    }
}

void LookupWorker::search(int id, const QString &text, int rows)
{
    if (id != m_latest->load())
        return;   // a newer search is queued behind this one
    try {
        if (!m_attachment)
            open();
        m_cursor.reset();
        m_statement.emplace(*m_tx, sql::ReferencedRowsQuery(m_key.parent, m_key.parentColumns,
                                                            m_label, !text.isEmpty()));
        std::vector<Param> params;
        if (!text.isEmpty()) {
            params.push_back(Param::text(text));
            if (!m_label.isEmpty())
                params.push_back(Param::text(text));
        }
        m_cursor.emplace(m_statement->openCursor(*m_tx, params));
        m_current = id;
        deliver(rows);
    } catch (const DbError &error) {
        m_cursor.reset();
        emit failed(id, error.message());
    }
}

void LookupWorker::more(int id, int rows)
{
    if (id != m_current || id != m_latest->load() || !m_cursor)
        return;
    try {
        deliver(rows);
    } catch (const DbError &error) {
        m_cursor.reset();
        emit failed(id, error.message());
    }
}

void LookupWorker::deliver(int rows)
{
    const std::vector<Column> &columns = m_statement->columns();
    const int keys = int(m_key.parentColumns.size());
    QList<ReferencedRow> found;
    bool atEnd = false;
    while (found.size() < rows) {
        const unsigned char *row = m_cursor->fetch();
        if (!row) {
            atEnd = true;
            break;
        }
        ReferencedRow item;
        for (int i = 0; i < int(columns.size()); ++i) {
            const QString text = isNull(columns[i], row)
                ? QString() : CellText(columns[i], valueBytes(columns[i], row));
            if (i < keys)
                item.key << text;
            else
                item.label = text;
        }
        found << item;
    }
    if (atEnd)
        m_cursor.reset();
    QStringList headings = m_key.parentColumns;
    if (!m_label.isEmpty())
        headings << m_label;
    emit rowsArrived(m_current, found, atEnd, headings);
}

ReferenceLookup::ReferenceLookup(const QString &connectionString, const ForeignKey &key,
                                 QObject *parent)
    : QObject(parent)
    , m_key(key)
    , m_latest(std::make_shared<std::atomic<int>>(0))
    , m_worker(std::make_unique<LookupWorker>(connectionString, key, m_latest))
{
    m_worker->moveToThread(&m_thread);
    // What arrives for a search that has been replaced meanwhile is dropped.
    connect(m_worker.get(), &LookupWorker::rowsArrived, this,
            [this](int search, const QList<ReferencedRow> &rows, bool atEnd,
                   const QStringList &headings) {
                if (search == m_latest->load())
                    emit rowsArrived(rows, atEnd, headings);
            });
    connect(m_worker.get(), &LookupWorker::failed, this,
            [this](int search, const QString &message) {
                if (search == m_latest->load())
                    emit failed(message);
            });
    m_thread.start();
}

ReferenceLookup::~ReferenceLookup()
{
    m_latest->store(-1);
    m_thread.quit();
    m_thread.wait();
}

void ReferenceLookup::search(const QString &text, int rows)
{
    const int id = ++*m_latest;
    QMetaObject::invokeMethod(m_worker.get(), [worker = m_worker.get(), id, text, rows] {
        worker->search(id, text, rows);
    }, Qt::QueuedConnection);
}

void ReferenceLookup::fetchMore(int rows)
{
    const int id = m_latest->load();
    QMetaObject::invokeMethod(m_worker.get(), [worker = m_worker.get(), id, rows] {
        worker->more(id, rows);
    }, Qt::QueuedConnection);
}

} // namespace db

#include "referencelookup.moc"
