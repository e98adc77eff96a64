#include "db/grid/blobpreviews.h"

#include "db/client/connection.h"
#include "db/sql/cellcodec.h"

#include <memory>

namespace db {

namespace {

// A preview cut at a byte limit may end inside a UTF-8 sequence; decoded as
// is, that would show a replacement character (or, for NONE, make the whole
// preview fall back to Latin-1).
QByteArray wholeCharacters(QByteArray bytes)
{
    qsizetype lead = bytes.size() - 1;
    while (lead >= 0 && bytes.size() - lead < 4 && (uchar(bytes[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead < 0)
        return bytes;
    const uchar first = uchar(bytes[lead]);
    const qsizetype length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    if (bytes.size() - lead < length)
        bytes.truncate(lead);
    return bytes;
}

// The preview of a text blob whose first bytes are `start`, read with a
// limit of `limit` bytes: cut at a whole character and marked with "…" when
// the blob went on.
QString TextBlobPreview(QByteArray start, qint64 limit, unsigned charSet)
{
    const unsigned decodeAs = charSet == CsNone ? CsNone : CsUtf8;
    const bool cut = start.size() >= limit;
    QString shown = DecodeText(decodeAs, cut ? wholeCharacters(std::move(start)) : start);
    if (cut)
        shown += QStringLiteral("…");
    return shown;
}

} // namespace

// The part of BlobPreviews that lives on the reading thread.
class BlobPreviewWorker : public QObject
{
    Q_OBJECT

public:
    explicit BlobPreviewWorker(const QString &connectionString)
        : m_connectionString(connectionString)
    {
    }

    void read(const QByteArray &blobId, unsigned charSet, bool text)
    {
        QString shown;
        try {
            if (!m_attachment)
                m_attachment = std::make_unique<Attachment>(Attachment::open(m_connectionString));
            Transaction tx = m_attachment->begin(TxMode::Browse);
            shown = text ? TextBlobPreview(readBlob(tx, blobId, charSet, BlobPreviewBytes),
                                           BlobPreviewBytes, charSet)
                         : BlobSizeText(blobLength(tx, blobId));
            tx.commit();
        } catch (const DbError &error) {
            // The transaction is gone by now; a lost attachment is attached
            // anew for the next preview.
            if (error.isConnectionLost())
                m_attachment.reset();
            shown = QStringLiteral("(unreadable: %1)").arg(error.message());
        }
        emit ready(blobId, shown);
    }

signals:
    void ready(const QByteArray &blobId, const QString &shown);

private:
    QString m_connectionString;
    std::unique_ptr<Attachment> m_attachment;
};

BlobPreviews::BlobPreviews(const QString &connectionString, QObject *parent)
    : QObject(parent)
    , m_worker(new BlobPreviewWorker(connectionString))
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &BlobPreviewWorker::ready, this,
            [this](const QByteArray &blobId, const QString &shown) {
                m_pending.erase(blobId);
                emit ready(blobId, shown);
            });
    m_thread.start();
}

BlobPreviews::~BlobPreviews()
{
    m_thread.quit();
    m_thread.wait();
}

void BlobPreviews::request(const QByteArray &blobId, unsigned charSet, bool text)
{
    if (!m_pending.insert(blobId).second)
        return;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, blobId, charSet, text] { worker->read(blobId, charSet, text); },
        Qt::QueuedConnection);
}

} // namespace db

#include "blobpreviews.moc"
