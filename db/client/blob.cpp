#include "db/client/connection.h"

#include "db/client/fbapi.h"

#include <ibase.h>

#include <cstring>

using namespace Firebird;

namespace db {

namespace {

ISC_QUAD toQuad(const QByteArray &id)
{
    ISC_QUAD quad{};
    std::memcpy(&quad, id.constData(), std::min<size_t>(sizeof quad, id.size()));
    return quad;
}

// Text blobs in a charset of their own are read transliterated to UTF-8.
QByteArray readParameters(unsigned charSet)
{
    if (charSet == CsNone || charSet == CsOctets || charSet == CsUtf8)
        return {};
    return QByteArray("\x01", 1)                                  // isc_bpb_version1
        + char(isc_bpb_target_type) + char(1) + char(1)
        + char(isc_bpb_target_interp) + char(1) + char(CsUtf8);
}

fb::Ref<IBlob> openBlob(Transaction &tx, const QByteArray &blobId, unsigned charSet)
{
    ISC_QUAD quad = toQuad(blobId);
    const QByteArray bpb = readParameters(charSet);
    fb::Status status;
    fb::Ref<IBlob> blob(tx.attachmentHandle()->openBlob(
        status.get(), tx.handle(), &quad, unsigned(bpb.size()),
        reinterpret_cast<const unsigned char *>(bpb.constData())));
    status.check();
    return blob;
}

void closeBlob(fb::Ref<IBlob> &blob)
{
    fb::Status status;
    blob->close(status.get());
    if (!status.failed())
        blob.take();
}

} // namespace

QByteArray readBlob(Transaction &tx, const QByteArray &blobId, unsigned charSet,
                    qint64 maxBytes)
{
    fb::Ref<IBlob> blob = openBlob(tx, blobId, charSet);
    QByteArray data;
    char segment[32768];
    fb::Status status;
    while (maxBytes < 0 || data.size() < maxBytes) {
        unsigned length = 0;
        const int result = blob->getSegment(status.get(), sizeof segment, segment, &length);
        status.check();
        if (result != IStatus::RESULT_OK && result != IStatus::RESULT_SEGMENT)
            break;
        data.append(segment, length);
    }
    if (maxBytes >= 0 && data.size() > maxBytes)
        data.truncate(maxBytes);
    closeBlob(blob);
    return data;
}

qint64 blobLength(Transaction &tx, const QByteArray &blobId)
{
    fb::Ref<IBlob> blob = openBlob(tx, blobId, CsNone);
    const unsigned char items[] = {isc_info_blob_total_length};
    unsigned char buffer[32] = {};
    fb::Status status;
    blob->getInfo(status.get(), sizeof items, items, sizeof buffer, buffer);
    status.check();
    qint64 length = -1;
    if (buffer[0] == isc_info_blob_total_length) {
        const int size = buffer[1] | buffer[2] << 8;
        length = 0;
        for (int i = std::min(size, 8) - 1; i >= 0; --i)
            length = length << 8 | buffer[3 + i];
    }
    closeBlob(blob);
    return length;
}

QByteArray writeBlob(Transaction &tx, const QByteArray &data)
{
    ISC_QUAD quad{};
    fb::Status status;
    fb::Ref<IBlob> blob(tx.attachmentHandle()->createBlob(status.get(), tx.handle(), &quad, 0, nullptr));
    status.check();
    constexpr qsizetype chunk = 32768;
    for (qsizetype at = 0; at < data.size(); at += chunk) {
        const auto length = unsigned(std::min(chunk, data.size() - at));
        blob->putSegment(status.get(), length, data.constData() + at);
        status.check();
    }
    blob->close(status.get());
    status.check();
    blob.take();
    return QByteArray(reinterpret_cast<const char *>(&quad), sizeof quad);
}

} // namespace db
