#pragma once

#include <QString>
#include <QStringView>

// Firebird's dates and times as text. A date is a day number counted from
// 1858-11-17 (proleptic Gregorian calendar), a time of day is counted in
// 1/10000 seconds from midnight.
namespace db {

QString DateText(qint32 date);                 // "yyyy-MM-dd"
QString TimeText(quint32 time);                // "HH:mm:ss", ".ffff" when not whole
QString TimestampText(qint32 date, quint32 time);

// Each reads the whole text and is false for anything else. Dates are
// yyyy-MM-dd (1 to 4 digit year, 1 or 2 digit month and day) within
// 0001-01-01..9999-12-31; times HH:mm[:ss[.f]] with 1 to 4 fraction digits;
// a timestamp is a date, optionally followed by a blank or "T" and a time.
bool ParseDate(QStringView text, qint32 &date);
bool ParseTime(QStringView text, quint32 &time);
bool ParseTimestamp(QStringView text, qint32 &date, quint32 &time);

} // namespace db
