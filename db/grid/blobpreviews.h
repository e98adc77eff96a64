#pragma once

#include <QObject>
#include <QThread>

#include <set>

namespace db {

class BlobPreviewWorker;

// What the grid shows of blobs: the start of a text blob, the size of a
// binary one. Read on a thread of its own through an attachment of its own,
// so that painting a screen of blob cells never waits on the server; a
// preview arrives through ready() on the owner's thread. A lost attachment
// is attached anew for the next request.
class BlobPreviews : public QObject
{
    Q_OBJECT

public:
    explicit BlobPreviews(const QString &connectionString, QObject *parent = nullptr);
    ~BlobPreviews() override;

    // Asks once per blob until its preview arrives; repeated asks are dropped.
    void request(const QByteArray &blobId, unsigned charSet, bool text);
    bool pending() const { return !m_pending.empty(); }

signals:
    void ready(const QByteArray &blobId, const QString &shown);

private:
    QThread m_thread;
    BlobPreviewWorker *m_worker;
    std::set<QByteArray> m_pending;
};

// How much of a text blob a preview reads.
inline constexpr qint64 BlobPreviewBytes = 4096;

} // namespace db
