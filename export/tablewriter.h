#pragma once

#include "export/gridview.h"

#include <QString>
#include <QStringList>

class QIODevice;

namespace exports {

// One export format: told the columns, then each row in order, then the
// end. Failures throw (std::runtime_error with the reason).
class TableWriter
{
public:
    virtual ~TableWriter() = default;
    virtual void begin(const std::vector<db::Column> &columns, const QStringList &captions) = 0;
    virtual void row(const Row &row) = 0;
    virtual void end() = 0;
    // What the user should hear after the export; empty when nothing.
    virtual QString notice() const { return {}; }
};

// The text formats: UTF-8, CR LF line ends, written through a buffer so a
// large table costs few system calls.
class TextTableWriter : public TableWriter
{
public:
    explicit TextTableWriter(QIODevice &device) : m_device(device) {}
    void end() override;

protected:
    void put(QStringView text) { m_buffer += text; }
    void put(QChar c) { m_buffer += c; }
    void endLine();   // CR LF, and a flush when the buffer is full
    void flush();

private:
    QIODevice &m_device;
    QString m_buffer;
};

// Tab-delimited: a heading line of captions, then a line per row; every
// field is followed by a TAB, the last one too; nothing is quoted.
class DelimitedTextWriter : public TextTableWriter
{
public:
    using TextTableWriter::TextTableWriter;
    void begin(const std::vector<db::Column> &columns, const QStringList &captions) override;
    void row(const Row &row) override;
};

// What the user may choose for a CSV file.
struct CsvOptions
{
    bool byteOrderMark = false;   // spreadsheet programs take the file for UTF-8 then
    QChar delimiter = u',';
    QString nullText;             // written for NULL; empty: an empty field
};

// Comma-separated values: a heading line, then a record per row; a field
// holding the delimiter, a double quote, CR or LF is quoted, its quotes
// doubled.
class CsvWriter : public TextTableWriter
{
public:
    explicit CsvWriter(QIODevice &device, CsvOptions options = {})
        : TextTableWriter(device), m_options(std::move(options)) {}
    void begin(const std::vector<db::Column> &columns, const QStringList &captions) override;
    void row(const Row &row) override;

private:
    void field(QStringView text, bool first);

    CsvOptions m_options;
};

// "<xml>", a "<row>" element per row with an element per column named after
// its caption, "</xml>" without a line end. Names are made valid XML names
// and texts escaped, so any XML parser reads the file back.
class XmlWriter : public TextTableWriter
{
public:
    using TextTableWriter::TextTableWriter;
    void begin(const std::vector<db::Column> &columns, const QStringList &captions) override;
    void row(const Row &row) override;
    void end() override;
    QString notice() const override;

private:
    void escaped(QStringView text);

    QStringList m_openTags;
    QStringList m_closeTags;
    qint64 m_dropped = 0;
};

// A CSV field as written: quoted only when it must be.
QString CsvField(QStringView text, QChar delimiter = u',');
// A caption as an XML element name: characters a name cannot hold become
// "_", and a name that cannot start an element gets a "_" in front.
QString XmlElementName(const QString &caption);
// Text content with "&", "<", ">" escaped and CR as a character reference
// (a parser would turn it into LF); characters XML 1.0 cannot hold are
// dropped and counted in *dropped.
QString XmlText(QStringView text, qint64 *dropped);

} // namespace exports
