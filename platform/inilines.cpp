#include "platform/inilines.h"

#include <algorithm>
#include <iterator>

namespace platform {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr char SimpleEscapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},
                                     {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'},
                                     {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};

bool IsHexDigit(uint ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

QByteArray WithoutCarriageReturn(const QByteArray &line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

// The section a "[...]" line opens; none for any other line. Top-level keys
// live in "[General]", so a section of that name is written "[%General]".
std::optional<QString> SectionOf(const QByteArray &line)
{
    const QByteArray text = WithoutCarriageReturn(line).trimmed();
    if (!text.startsWith('[') || !text.contains(']'))
        return std::nullopt;
    const QString name = IniUnescapedKey(text.mid(1, text.indexOf(']') - 1));
    if (name.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return QString();
    if (name.compare(QLatin1String("%General"), Qt::CaseInsensitive) == 0)
        return name.mid(1);
    return name;
}

QByteArray SectionLine(const QString &section)
{
    if (section.isEmpty())
        return "[General]";
    if (section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return "[%" + section.toLatin1() + ']';
    return '[' + IniEscapedKey(section) + ']';
}

// A "key=value" line cut where a ";" outside quotes starts a comment; the
// position of its "=", or -1 when it holds none.
qsizetype Assignment(QByteArray &text)
{
    qsizetype equals = -1;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char ch = text.at(i);
        if (ch == '\\') {
            ++i;
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == '=' && equals < 0) {
            equals = i;
        } else if (ch == ';' && !inQuotes) {
            text.truncate(i);
            break;
        }
    }
    return equals;
}

// A numeric escape's digits from `i` on, in the given base.
uint EscapeValue(const QByteArray &text, qsizetype &i, int base)
{
    uint value = 0;
    while (i < text.size()) {
        const char ch = text.at(i);
        const bool digit = base == 16 ? IsHexDigit(uchar(ch)) : (ch >= '0' && ch <= '7');
        if (!digit)
            break;
        value = value * base + QByteArray(1, ch).toUInt(nullptr, 16);
        ++i;
    }
    return value;
}

} // namespace

QByteArray IniEscapedKey(const QString &key)
{
    QByteArray result;
    for (const QChar qch : key) {
        const uint ch = qch.unicode();
        if (ch == '/') {
            result += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')
                   || ch == '_' || ch == '-' || ch == '.') {
            result += char(ch);
        } else if (ch <= 0xFF) {
            result += '%';
            result += HexDigits[ch / 16];
            result += HexDigits[ch % 16];
        } else {
            result += "%U" + QByteArray::number(ch, 16).toUpper().rightJustified(4, '0');
        }
    }
    return result;
}

QString IniUnescapedKey(const QByteArray &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size();) {
        const uchar ch = uchar(text.at(i));
        if (ch == '\\') {
            result += QLatin1Char('/');
            ++i;
            continue;
        }
        const bool wide = ch == '%' && text.mid(i + 1, 1) == "U";
        const qsizetype digits = wide ? 4 : 2;
        const qsizetype first = i + (wide ? 2 : 1);
        bool ok = false;
        const uint code = ch == '%' && first + digits <= text.size()
                              ? text.mid(first, digits).toUInt(&ok, 16) : 0;
        if (!ok) {
            result += QLatin1Char(char(ch));
            ++i;
            continue;
        }
        result += QChar(char16_t(code));
        i = first + digits;
    }
    return result;
}

// Control characters, quotes and backslashes as C escapes; a hex digit
// after a numeric escape is escaped too, so that it does not join it.
QByteArray IniEscapedValue(const QString &value)
{
    const QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QByteArray result;
    QString plain;
    const auto flush = [&] { result += plain.toUtf8(); plain.clear(); };
    bool needsQuotes = false;
    bool escapeNextDigit = false;
    for (const QChar qch : text) {
        const uint ch = qch.unicode();
        needsQuotes = needsQuotes || ch == ';' || ch == ',' || ch == '=';
        if (escapeNextDigit && IsHexDigit(ch)) {
            flush();
            result += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextDigit = false;
        const auto simple = std::find_if(std::begin(SimpleEscapes), std::end(SimpleEscapes),
                                         [ch](const char *pair) { return uint(pair[1]) == ch; });
        if (ch == 0 || (ch <= 0x1F && simple == std::end(SimpleEscapes))) {
            flush();
            result += ch == 0 ? QByteArray("\\0") : "\\x" + QByteArray::number(ch, 16);
            escapeNextDigit = true;
        } else if (simple != std::end(SimpleEscapes) && ch != '?' && ch != '\'') {
            flush();
            result += '\\';
            result += (*simple)[0];
        } else {
            plain += qch;
        }
    }
    flush();
    if (needsQuotes || result.startsWith(' ') || result.endsWith(' '))
        result = '"' + result + '"';
    return result;
}

// Spaces around an unquoted value are not part of it; a "," outside quotes
// is kept as it stands (these files hold single texts, never lists).
QString IniUnescapedValue(const QByteArray &text)
{
    QString result;
    QByteArray plain;
    const auto flush = [&] { result += QString::fromUtf8(plain); plain.clear(); };
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text.at(i)))
        ++i;
    bool quoted = false;
    bool inQuotes = false;
    qsizetype keep = 0;   // trailing blanks before this length are the value's own
    while (i < text.size()) {
        const char ch = text.at(i++);
        if (ch == '"') {
            flush();
            quoted = true;
            inQuotes = !inQuotes;
            while (!inQuotes && i < text.size() && IsBlank(text.at(i)))
                ++i;
        } else if (ch == '\\' && i < text.size()) {
            flush();
            const char code = text.at(i++);
            const auto simple = std::find_if(std::begin(SimpleEscapes), std::end(SimpleEscapes),
                                             [code](const char *pair) { return pair[0] == code; });
            if (simple != std::end(SimpleEscapes))
                result += QLatin1Char((*simple)[1]);
            else if (code == 'x' && i < text.size() && IsHexDigit(uchar(text.at(i))))
                result += QChar(char16_t(EscapeValue(text, i, 16)));
            else if (code >= '0' && code <= '7')
                result += QChar(char16_t(EscapeValue(text, --i, 8)));
            keep = result.size();
        } else if (ch != '\\') {
            plain += ch;
        }
    }
    flush();
    if (!quoted) {
        while (result.size() > keep && (result.endsWith(' ') || result.endsWith('\t')))
            result.chop(1);
    }
    return result;
}

IniLines::IniLines(const QByteArray &bytes) : m_lines(bytes.split('\n'))
{
}

QByteArray IniLines::bytes() const
{
    return m_lines.join('\n');
}

IniLines::Place IniLines::Split(const QString &path)
{
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QString(), path};
    return {path.left(slash), path.mid(slash + 1)};
}

qsizetype IniLines::lineOf(const Place &place) const
{
    qsizetype found = -1;
    QString section;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (const std::optional<QString> opened = SectionOf(m_lines[i])) {
            section = *opened;
            continue;
        }
        QByteArray text = WithoutCarriageReturn(m_lines[i]);
        const qsizetype equals = Assignment(text);
        if (equals > 0 && section == place.section
            && IniUnescapedKey(text.left(equals).trimmed()) == place.key)
            found = i;
    }
    return found;
}

std::optional<QString> IniLines::value(const QString &path) const
{
    const qsizetype line = lineOf(Split(path));
    if (line < 0)
        return std::nullopt;
    QByteArray text = WithoutCarriageReturn(m_lines[line]);
    const qsizetype equals = Assignment(text);
    // A leading "@" marks a typed value ("@Invalid()" one never set), so a
    // text's own leading "@" is doubled.
    const QString value = IniUnescapedValue(text.mid(equals + 1));
    if (value == QLatin1String("@Invalid()"))
        return std::nullopt;
    return value.startsWith(QLatin1String("@@")) ? value.mid(1) : value;
}

// After the last non-blank line of the section; -1 when there is none.
qsizetype IniLines::insertionLine(const QString &section) const
{
    qsizetype after = -1;
    bool inside = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (const std::optional<QString> opened = SectionOf(m_lines[i])) {
            inside = *opened == section;
            if (inside)
                after = i + 1;
        } else if (inside && !m_lines[i].trimmed().isEmpty()) {
            after = i + 1;
        }
    }
    return after;
}

void IniLines::set(const QString &path, const QString &value)
{
    const Place place = Split(path);
    const QByteArray lineEnd = m_lines.first().endsWith('\r') ? "\r" : "";
    const QByteArray line = IniEscapedKey(place.key) + '=' + IniEscapedValue(value);
    if (const qsizetype at = lineOf(place); at >= 0) {
        m_lines[at] = line + (m_lines[at].endsWith('\r') ? "\r" : "");
        return;
    }
    // The file ends with a line end before anything is added.
    if (!m_lines.last().isEmpty())
        m_lines.append(QByteArray());
    if (const qsizetype at = insertionLine(place.section); at >= 0) {
        m_lines.insert(at, line + lineEnd);
        return;
    }
    const bool empty = m_lines.size() == 1;
    if (!empty && !m_lines[m_lines.size() - 2].trimmed().isEmpty())
        m_lines.insert(m_lines.size() - 1, lineEnd);
    m_lines.insert(m_lines.size() - 1, SectionLine(place.section) + lineEnd);
    m_lines.insert(m_lines.size() - 1, line + lineEnd);
}

} // namespace platform
