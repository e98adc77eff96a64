#include "db/sql/datetext.h"

#include <cstdio>

namespace db {

namespace {

constexpr int MjdOfUnixEpoch = 40587;            // 1970-01-01 in days since 1858-11-17
constexpr unsigned TimeUnitsPerSecond = 10000;

struct Ymd
{
    int year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian calendar, days relative to 1970-01-01.
int DaysFromCivil(Ymd date)
{
    const int y = date.year - (date.month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (date.month > 2 ? date.month - 3 : date.month + 9) + 2) / 5
                         + date.day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int(doe) - 719468;
}

Ymd CivilFromDays(int days)
{
    days += 719468;
    const int era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = unsigned(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {int(yoe) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

unsigned DaysInMonth(int year, unsigned month)
{
    static constexpr unsigned Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : Days[month - 1];
}

// Reads 1..maxDigits decimal digits at pos; -1 when there are none.
int ReadNumber(QStringView text, qsizetype &pos, int minDigits, int maxDigits)
{
    int value = 0, count = 0;
    while (pos < text.size() && count < maxDigits && text[pos].isDigit()
           && text[pos].unicode() < 128) {
        value = value * 10 + (text[pos].unicode() - '0');
        ++pos;
        ++count;
    }
    return count >= minDigits ? value : -1;
}

bool Expect(QStringView text, qsizetype &pos, char ch)
{
    if (pos >= text.size() || text[pos] != QLatin1Char(ch))
        return false;
    ++pos;
    return true;
}

// yyyy-MM-dd at pos, range-checked, as a day number.
bool ReadDate(QStringView text, qsizetype &pos, qint32 &date)
{
    const int year = ReadNumber(text, pos, 1, 4);
    if (year < 0 || !Expect(text, pos, '-'))
        return false;
    const int month = ReadNumber(text, pos, 1, 2);
    if (month < 0 || !Expect(text, pos, '-'))
        return false;
    const int day = ReadNumber(text, pos, 1, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1
        || unsigned(day) > DaysInMonth(year, unsigned(month)))
        return false;
    date = DaysFromCivil({year, unsigned(month), unsigned(day)}) + MjdOfUnixEpoch;
    return true;
}

// HH:mm[:ss[.f{1,4}]] at pos.
bool ReadTime(QStringView text, qsizetype &pos, quint32 &time)
{
    const int hours = ReadNumber(text, pos, 1, 2);
    if (hours < 0 || hours > 23 || !Expect(text, pos, ':'))
        return false;
    const int minutes = ReadNumber(text, pos, 2, 2);
    if (minutes < 0 || minutes > 59)
        return false;
    int seconds = 0, fraction = 0;
    if (Expect(text, pos, ':')) {
        seconds = ReadNumber(text, pos, 2, 2);
        if (seconds < 0 || seconds > 59)
            return false;
        if (Expect(text, pos, '.')) {
            const qsizetype start = pos;
            fraction = ReadNumber(text, pos, 1, 4);
            if (fraction < 0)
                return false;
            for (qsizetype digits = pos - start; digits < 4; ++digits)
                fraction *= 10;
        }
    }
    time = quint32((hours * 3600 + minutes * 60 + seconds) * TimeUnitsPerSecond + fraction);
    return true;
}

} // namespace

namespace {

// Zero-padded digits of value, exactly `width` of them (value < 10^width);
// dates and times are formatted for every row of an export, so no printf.
char *PutDigits(char *out, unsigned value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
    return out + width;
}

char *PutDate(char *out, qint32 date)
{
    const Ymd ymd = CivilFromDays(date - MjdOfUnixEpoch);
    if (ymd.year < 0 || ymd.year > 9999)
        return out + std::snprintf(out, 40, "%04d-%02u-%02u", ymd.year, ymd.month, ymd.day);
    out = PutDigits(out, unsigned(ymd.year), 4);
    *out++ = '-';
    out = PutDigits(out, ymd.month, 2);
    *out++ = '-';
    return PutDigits(out, ymd.day, 2);
}

char *PutTime(char *out, quint32 time)
{
    const unsigned seconds = time / TimeUnitsPerSecond;
    const unsigned fraction = time % TimeUnitsPerSecond;
    out = PutDigits(out, seconds / 3600, 2);
    *out++ = ':';
    out = PutDigits(out, seconds / 60 % 60, 2);
    *out++ = ':';
    out = PutDigits(out, seconds % 60, 2);
    if (fraction != 0) {
        *out++ = '.';
        out = PutDigits(out, fraction, 4);
    }
    return out;
}

} // namespace

QString DateText(qint32 date)
{
    char buffer[48];
    return QString::fromLatin1(buffer, PutDate(buffer, date) - buffer);
}

QString TimeText(quint32 time)
{
    char buffer[32];
    return QString::fromLatin1(buffer, PutTime(buffer, time) - buffer);
}

QString TimestampText(qint32 date, quint32 time)
{
    char buffer[80];
    char *end = PutDate(buffer, date);
    *end++ = ' ';
    end = PutTime(end, time);
    return QString::fromLatin1(buffer, end - buffer);
}

bool ParseDate(QStringView text, qint32 &date)
{
    qsizetype pos = 0;
    return ReadDate(text, pos, date) && pos == text.size();
}

bool ParseTime(QStringView text, quint32 &time)
{
    qsizetype pos = 0;
    return ReadTime(text, pos, time) && pos == text.size();
}

bool ParseTimestamp(QStringView text, qint32 &date, quint32 &time)
{
    qsizetype pos = 0;
    time = 0;
    if (!ReadDate(text, pos, date))
        return false;
    if (pos < text.size()
        && !((Expect(text, pos, ' ') || Expect(text, pos, 'T')) && ReadTime(text, pos, time)))
        return false;
    return pos == text.size();
}

} // namespace db
