#include "export/delimitedreader.h"

#include <stdexcept>

namespace exports {

namespace {

constexpr qint64 ChunkBytes = 256 * 1024;
const QString RecordEnd = QStringLiteral("\t\r\n");

[[noreturn]] void fail(const QFile &file)
{
    throw std::runtime_error(QStringLiteral("Could not read \"%1\": %2")
                                 .arg(file.fileName(), file.errorString())
                                 .toStdString());
}

} // namespace

DelimitedTextReader::DelimitedTextReader(const QString &path) : m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly))
        fail(m_file);
}

void DelimitedTextReader::rewind()
{
    if (!m_file.seek(0))
        fail(m_file);
    m_decoder.resetState();
    m_buffer.clear();
    m_at = 0;
    m_atEnd = false;
}

// Appends the next chunk, dropping what was already handed out.
bool DelimitedTextReader::fill()
{
    if (m_atEnd)
        return false;
    const QByteArray bytes = m_file.read(ChunkBytes);
    if (bytes.isEmpty() && m_file.error() != QFileDevice::NoError)
        fail(m_file);
    m_buffer.remove(0, m_at);
    m_at = 0;
    if (bytes.isEmpty()) {
        m_atEnd = true;
        return false;
    }
    m_buffer += m_decoder.decode(bytes);
    return true;
}

bool DelimitedTextReader::next(QString &record)
{
    qsizetype searchFrom = m_at;
    for (;;) {
        const qsizetype end = m_buffer.indexOf(RecordEnd, searchFrom);
        if (end >= 0) {
            record = m_buffer.mid(m_at, end - m_at);
            m_at = end + RecordEnd.size();
            return true;
        }
        // The end mark may straddle two chunks.
        searchFrom = std::max(m_at, m_buffer.size() - (RecordEnd.size() - 1));
        const qsizetype before = m_at;
        if (!fill())
            break;
        searchFrom -= before;
    }
    // A last line without its mark (a text not written by the export).
    record = m_buffer.mid(m_at);
    m_at = m_buffer.size();
    while (record.endsWith(u'\r') || record.endsWith(u'\n'))
        record.chop(1);
    if (record.endsWith(u'\t'))
        record.chop(1);
    return !record.isEmpty();
}

} // namespace exports
