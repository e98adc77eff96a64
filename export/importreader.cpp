#include "export/importreader.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace exports {

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

// The characters Windows-1252 puts at 0x80..0x9F; U+FFFD where it has none.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QString FromWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        *out++ = code >= 0x80 && code <= 0x9F ? QChar(Windows1252High[code - 0x80]) : QChar(code);
    }
    return text;
}

// Where the UTF-8 in bytes goes wrong: the index of the first byte of an
// invalid sequence, or -1. A sequence cut off by the end is invalid only
// when nothing follows (`last`); otherwise *tail tells its length.
qsizetype FirstInvalidUtf8(const QByteArray &bytes, bool last, qsizetype *tail)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    *tail = 0;
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int count = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            count = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            count = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            count = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return i;
        }
        for (int k = 1; k <= count; ++k) {
            if (i + k >= size) {
                if (last)
                    return i;
                *tail = size - i;
                return -1;
            }
            const unsigned char next = data[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return i;
        }
        i += count + 1;
    }
    return -1;
}

qint64 LineEnds(const QByteArray &bytes, qsizetype end)
{
    return std::count(bytes.constBegin(), bytes.constBegin() + end, '\n');
}

// Fields of each of the first lines split by one delimiter, quotes aside.
QList<int> FieldCounts(const QString &head, QChar delimiter)
{
    QList<int> counts;
    int fields = 1;
    bool quoted = false;
    bool fieldStart = true;
    for (qsizetype i = 0; i < head.size() && counts.size() < 20; ++i) {
        const QChar c = head[i];
        if (quoted) {
            quoted = c != u'"';
            continue;
        }
        if (c == u'"' && fieldStart && delimiter != u'\t') {
            quoted = true;
        } else if (c == delimiter) {
            ++fields;
            fieldStart = true;
            continue;
        } else if (c == u'\n') {
            counts << fields;
            fields = 1;
            fieldStart = true;
            continue;
        }
        fieldStart = false;
    }
    return counts;
}

} // namespace

ImportFileError::ImportFileError(qint64 line, const QString &reason)
    : std::runtime_error(QStringLiteral("Line %1: %2").arg(line).arg(reason).toStdString()),
      m_line(line), m_reason(reason)
{
}

QString ImportFileError::text() const
{
    return QStringLiteral("Line %1: %2").arg(m_line).arg(m_reason);
}

QString TextEncoding::title() const
{
    switch (kind) {
    case Utf8: return QStringLiteral("UTF-8");
    case Windows1252: return QStringLiteral("Windows-1252");
    case Latin1: return QStringLiteral("ISO-8859-1");
    case Named: return name;
    }
    return {};
}

QString EncodingOfCharSet(const QString &charSet)
{
    const QString upper = charSet.trimmed().toUpper();
    if (upper.startsWith(QLatin1String("WIN")) && upper.size() == 7)
        return QStringLiteral("windows-") + upper.mid(3);
    if (upper.startsWith(QLatin1String("ISO8859_")))
        return QStringLiteral("ISO-8859-") + upper.mid(8);
    if (upper == QLatin1String("KOI8R"))
        return QStringLiteral("KOI8-R");
    if (upper == QLatin1String("KOI8U"))
        return QStringLiteral("KOI8-U");
    if (upper.startsWith(QLatin1String("DOS")))
        return QStringLiteral("IBM") + upper.mid(3);
    return {};
}

TextLayout DetectLayout(const QString &head, const QString &fileName)
{
    TextLayout layout;
    const qsizetype firstEnd = head.indexOf(u'\n');
    const QStringView firstLine = QStringView(head).left(firstEnd < 0 ? head.size() : firstEnd);
    const QStringView trimmed = firstLine.endsWith(u'\r') ? firstLine.chopped(1) : firstLine;
    if (trimmed.endsWith(u'\t')) {
        layout.delimiter = u'\t';
        layout.trailingTab = true;
        return layout;
    }
    int bestFields = 1;
    bool found = false;
    for (const QChar delimiter : {u'\t', u';', u','}) {
        const QList<int> counts = FieldCounts(head, delimiter);
        if (counts.isEmpty() || counts.first() <= 1)
            continue;
        if (std::all_of(counts.begin(), counts.end(), [&](int n) { return n == counts.first(); })
            && counts.first() > bestFields) {
            bestFields = counts.first();
            layout.delimiter = delimiter;
            found = true;
        }
    }
    if (!found) {
        const QString suffix = QFileInfo(fileName).suffix().toLower();
        layout.delimiter = suffix == QLatin1String("txt") || suffix == QLatin1String("tsv")
                               ? u'\t'
                               : u',';
    }
    return layout;
}

FileSniff SniffFile(const QByteArray &head, const QString &fileName)
{
    FileSniff sniff;
    const QByteArray body = head.startsWith(Utf8Bom) ? head.mid(Utf8Bom.size()) : head;
    qsizetype tail = 0;
    const qsizetype invalid = FirstInvalidUtf8(body, false, &tail);
    sniff.utf8 = invalid < 0;
    if (!sniff.utf8)
        sniff.invalidLine = LineEnds(body, invalid) + 1;
    const QString text = sniff.utf8 ? QString::fromUtf8(body.left(body.size() - tail))
                                    : QString::fromLatin1(body);
    sniff.layout = DetectLayout(text, fileName);
    return sniff;
}

bool LooksLikeCaptions(const QStringList &fields, const QStringList &columnNames)
{
    int named = 0;
    for (const QString &field : fields) {
        const QString name = field.trimmed();
        named += std::any_of(columnNames.begin(), columnNames.end(), [&](const QString &column) {
            return column.trimmed().compare(name, Qt::CaseInsensitive) == 0;
        });
    }
    return named > 0 && named * 2 >= fields.size();
}

DelimitedFileReader::DelimitedFileReader(const QString &path, TextEncoding encoding,
                                         TextLayout layout, qint64 chunkBytes)
    : m_path(path), m_file(path), m_encoding(std::move(encoding)), m_layout(layout),
      m_chunkBytes(std::max<qint64>(16, chunkBytes))
{
    if (!QFileInfo::exists(path))
        throw ImportFileError(1, QStringLiteral("The file was deleted or moved: there is no "
                                                "\"%1\" any more.").arg(path));
    if (!m_file.open(QIODevice::ReadOnly))
        throw ImportFileError(1, QStringLiteral("The file \"%1\" cannot be read: %2.")
                                     .arg(path, m_file.errorString()));
    m_size = m_file.size();
}

// A file that moved under the reader would give rows that are neither the
// old file's nor the new one's.
void DelimitedFileReader::checkFileUnchanged()
{
    const QFileInfo info(m_path);
    if (!info.exists())
        throw ImportFileError(m_line, QStringLiteral("The file was deleted or moved while it "
                                                     "was being read."));
    if (info.size() != m_size)
        throw ImportFileError(m_line, QStringLiteral("The file changed while it was being read "
                                                     "(%L1 bytes when it was opened, %L2 now). "
                                                     "Import it again once it is complete.")
                                          .arg(m_size)
                                          .arg(info.size()));
}

QString DelimitedFileReader::decode(const QByteArray &bytes, bool last)
{
    switch (m_encoding.kind) {
    case TextEncoding::Latin1: return QString::fromLatin1(bytes);
    case TextEncoding::Windows1252: return FromWindows1252(bytes);
    case TextEncoding::Named: {
        QStringDecoder decoder(m_encoding.name.toLatin1().constData());
        return decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
    }
    case TextEncoding::Utf8: break;
    }
    QByteArray whole = m_pendingBytes + bytes;
    qsizetype tail = 0;
    const qsizetype invalid = FirstInvalidUtf8(whole, last, &tail);
    if (invalid >= 0)
        throw ImportFileError(m_rawLines + LineEnds(whole, invalid) + 1,
                              QStringLiteral("The text is not valid UTF-8. Choose the file's "
                                             "encoding (such as Windows-1252) and import it "
                                             "again."));
    m_pendingBytes = whole.right(tail);
    whole.chop(tail);
    return QString::fromUtf8(whole);
}

// Appends the next chunk; a record longer than what is there asks for as
// much again, so a long record is not scanned over and over.
bool DelimitedFileReader::fill()
{
    if (m_atEnd)
        return false;
    checkFileUnchanged();
    const qint64 want = std::max<qint64>(m_chunkBytes, m_buffer.size() - m_at);
    QByteArray bytes = m_file.read(want);
    if (bytes.isEmpty() && m_file.error() != QFileDevice::NoError)
        throw ImportFileError(m_line, QStringLiteral("The file cannot be read: %1.")
                                          .arg(m_file.errorString()));
    if (!m_started && m_encoding.kind == TextEncoding::Utf8 && bytes.startsWith(Utf8Bom))
        bytes.remove(0, Utf8Bom.size());
    m_started = true;
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
        throw ImportFileError(m_rawLines + LineEnds(bytes, zero) + 1,
                              QStringLiteral("The file holds binary data (a zero byte), so it "
                                             "is not a text file. Only CSV and tab-delimited "
                                             "text can be imported."));
    m_bytesRead += bytes.size();
    const bool last = m_bytesRead >= m_size || bytes.isEmpty();
    m_buffer.remove(0, m_at);
    m_at = 0;
    m_buffer += decode(bytes, last);
    m_rawLines += LineEnds(bytes, bytes.size());
    if (last) {
        checkFileUnchanged();
        m_atEnd = true;
    }
    return true;
}

qint64 DelimitedFileReader::lineAt(qsizetype at) const
{
    return m_line + std::count(m_buffer.constBegin() + m_at, m_buffer.constBegin() + at, u'\n');
}

void DelimitedFileReader::consume(qsizetype end)
{
    m_line = lineAt(end);
    m_at = end;
}

bool DelimitedFileReader::next(Record &record)
{
    for (;;) {
        const bool found = m_layout.trailingTab ? parseTabbedRecord(record) : parseRecord(record);
        if (found) {
            ++m_records;
            return true;
        }
        if (m_buffer.size() - m_at > LargestRecordChars)
            throw ImportFileError(m_line, QStringLiteral("A record is longer than %L1 characters, "
                                                         "so this is not delimited text (or a "
                                                         "quote is never closed).")
                                              .arg(LargestRecordChars));
        if (!fill()) {
            if (m_at < m_buffer.size())
                continue;   // the last record, without a line end
            if (m_records == 0)
                throw ImportFileError(1, QStringLiteral("The file is empty: it holds no rows "
                                                        "to import."));
            return false;
        }
    }
}

// A record of the program's own text ends at TAB, line end; a line end
// inside a value is part of it.
bool DelimitedFileReader::parseTabbedRecord(Record &record)
{
    qsizetype from = m_at;
    for (;;) {
        const qsizetype lf = m_buffer.indexOf(u'\n', from);
        if (lf < 0)
            break;
        qsizetype end = lf;
        if (end > m_at && m_buffer[end - 1] == u'\r')
            --end;
        if (end > m_at && m_buffer[end - 1] == u'\t') {
            record.line = m_line;
            record.fields = QStringView(m_buffer).mid(m_at, end - 1 - m_at).toString().split(u'\t');
            record.quoted.clear();
            consume(lf + 1);
            return true;
        }
        from = lf + 1;
    }
    if (!m_atEnd || m_at >= m_buffer.size())
        return false;
    // A last line without its mark.
    QStringView rest = QStringView(m_buffer).mid(m_at);
    while (rest.endsWith(u'\r') || rest.endsWith(u'\n'))
        rest.chop(1);
    if (rest.endsWith(u'\t'))
        rest.chop(1);
    record.line = m_line;
    record.fields = rest.toString().split(u'\t');
    record.quoted.clear();
    consume(m_buffer.size());
    return true;
}

// A quoted field from the quote at `at`: true when it closed, with `at`
// after the closing quote; false when the text read so far ends inside it.
bool DelimitedFileReader::parseQuoted(qsizetype &at, QString &field)
{
    qsizetype from = at + 1;
    for (;;) {
        const qsizetype quote = m_buffer.indexOf(u'"', from);
        if (quote < 0 || (quote + 1 == m_buffer.size() && !m_atEnd)) {
            if (m_atEnd && quote < 0)
                throw ImportFileError(lineAt(at), QStringLiteral("A quoted field that starts "
                                                                 "here is not closed before "
                                                                 "the end of the file."));
            return false;
        }
        field += QStringView(m_buffer).mid(from, quote - from);
        if (quote + 1 < m_buffer.size() && m_buffer[quote + 1] == u'"') {
            field += u'"';
            from = quote + 2;
            continue;
        }
        at = quote + 1;
        return true;
    }
}

// One RFC 4180 record: fields split by the delimiter, a field in double
// quotes may hold delimiters, quotes (doubled) and line ends. A record ends
// at CR LF, LF or CR. Text after a closing quote is kept as it stands.
bool DelimitedFileReader::parseRecord(Record &record)
{
    if (m_at >= m_buffer.size())
        return false;
    const QChar delimiter = m_layout.delimiter;
    QStringList fields;
    std::vector<bool> quoted;
    bool anyQuoted = false;
    QString field;
    qsizetype at = m_at;
    bool fieldStart = true;
    bool inQuotes = false;
    const qsizetype size = m_buffer.size();
    while (at < size) {
        inQuotes = fieldStart ? false : inQuotes;
        if (fieldStart && m_buffer[at] == u'"') {
            if (!parseQuoted(at, field))
                return false;
            inQuotes = anyQuoted = true;
        }
        fieldStart = false;
        qsizetype end = at;
        while (end < size) {
            const QChar c = m_buffer[end];
            if (c == delimiter || c == u'\n' || c == u'\r')
                break;
            ++end;
        }
        field += QStringView(m_buffer).mid(at, end - at);
        if (end == size)
            break;
        const QChar c = m_buffer[end];
        fields << std::exchange(field, QString());
        quoted.push_back(inQuotes);
        if (c == delimiter) {
            at = end + 1;
            fieldStart = true;
            continue;
        }
        if (c == u'\r' && end + 1 == size && !m_atEnd)
            return false;   // LF may follow in the next chunk
        const qsizetype next = c == u'\r' && end + 1 < size && m_buffer[end + 1] == u'\n'
                                   ? end + 2
                                   : end + 1;
        record.line = m_line;
        record.fields = std::move(fields);
        record.quoted = anyQuoted ? std::move(quoted) : std::vector<bool>();
        consume(next);
        return true;
    }
    if (!m_atEnd)
        return false;
    // The last record, without a line end.
    fields << field;
    quoted.push_back(inQuotes && !fieldStart);
    record.line = m_line;
    record.fields = std::move(fields);
    record.quoted = anyQuoted ? std::move(quoted) : std::vector<bool>();
    consume(size);
    return true;
}

} // namespace exports
