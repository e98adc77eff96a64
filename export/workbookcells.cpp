#include "export/workbookcells.h"

#include <ibase.h>

#include <charconv>
#include <cmath>
#include <cstring>

namespace exports {

namespace {

constexpr qint64 ExactDoubleLimit = qint64(1) << 53;
constexpr qint32 SerialDayZero = 15018;   // 1899-12-30 as a day from 1858-11-17
constexpr qint32 FirstSerialDay = 15079;  // 1900-03-01: earlier serials are off by one
constexpr double MillisecondsPerDay = 86'400'000.0;
constexpr ISC_TIME TicksPerMillisecond = 10;     // a tick is 1/10000 s
constexpr int SheetNameLimit = 31;

template <typename T>
T Load(QByteArrayView bytes)
{
    T value{};
    std::memcpy(&value, bytes.data(), std::min<std::size_t>(sizeof value, bytes.size()));
    return value;
}

qint64 IntegerOf(const db::SqlType &type, QByteArrayView bytes)
{
    switch (type.type) {
    case SQL_SHORT: return Load<qint16>(bytes);
    case SQL_LONG: return Load<qint32>(bytes);
    default: return Load<qint64>(bytes);
    }
}

std::optional<double> DaySerial(qint32 date)
{
    if (date < FirstSerialDay)
        return std::nullopt;
    return double(date - SerialDayZero);
}

// The time of day cut to the millisecond, the finest a format shows: a
// spreadsheet rounds to its three places, and 23:59:59.9999 would show as
// the next day's midnight.
double DayFraction(ISC_TIME ticks)
{
    return (ticks / TicksPerMillisecond) / MillisecondsPerDay;
}

// A single-precision value as the grid shows it: the shortest decimal that
// reads back as the same float, held as the double nearest that decimal
// (0.1, not 0.100000001490116, the double nearest the float).
double ShownFloat(float value)
{
    char text[32];
    const char *end = std::to_chars(text, text + sizeof text, value).ptr;
    double shown = value;
    std::from_chars(text, end, shown);
    return shown;
}

std::optional<double> ExactNumber(const db::Column &column, QByteArrayView bytes)
{
    const qint64 value = IntegerOf(column.sqlType, bytes);
    if (value > ExactDoubleLimit || value < -ExactDoubleLimit)
        return std::nullopt;
    const int places = -column.sqlType.scale;
    if (places == 0)
        return double(value);
    const double number = double(value) / std::pow(10.0, places);
    if (QString::number(number, 'f', places) != db::CellText(column, bytes))
        return std::nullopt;
    return number;
}

// A number the server sent as text ("-123.4500"), as a double when that
// holds it exactly and a spreadsheet shows the same digits: plain decimal
// notation of at most 2^53 in its last digit's unit, a fraction whose
// binary form ends. Exponents, NaN, infinities and negative zero (shown
// as 0) stay text.
std::optional<double> ExactDecimal(QByteArrayView text)
{
    const bool negative = text.startsWith('-');
    qsizetype i = negative ? 1 : 0;
    qint64 digits = 0;
    int places = 0, count = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9' || digits > ExactDoubleLimit / 10)
            return std::nullopt;
        digits = digits * 10 + (c - '0');
        places += point ? 1 : 0;
        ++count;
    }
    if (count == 0 || digits > ExactDoubleLimit || (negative && digits == 0))
        return std::nullopt;
    // digits / 10^places = (digits / 5^places) / 2^places: exact in binary
    // only when 5^places divides the digits.
    for (int p = 0; p < places; ++p) {
        if (digits % 5 != 0)
            return std::nullopt;
        digits /= 5;
    }
    const double value = std::ldexp(double(digits), -places);
    return negative ? -value : value;
}

int DecimalPlaces(QByteArrayView text)
{
    const qsizetype point = text.indexOf('.');
    return point < 0 ? 0 : int(text.size() - point - 1);
}

} // namespace

CellKind CellKindOf(const db::Column &column)
{
    if (column.bound != db::TextBound::None)
        return db::IsNumberText(column) ? CellKind::Number : CellKind::Text;
    switch (column.sqlType.type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
    case SQL_FLOAT:
    case SQL_DOUBLE: return CellKind::Number;
    case SQL_TYPE_DATE: return CellKind::Date;
    case SQL_TYPE_TIME: return CellKind::Time;
    case SQL_TIMESTAMP: return CellKind::Timestamp;
    case SQL_BOOLEAN: return CellKind::Boolean;
    default: return CellKind::Text;
    }
}

std::optional<double> NumberCellValue(const db::Column &column, QByteArrayView bytes)
{
    if (db::IsNumberText(column))
        return ExactDecimal(bytes);
    switch (column.sqlType.type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: return ExactNumber(column, bytes);
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        const double value = column.sqlType.type == SQL_FLOAT ? ShownFloat(Load<float>(bytes))
                                                              : Load<double>(bytes);
        return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    }
    case SQL_TYPE_DATE: return DaySerial(Load<ISC_DATE>(bytes));
    case SQL_TYPE_TIME: return DayFraction(Load<ISC_TIME>(bytes));
    case SQL_TIMESTAMP: {
        const auto stamp = Load<ISC_TIMESTAMP>(bytes);
        const std::optional<double> day = DaySerial(stamp.timestamp_date);
        if (!day)
            return std::nullopt;
        return *day + DayFraction(stamp.timestamp_time);
    }
    default: return std::nullopt;
    }
}

bool HasFraction(const db::Column &column, QByteArrayView bytes)
{
    if (column.sqlType.type == SQL_TYPE_TIME)
        return Load<ISC_TIME>(bytes) % 10000 != 0;
    if (column.sqlType.type == SQL_TIMESTAMP)
        return Load<ISC_TIMESTAMP>(bytes).timestamp_time % 10000 != 0;
    return false;
}

// Spreadsheet formats show seconds to 1/1000 at most, and the cell's value
// is cut to that.
QString NumberFormat(const db::Column &column, bool fraction)
{
    const QString seconds = fraction ? QStringLiteral("ss.000") : QStringLiteral("ss");
    switch (CellKindOf(column)) {
    case CellKind::Date: return QStringLiteral("yyyy-mm-dd");
    case CellKind::Time: return QStringLiteral("hh:mm:") + seconds;
    case CellKind::Timestamp: return QStringLiteral("yyyy-mm-dd hh:mm:") + seconds;
    case CellKind::Number:
        if (column.sqlType.type == SQL_FLOAT || column.sqlType.type == SQL_DOUBLE)
            return {};
        if (column.sqlType.scale < 0)
            return QStringLiteral("0.") + QString(-column.sqlType.scale, u'0');
        return QStringLiteral("0");
    default: return {};
    }
}

QString CellNumberFormat(const db::Column &column, QByteArrayView bytes)
{
    if (!db::IsNumberText(column))
        return NumberFormat(column, HasFraction(column, bytes));
    const int places = DecimalPlaces(bytes);
    return places > 0 ? QStringLiteral("0.") + QString(places, u'0') : QStringLiteral("0");
}

QString SheetName(const QString &table, int sheet)
{
    QString name = table;
    for (QChar &c : name) {
        if (QStringView(u"[]:*?/\\").contains(c) || c.unicode() < 0x20)
            c = u'_';
    }
    const QString suffix = sheet > 1 ? QStringLiteral(" (%1)").arg(sheet) : QString();
    name.truncate(SheetNameLimit - suffix.size());
    while (name.startsWith(u'\''))
        name.remove(0, 1);
    while (name.endsWith(u'\''))
        name.chop(1);
    if (name.trimmed().isEmpty())
        name = QStringLiteral("Sheet");
    return name + suffix;
}

QString WorkbookFileName(const QString &table)
{
    QString name = table.trimmed();
    for (QChar &c : name) {
        if (c == u'/' || c.unicode() < 0x20)
            c = u'_';
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("table");
    return name.left(200) + QStringLiteral(".xlsx");
}

} // namespace exports
