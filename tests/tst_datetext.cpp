#include "db/sql/datetext.h"

#include <QDate>
#include <QTest>

using namespace db;

namespace {

// Day 0 of the engine's calendar, 1858-11-17, as a Julian day number.
constexpr qint64 JulianDayOfZero = 2400001;

} // namespace

// Dates and times as text, checked against Qt's calendar.
class tst_DateText : public QObject
{
    Q_OBJECT

private slots:
    void everyDayRoundTrips();
    void everySecondRoundTrips();
    void fractions_data();
    void fractions();
    void timestamps_data();
    void timestamps();
    void rejected_data();
    void rejected();
};

void tst_DateText::everyDayRoundTrips()
{
    qint32 first = 0, last = 0;
    QVERIFY(ParseDate(u"0001-01-01", first));
    QVERIFY(ParseDate(u"9999-12-31", last));
    QCOMPARE(qint64(first) + JulianDayOfZero, QDate(1, 1, 1).toJulianDay());
    QCOMPARE(qint64(last) + JulianDayOfZero, QDate(9999, 12, 31).toJulianDay());
    for (qint32 day = first; day <= last; ++day) {
        const QString text = DateText(day);
        const QString expected = QDate::fromJulianDay(day + JulianDayOfZero)
                                     .toString(QStringLiteral("yyyy-MM-dd"));
        if (text != expected)
            QFAIL(qPrintable(QStringLiteral("day %1: %2, expected %3").arg(day).arg(text, expected)));
        qint32 parsed = -1;
        if (!ParseDate(text, parsed) || parsed != day)
            QFAIL(qPrintable(QStringLiteral("day %1 read back as %2").arg(day).arg(parsed)));
    }
}

void tst_DateText::everySecondRoundTrips()
{
    for (quint32 second = 0; second < 86400; ++second) {
        const quint32 time = second * 10000;
        const QString text = TimeText(time);
        const QString expected = QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss"));
        if (text != expected)
            QFAIL(qPrintable(text + " expected " + expected));
        quint32 parsed = 1;
        if (!ParseTime(text, parsed) || parsed != time)
            QFAIL(qPrintable(text + " read back wrong"));
    }
}

void tst_DateText::fractions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("time");
    QTest::addColumn<QString>("canonical");
    QTest::newRow("last tick") << "23:59:59.9999" << 863999999u << "23:59:59.9999";
    QTest::newRow("one tick") << "00:00:00.0001" << 1u << "00:00:00.0001";
    QTest::newRow("one digit") << "12:00:00.5" << 432005000u << "12:00:00.5000";
    QTest::newRow("two digits") << "12:00:00.12" << 432001200u << "12:00:00.1200";
    QTest::newRow("three digits") << "00:00:01.001" << 10010u << "00:00:01.0010";
    QTest::newRow("zero fraction") << "12:00:00.0000" << 432000000u << "12:00:00";
    QTest::newRow("hours and minutes") << "9:05" << 327000000u << "09:05:00";
}

void tst_DateText::fractions()
{
    QFETCH(QString, text);
    QFETCH(quint32, time);
    QFETCH(QString, canonical);
    quint32 parsed = 0;
    QVERIFY(ParseTime(text, parsed));
    QCOMPARE(parsed, time);
    QCOMPARE(TimeText(parsed), canonical);
}

void tst_DateText::timestamps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("canonical");
    QTest::newRow("full") << "2024-02-29 23:59:59.9999" << "2024-02-29 23:59:59.9999";
    QTest::newRow("date only") << "2024-01-02" << "2024-01-02 00:00:00";
    QTest::newRow("T separator") << "2024-01-02T03:04:05" << "2024-01-02 03:04:05";
    QTest::newRow("no seconds") << "2024-01-02 03:04" << "2024-01-02 03:04:00";
    QTest::newRow("short fields") << "24-1-2 3:04" << "0024-01-02 03:04:00";
    QTest::newRow("first") << "0001-01-01 00:00:00" << "0001-01-01 00:00:00";
}

void tst_DateText::timestamps()
{
    QFETCH(QString, text);
    QFETCH(QString, canonical);
    qint32 date = 0;
    quint32 time = 1;
    QVERIFY(ParseTimestamp(text, date, time));
    QCOMPARE(TimestampText(date, time), canonical);
}

void tst_DateText::rejected_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    const QList<std::pair<const char *, const char *>> cases = {
        {"date", "2023-02-29"}, {"date", "1900-02-29"}, {"date", "2024-13-01"},
        {"date", "2024-00-10"}, {"date", "2024-04-31"}, {"date", "2024-01-00"},
        {"date", "0000-01-01"}, {"date", "10000-01-01"}, {"date", "2024/01/01"},
        {"date", "2024-01-01 10:00"}, {"date", ""}, {"date", "2024-01"},
        {"date", "２０２４-01-01"},
        {"time", "24:00:00"}, {"time", "12:60"}, {"time", "12:00:61"}, {"time", "12:5"},
        {"time", "12:00:00.12345"}, {"time", "12"}, {"time", "12:00:00."}, {"time", "-1:00"},
        {"time", "12:00 "}, {"timestamp", "2024-01-01 25:00"}, {"timestamp", "2024-01-01X10:00"},
        {"timestamp", "2024-01-01T"}, {"timestamp", "2023-02-29 10:00"},
        {"timestamp", "2024-01-01  10:00"},
    };
    for (const auto &[kind, text] : cases)
        QTest::addRow("%s %s", kind, text) << QString::fromLatin1(kind) << QString::fromUtf8(text);
}

void tst_DateText::rejected()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    qint32 date = 0;
    quint32 time = 0;
    if (kind == "date")
        QVERIFY(!ParseDate(text, date));
    else if (kind == "time")
        QVERIFY(!ParseTime(text, time));
    else
        QVERIFY(!ParseTimestamp(text, date, time));
}

QTEST_GUILESS_MAIN(tst_DateText)
#include "tst_datetext.moc"
