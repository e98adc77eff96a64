#include "db/sql/cellcodec.h"

#include "db/sql/charsets.h"
#include "db/sql/datetext.h"

#include <QStringDecoder>

#include <ibase.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <string>

namespace db {

namespace {

template <typename T>
T Load(QByteArrayView bytes)
{
    T value{};
    if (bytes.size() >= qsizetype(sizeof(T)))
        std::memcpy(&value, bytes.data(), sizeof(T));
    return value;
}

template <typename T>
QByteArray Store(T value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof(T));
}

ParsedCell Ok(QByteArray bytes)
{
    return {true, false, std::move(bytes), {}};
}

ParsedCell Fail(const QString &error)
{
    return {false, false, {}, error};
}

// ---- integers and exact decimals -----------------------------------------

QString DecimalText(qint64 value, int scale)
{
    char digits[24];
    const quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    const int count = int(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    const int fraction = scale < 0 ? std::min(-scale, 30) : 0;
    // Composed in place and turned into a string once: every numeric cell
    // of a grid and of an export passes through here.
    char text[64];
    char *out = text;
    if (value < 0)
        *out++ = '-';
    if (fraction == 0) {
        out = std::copy(digits, digits + count, out);
    } else if (count <= fraction) {
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, fraction - count, '0');
        out = std::copy(digits, digits + count, out);
    } else {
        out = std::copy(digits, digits + count - fraction, out);
        *out++ = '.';
        out = std::copy(digits + count - fraction, digits + count, out);
    }
    return QString::fromLatin1(text, out - text);
}

struct IntRange
{
    qint64 min;
    qint64 max;
};

IntRange RangeOf(unsigned type)
{
    switch (type) {
    case SQL_SHORT: return {std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()};
    case SQL_LONG: return {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
    default: return {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()};
    }
}

QByteArray IntegerBytes(unsigned type, qint64 value)
{
    switch (type) {
    case SQL_SHORT: return Store(qint16(value));
    case SQL_LONG: return Store(qint32(value));
    default: return Store(value);
    }
}

qint64 IntegerValue(unsigned type, QByteArrayView bytes)
{
    switch (type) {
    case SQL_SHORT: return Load<qint16>(bytes);
    case SQL_LONG: return Load<qint32>(bytes);
    default: return Load<qint64>(bytes);
    }
}

bool AddDigit(quint64 &magnitude, QChar digit)
{
    return !__builtin_mul_overflow(magnitude, 10u, &magnitude)
           && !__builtin_add_overflow(magnitude, quint64(digit.unicode() - '0'), &magnitude);
}

QString PlacesError(int places)
{
    if (places == 0)
        return QStringLiteral("Whole numbers only");
    return places == 1 ? QStringLiteral("At most 1 decimal place")
                       : QStringLiteral("At most %1 decimal places").arg(places);
}

ParsedCell ParseDecimal(const SqlType &type, QStringView text)
{
    const int places = type.scale < 0 ? -type.scale : 0;
    const IntRange range = RangeOf(type.type);
    const QString rangeError = QStringLiteral("Out of range (%1 to %2)")
                                   .arg(DecimalText(range.min, -places),
                                        DecimalText(range.max, -places));
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == QLatin1Char('-');
    if (!text.isEmpty() && (negative || text[0] == QLatin1Char('+')))
        ++i;
    quint64 magnitude = 0;
    int digits = 0, fractionDigits = 0;
    bool point = false, overflow = false;
    for (; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == QLatin1Char('.') && !point) {
            point = true;
        } else if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) {
            ++digits;
            fractionDigits += point ? 1 : 0;
            overflow = overflow || !AddDigit(magnitude, ch);
        } else {
            return Fail(QStringLiteral("Not a number"));
        }
    }
    if (digits == 0)
        return Fail(QStringLiteral("Not a number"));
    if (fractionDigits > places)
        return Fail(PlacesError(places));
    for (int pad = fractionDigits; pad < places; ++pad)
        overflow = overflow || !AddDigit(magnitude, QLatin1Char('0'));
    const quint64 limit = negative ? 0 - quint64(range.min) : quint64(range.max);
    if (overflow || magnitude > limit)
        return Fail(rangeError);
    const qint64 value = negative ? qint64(0 - magnitude) : qint64(magnitude);
    return Ok(IntegerBytes(type.type, value));
}

// ---- floating point --------------------------------------------------------

template <typename T>
QString FloatText(T value)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return QString::fromLatin1(buffer, int(end - buffer));
}

template <typename T>
ParsedCell ParseFloat(QStringView text)
{
    std::string latin = text.toString().toStdString();
    if (!latin.empty() && latin[0] == '+')
        latin.erase(0, 1);
    T value{};
    const char *end = latin.data() + latin.size();
    const auto result = std::from_chars(latin.data(), end, value);
    if (latin.empty() || result.ec == std::errc::invalid_argument || result.ptr != end)
        return Fail(QStringLiteral("Not a number"));
    if (result.ec == std::errc::result_out_of_range)
        return Fail(QStringLiteral("Out of range"));
    return Ok(Store(value));
}

// ---- dates and times -------------------------------------------------------

ParsedCell DateCell(QStringView text)
{
    ISC_DATE date = 0;
    if (!ParseDate(text, date))
        return Fail(QStringLiteral("Not a valid date (yyyy-MM-dd)"));
    return Ok(Store(date));
}

ParsedCell TimeCell(QStringView text)
{
    ISC_TIME time = 0;
    if (!ParseTime(text, time))
        return Fail(QStringLiteral("Not a valid time (HH:mm:ss)"));
    return Ok(Store(time));
}

ParsedCell TimestampCell(QStringView text)
{
    ISC_TIMESTAMP stamp{0, 0};
    if (!ParseTimestamp(text, stamp.timestamp_date, stamp.timestamp_time))
        return Fail(QStringLiteral("Not a valid timestamp (yyyy-MM-dd HH:mm:ss)"));
    return Ok(Store(stamp));
}

// ---- booleans and text -----------------------------------------------------

ParsedCell ParseBoolean(QStringView text)
{
    static const char *const Truths[] = {"true", "1", "yes"};
    static const char *const Falsehoods[] = {"false", "0", "no"};
    for (const char *word : Truths)
        if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return Ok(Store(FB_BOOLEAN(FB_TRUE)));
    for (const char *word : Falsehoods)
        if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return Ok(Store(FB_BOOLEAN(FB_FALSE)));
    return Fail(QStringLiteral("Not a boolean (true or false)"));
}

bool IsText(const SqlType &type)
{
    return type.type == SQL_VARYING || type.type == SQL_TEXT;
}

// Text too wide to arrive as UTF-8: in the column's own character set.
bool IsOwnCharSet(const SqlType &type)
{
    return IsText(type) && type.charSet != CsNone && type.charSet != CsOctets
           && type.charSet != CsUtf8;
}

bool IsTextBlob(const SqlType &type)
{
    return type.type == SQL_BLOB && type.subType == 1;
}

// The engine ignores trailing blanks when a value is too long, so they do
// not count against the declared length.
qsizetype CharacterCount(QStringView text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    qsizetype count = 0;
    for (qsizetype i = 0; i < end; ++i)
        if (!text[i].isLowSurrogate())
            ++count;
    return count;
}

ParsedCell ParseText(const Column &column, const QString &text)
{
    const unsigned charSet = column.sqlType.charSet;
    if (charSet == CsOctets) {
        const QByteArray latin = text.toLatin1();
        const QByteArray bytes = QByteArray::fromHex(latin);
        if (latin.size() % 2 != 0 || bytes.size() * 2 != latin.size()
            || bytes.toHex().compare(latin, Qt::CaseInsensitive) != 0)
            return Fail(QStringLiteral("Not hexadecimal bytes"));
        return Ok(bytes);
    }
    QByteArray utf8 = text.toUtf8();
    if (column.charLength > 0 && IsText(column.sqlType)) {
        const qsizetype count = charSet == CsNone ? utf8.size() : CharacterCount(text);
        if (count > qsizetype(column.charLength))
            return Fail(QStringLiteral("At most %1 characters").arg(column.charLength));
    }
    if (IsOwnCharSet(column.sqlType)) {
        QByteArray bytes;
        if (!EncodeCharSet(charSet, text, bytes))
            return Fail(QStringLiteral("A character is not in the column's character set %1")
                            .arg(CharSetName(charSet)));
        return Ok(std::move(bytes));
    }
    return Ok(std::move(utf8));
}

// A value the server converts itself: only blank text is refused here, as
// for the binary types; anything else goes to the server, which refuses
// what it cannot read in its own words.
ParsedCell ParseServerText(const Column &column, QStringView text)
{
    if (!text.isEmpty())
        return Ok(text.toUtf8());
    switch (column.bound) {
    case TextBound::TimeTz: return Fail(QStringLiteral("Not a valid time (HH:mm:ss and a time zone)"));
    case TextBound::TimestampTz:
        return Fail(QStringLiteral("Not a valid timestamp (yyyy-MM-dd HH:mm:ss and a time zone)"));
    default: return Fail(QStringLiteral("Not a number"));
    }
}

} // namespace

QString DecodeText(unsigned charSet, QByteArrayView bytes)
{
    if (charSet == CsOctets)
        return QString::fromLatin1(bytes.toByteArray().toHex().toUpper());
    if (charSet != CsNone && charSet != CsUtf8)
        return DecodeCharSet(charSet, bytes);
    // Keep a leading byte order mark: it is part of the value. Stateless: a
    // cut-off sequence at the end is an error, not input still to come.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom
                                                  | QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (charSet == CsNone && utf8.hasError())
        return QString::fromLatin1(bytes.data(), bytes.size());
    return text;
}

QString BlobSizeText(qint64 size)
{
    return QStringLiteral("(BLOB, %1 bytes)").arg(size);
}

QString CellText(const Column &column, QByteArrayView bytes)
{
    const SqlType &type = column.sqlType;
    switch (type.type) {
    case SQL_VARYING:
    case SQL_TEXT: return DecodeText(type.charSet, bytes);
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: return DecimalText(IntegerValue(type.type, bytes), type.scale);
    case SQL_FLOAT: return FloatText(Load<float>(bytes));
    case SQL_DOUBLE: return FloatText(Load<double>(bytes));
    case SQL_TYPE_DATE: return DateText(Load<ISC_DATE>(bytes));
    case SQL_TYPE_TIME: return TimeText(Load<ISC_TIME>(bytes));
    case SQL_TIMESTAMP: {
        const auto stamp = Load<ISC_TIMESTAMP>(bytes);
        return TimestampText(stamp.timestamp_date, stamp.timestamp_time);
    }
    case SQL_BOOLEAN:
        return Load<FB_BOOLEAN>(bytes) ? QStringLiteral("true") : QStringLiteral("false");
    case SQL_BLOB: return QStringLiteral("(BLOB)");
    case SQL_ARRAY: return QStringLiteral("(ARRAY)");
    default: return QStringLiteral("(?)");
    }
}

ParsedCell ParseCellText(const Column &column, const QString &text)
{
    const SqlType &type = column.sqlType;
    if (column.bound != TextBound::None)
        return ParseServerText(column, QStringView(text).trimmed());
    if (IsText(type) || IsTextBlob(type))
        return ParseText(column, text);
    const QStringView value = QStringView(text).trimmed();
    switch (type.type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: return ParseDecimal(type, value);
    case SQL_FLOAT: return ParseFloat<float>(value);
    case SQL_DOUBLE: return ParseFloat<double>(value);
    case SQL_TYPE_DATE: return DateCell(value);
    case SQL_TYPE_TIME: return TimeCell(value);
    case SQL_TIMESTAMP: return TimestampCell(value);
    case SQL_BOOLEAN: return ParseBoolean(value);
    default: return Fail(QStringLiteral("This column cannot be edited as text"));
    }
}

ParsedCell StoredCell(const Column &column, const Cell &cell)
{
    if (column.sqlType.type == SQL_BLOB)
        return Fail(QStringLiteral("Blob contents are read separately"));
    if (cell.null)
        return {true, true, {}, {}};
    return Ok(cell.bytes.toByteArray());
}

Param CellParam(const Column &column, const ParsedCell &value)
{
    const SqlType &type = column.sqlType;
    if (value.null)
        return Param::nullOf(type);
    if (IsText(type) || IsTextBlob(type)) {
        if (type.charSet == CsNone || type.charSet == CsOctets || IsOwnCharSet(type))
            return Param::bytes(value.bytes, type.charSet);
        return Param::text(QString::fromUtf8(value.bytes));
    }
    if (type.type == SQL_BLOB)
        return Param::bytes(value.bytes, CsOctets);
    return Param::native(type, value.bytes);
}

bool IsEditableType(const Column &column)
{
    const SqlType &type = column.sqlType;
    switch (type.type) {
    case SQL_VARYING:
    case SQL_TEXT: return type.charSet != CsOctets;
    case SQL_BLOB: return type.subType == 1 && type.charSet != CsOctets;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TIMESTAMP:
    case SQL_BOOLEAN: return true;
    default: return false;
    }
}

} // namespace db
