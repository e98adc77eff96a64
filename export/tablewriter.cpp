#include "export/tablewriter.h"

#include "export/atomicfile.h"

#include <QHash>
#include <QIODevice>
#include <QMutex>
#include <QXmlStreamReader>

namespace exports {

namespace {

constexpr qsizetype FlushChars = 32 * 1024;

bool IsXml5NameStart(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'
        || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF)
        || (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF)
        || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F)
        || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF)
        || (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsXml5NameChar(char32_t c)
{
    return IsXml5NameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7
        || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Many readers (Qt's, expat) still judge names by the older XML 1.0 rules,
// whose letters are those of Unicode 2.0: U+FFFD or a letter added since
// is a name character for the newer rules only. A character outside ASCII
// is kept when a reader of the older kind takes it too, which Qt's reader
// tells; the answers are kept, as an export asks about few characters.
bool OlderReadersTake(char32_t c, bool start)
{
    if (c > 0xFFFF)
        return false;
    static QMutex lock;
    static QHash<quint32, bool> known;
    const quint32 key = quint32(c) << 1 | (start ? 1 : 0);
    QMutexLocker locker(&lock);
    const auto found = known.constFind(key);
    if (found != known.constEnd())
        return *found;
    const QString character = QString::fromUcs4(&c, 1);
    const QString name = start ? character : QStringLiteral("a") + character;
    QXmlStreamReader reader(QStringLiteral("<") + name + QStringLiteral("/>"));
    const bool taken = reader.readNextStartElement() && !reader.hasError() && reader.name() == name;
    known.insert(key, taken);
    return taken;
}

bool IsNameStart(char32_t c)
{
    return IsXml5NameStart(c) && (c < 0x80 || OlderReadersTake(c, true));
}

// ':' is a valid name character too, but a namespace-aware reader takes it
// for a prefix; it becomes "_" like any other.
bool IsNameChar(char32_t c)
{
    return IsXml5NameChar(c) && (c < 0x80 || OlderReadersTake(c, false));
}

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
        || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool NeedsCsvQuotes(QStringView text, QChar delimiter)
{
    for (QChar c : text) {
        if (c == delimiter || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

bool IsPlainXmlText(QStringView text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == '&' || u == '<' || u == '>' || u >= 0xD800)
            return false;
    }
    return true;
}

} // namespace

void TextTableWriter::endLine()
{
    m_buffer += QLatin1String("\r\n");
    if (m_buffer.size() >= FlushChars)
        flush();
}

void TextTableWriter::flush()
{
    if (m_buffer.isEmpty())
        return;
    WriteAll(m_device, m_buffer.toUtf8());
    m_buffer.clear();
}

void TextTableWriter::end()
{
    flush();
}

void DelimitedTextWriter::begin(const std::vector<db::Column> &, const QStringList &captions)
{
    for (const QString &caption : captions) {
        put(caption);
        put(u'\t');
    }
    endLine();
}

void DelimitedTextWriter::row(const Row &row)
{
    for (const QString &text : row.texts) {
        put(text);
        put(u'\t');
    }
    endLine();
}

QString CsvField(QStringView text, QChar delimiter)
{
    if (!NeedsCsvQuotes(text, delimiter))
        return text.toString();
    QString quoted = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'"')
            quoted += c;
        quoted += c;
    }
    return quoted + u'"';
}

void CsvWriter::field(QStringView text, bool first)
{
    if (!first)
        put(m_options.delimiter);
    if (NeedsCsvQuotes(text, m_options.delimiter))
        put(CsvField(text, m_options.delimiter));
    else
        put(text);
}

void CsvWriter::begin(const std::vector<db::Column> &, const QStringList &captions)
{
    if (m_options.byteOrderMark)
        put(QChar(0xFEFF));
    for (qsizetype i = 0; i < captions.size(); ++i)
        field(captions[i], i == 0);
    endLine();
}

// NULL is the NULL text (empty by default) unquoted; a text that would
// read back as NULL (empty, or the NULL text) goes in quotes.
void CsvWriter::row(const Row &row)
{
    for (std::size_t i = 0; i < row.texts.size(); ++i) {
        const QString &text = row.texts[i];
        if (i < row.nulls.size() && row.nulls[i]) {
            field(m_options.nullText, i == 0);
        } else if (text.isEmpty() || text == m_options.nullText) {
            if (i != 0)
                put(m_options.delimiter);
            put(u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"');
        } else {
            field(text, i == 0);
        }
    }
    endLine();
}

QString XmlElementName(const QString &caption)
{
    QString name;
    for (char32_t c : caption.toUcs4())
        name += IsNameChar(c) ? QString::fromUcs4(&c, 1) : QStringLiteral("_");
    if (name.isEmpty() || !IsNameStart(name.toUcs4().value(0)))
        name.prepend(u'_');
    return name;
}

QString XmlText(QStringView text, qint64 *dropped)
{
    if (IsPlainXmlText(text))
        return text.toString();
    QString out;
    for (char32_t c : text.toUcs4()) {
        if (!IsXmlChar(c)) {
            ++*dropped;
            continue;
        }
        switch (c) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '\r': out += QLatin1String("&#13;"); break;
        default: out += QString::fromUcs4(&c, 1);
        }
    }
    return out;
}

void XmlWriter::begin(const std::vector<db::Column> &, const QStringList &captions)
{
    for (const QString &caption : captions) {
        const QString name = XmlElementName(caption);
        m_openTags << u'<' + name + u'>';
        m_closeTags << QStringLiteral("</") + name + u'>';
    }
    put(QStringLiteral("<xml>"));
    endLine();
}

void XmlWriter::escaped(QStringView text)
{
    if (IsPlainXmlText(text))
        put(text);
    else
        put(XmlText(text, &m_dropped));
}

void XmlWriter::row(const Row &row)
{
    put(QStringLiteral("<row>"));
    endLine();
    for (std::size_t i = 0; i < row.texts.size(); ++i) {
        put(m_openTags[qsizetype(i)]);
        escaped(row.texts[i]);
        put(m_closeTags[qsizetype(i)]);
        endLine();
    }
    put(QStringLiteral("</row>"));
    endLine();
}

void XmlWriter::end()
{
    put(QStringLiteral("</xml>"));
    TextTableWriter::end();
}

QString XmlWriter::notice() const
{
    if (m_dropped == 0)
        return {};
    return QStringLiteral("%1 characters that an XML file cannot hold were left out of the export.")
        .arg(m_dropped);
}

} // namespace exports
