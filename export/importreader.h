#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace exports {

// A file that cannot be imported as it stands: what is wrong, and on which
// line of the file (1-based).
class ImportFileError : public std::runtime_error
{
public:
    ImportFileError(qint64 line, const QString &reason);
    qint64 line() const { return m_line; }
    QString reason() const { return m_reason; }
    // "Line 12: ..." as the user reads it.
    QString text() const;

private:
    qint64 m_line;
    QString m_reason;
};

// The encodings a file is read in. Utf8 also takes a file with a
// byte-order mark; Named is any other encoding the platform knows by name.
struct TextEncoding
{
    enum Kind { Utf8, Windows1252, Latin1, Named } kind = Utf8;
    QString name;   // Named only, as QStringDecoder knows it ("windows-1250")

    QString title() const;
};

// The encoding name of a Firebird character set ("WIN1250" -> "windows-1250"),
// empty for one without a single-byte encoding of its own (UTF8, NONE).
QString EncodingOfCharSet(const QString &charSet);

// How a delimited file is laid out.
struct TextLayout
{
    QChar delimiter = u',';
    // The program's own tab-delimited text: each field followed by a TAB,
    // the last one too, and no quoting, so a line ends at TAB and line end.
    bool trailingTab = false;
};

// One record of the file: its fields and the line it starts on.
struct Record
{
    qint64 line = 0;
    QStringList fields;
    // Per field: it was in double quotes, so it is text even when empty.
    // Empty when no field was.
    std::vector<bool> quoted;

    bool isQuoted(qsizetype field) const
    {
        return size_t(field) < quoted.size() && quoted[size_t(field)];
    }
};

// What the first bytes of a file say about it: its encoding is valid UTF-8
// so far (the byte-order mark counts as such), the layout that fits best.
struct FileSniff
{
    bool utf8 = true;
    qint64 invalidLine = 0;   // the first line that is not UTF-8, when !utf8
    TextLayout layout;
};
FileSniff SniffFile(const QByteArray &head, const QString &fileName);

// The layout that fits the first lines of a text best: the delimiter
// (comma, semicolon or TAB) that splits every line into the same number of
// fields, most fields first; TAB with a trailing TAB on the first line is
// the program's own text. Without a clear winner, the file's extension.
TextLayout DetectLayout(const QString &head, const QString &fileName);

// Whether the first line of a file names the table's columns: at least half
// of its fields (and one at least) equal a column name, case-insensitively
// with blanks trimmed.
bool LooksLikeCaptions(const QStringList &fields, const QStringList &columnNames);

// Reads a delimited text file one record at a time, in constant memory
// (RFC 4180 quoting, or the program's own tab-delimited text). The file
// must stay as it was when opened: a file that is deleted, grows or
// shrinks while it is read is refused at the next chunk. Every refusal
// throws ImportFileError with the line it concerns.
class DelimitedFileReader
{
public:
    static constexpr qint64 DefaultChunkBytes = 256 * 1024;
    // A longer record is taken for a file that is not delimited text.
    static constexpr qsizetype LargestRecordChars = 64 * 1024 * 1024;

    DelimitedFileReader(const QString &path, TextEncoding encoding, TextLayout layout,
                        qint64 chunkBytes = DefaultChunkBytes);

    // The next record; false after the last.
    bool next(Record &record);
    qint64 size() const { return m_size; }
    qint64 bytesRead() const { return m_bytesRead; }

private:
    bool fill();
    QString decode(const QByteArray &bytes, bool last);
    void checkFileUnchanged();
    bool parseQuoted(qsizetype &at, QString &field);
    bool parseRecord(Record &record);
    bool parseTabbedRecord(Record &record);
    qint64 lineAt(qsizetype at) const;
    void consume(qsizetype end);

    QString m_path;
    QFile m_file;
    TextEncoding m_encoding;
    TextLayout m_layout;
    qint64 m_chunkBytes;
    qint64 m_size = 0;
    qint64 m_bytesRead = 0;
    QByteArray m_pendingBytes;   // an incomplete UTF-8 sequence at a chunk's end
    qint64 m_rawLines = 0;       // line ends in the bytes read so far
    QString m_buffer;
    qsizetype m_at = 0;
    qint64 m_line = 1;           // the line m_at is on
    bool m_atEnd = false;
    bool m_started = false;
    qint64 m_records = 0;
};

} // namespace exports
