#include "tests/tst_tablemodel_harness.h"

#include <cstdlib>

using namespace db;
using namespace modeltest;

// Exact values through the grid model: what it shows, typed back, is stored
// unchanged, and what is typed lands in the database exactly.
class tst_TableModelValues : public QObject
{
    Q_OBJECT

private slots:
    void shownTextWritesTheSameValue_data();
    void shownTextWritesTheSameValue();
    void typedTextIsStoredExactly_data();
    void typedTextIsStoredExactly();
    void floatsReadBackTheSameBits_data();
    void floatsReadBackTheSameBits();
    void booleanIsACheckBox();
    void nullIsDistinctAndSettable_data();
    void nullIsDistinctAndSettable();
    void emptyTextIsNotNull();
};

void tst_TableModelValues::shownTextWritesTheSameValue_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QString>("shown");
    auto row = [](const char *name, const char *column, const char *literal, const char *shown) {
        QTest::newRow(name) << QString(column) << QString::fromUtf8(literal)
                            << QString::fromUtf8(shown);
    };
    row("smallint max", "S", "32767", "32767");
    row("smallint min", "S", "-32768", "-32768");
    row("integer min", "I", "-2147483648", "-2147483648");
    row("bigint max", "B", "9223372036854775807", "9223372036854775807");
    row("bigint min", "B", "-9223372036854775807 - 1", "-9223372036854775808");
    row("numeric max", "N18", "922337203685477.5807", "922337203685477.5807");
    row("numeric min", "N18", "-922337203685477.5807 - 0.0001", "-922337203685477.5808");
    row("numeric tiny", "N18", "-0.0001", "-0.0001");
    row("numeric zero", "N18", "0", "0.0000");
    row("decimal 4,2", "D42", "-99.99", "-99.99");
    row("numeric 9,3", "N93", "1234567.891", "1234567.891");
    row("float third", "F", "CAST(1 AS FLOAT) / 3", "0.33333334");
    row("float large", "F", "3.4e38", "3.4e+38");
    row("float small", "F", "1.17549435e-38", "1.1754944e-38");
    row("double third", "DP", "1e0 / 3", "0.3333333333333333");
    row("double sum", "DP", "0.1e0 + 0.2e0", "0.30000000000000004");
    row("double max", "DP", "1.7976931348623157e308", "1.7976931348623157e+308");
    row("double tiny", "DP", "-2.5e-300", "-2.5e-300");
    row("date", "DT", "'2024-02-29'", "2024-02-29");
    row("date first", "DT", "'0001-01-01'", "0001-01-01");
    row("date last", "DT", "'9999-12-31'", "9999-12-31");
    row("time last tick", "TM", "'23:59:59.9999'", "23:59:59.9999");
    row("time first tick", "TM", "'00:00:00.0001'", "00:00:00.0001");
    row("time whole", "TM", "'12:00:00'", "12:00:00");
    row("timestamp ticks", "TS", "'2024-02-29 23:59:59.9999'", "2024-02-29 23:59:59.9999");
    row("timestamp first", "TS", "'0001-01-01 00:00:00.0001'", "0001-01-01 00:00:00.0001");
    row("utf8 text", "VU", "_UTF8 'Zoë 茶🍵'", "Zoë 茶🍵");
    row("empty text", "VU", "''", "");
    row("blanks", "VU", "' a '", " a ");
    row("win1252 text", "VW", "_UTF8 'Zoë café €'", "Zoë café €");
    row("latin1 text", "VI", "_UTF8 'Zoë ÿ ß'", "Zoë ÿ ß");
    row("none text", "VN", "'Zoë'", "Zoë");
    row("char padded", "CU", "'ab'", "ab    ");
    row("text blob", "TB", "_UTF8 'Zoë 茶 blob'", "Zoë 茶 blob");
    row("text blob lines", "TB", "'one' || ASCII_CHAR(10) || 'two'", "one\ntwo");
    row("win1252 text blob", "TBW", "_UTF8 'Zoë café €'", "Zoë café €");
    row("none text blob", "TBN", "'Zoë'", "Zoë");
}

// A value set in the database shows as text; that text typed into another
// row stores the very same value there, and nothing else changes.
void tst_TableModelValues::shownTextWritesTheSameValue()
{
    QFETCH(QString, column);
    QFETCH(QString, literal);
    QFETCH(QString, shown);
    TempDatabase database;
    createEveryTypeTable(database);
    database.exec(QString("UPDATE V SET %1 = %2 WHERE ID = 1").arg(column, literal));
    TableModel model;
    QVERIFY(bindAll(model, database, "V"));
    const int c = columnOf(model, column);
    QCOMPARE(display(model, 0, c), shown);
    QCOMPARE(model.index(0, c).data(Qt::EditRole).toString(), shown);
    const QStringList before = tableSnapshot(database, "V");
    QVERIFY(model.setData(model.index(1, c), shown));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(display(model, 1, c), shown);
    QCOMPARE(tableSnapshot(database, "V"), withValue(before, 1, c, at(before, 0, c)));
    TableModel again;
    QVERIFY(bindAll(again, database, "V"));
    QCOMPARE(display(again, 1, c), shown);
}

void tst_TableModelValues::typedTextIsStoredExactly_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("raw");     // an expression on row 2
    QTest::addColumn<QString>("stored");  // its value, read by another attachment
    const QString decimal = "CAST(%1 AS VARCHAR(30))";
    auto row = [](const char *name, const char *column, const char *typed, const char *shown,
                  const QString &raw, const QString &stored) {
        QTest::newRow(name) << QString(column) << QString::fromUtf8(typed)
                            << QString::fromUtf8(shown) << raw.arg(column) << stored;
    };
    row("numeric padded", "N18", "1.5", "1.5000", decimal, "1.5000");
    row("numeric beyond double", "N18", "12345678901234.5678", "12345678901234.5678", decimal,
        "12345678901234.5678");
    row("numeric sign and blanks", "N18", " +7 ", "7.0000", decimal, "7.0000");
    row("numeric min", "N18", "-922337203685477.5808", "-922337203685477.5808", decimal,
        "-922337203685477.5808");
    row("numeric 9,3", "N93", "-0.001", "-0.001", decimal, "-0.001");
    row("bigint min", "B", "-9223372036854775808", "-9223372036854775808", decimal,
        "-9223372036854775808");
    row("bigint max", "B", "9223372036854775807", "9223372036854775807", decimal,
        "9223372036854775807");
    row("smallint min", "S", "-32768", "-32768", decimal, "-32768");
    row("time ticks", "TM", "23:59:59.9999", "23:59:59.9999", decimal, "23:59:59.9999");
    row("time short", "TM", "7:05", "07:05:00", decimal, "07:05:00.0000");
    row("timestamp ticks", "TS", "2024-02-29 08:00:00.0789", "2024-02-29 08:00:00.0789", decimal,
        "2024-02-29 08:00:00.0789");
    row("timestamp with T", "TS", "2024-02-29T08:00", "2024-02-29 08:00:00", decimal,
        "2024-02-29 08:00:00.0000");
    row("date short", "DT", "2024-2-9", "2024-02-09", decimal, "2024-02-09");
    const QString octets = "CAST(%1 AS VARCHAR(80) CHARACTER SET OCTETS)";
    row("utf8", "VU", "Zoë 茶🍵", "Zoë 茶🍵", octets, hex(QString("Zoë 茶🍵").toUtf8()));
    row("win1252", "VW", "Zoë café €", "Zoë café €", octets, "5A6FEB20636166E92080");
    row("latin1", "VI", "Zoë ÿ ß", "Zoë ÿ ß", octets, "5A6FEB20FF20DF");
    row("none", "VN", "Zoë", "Zoë", octets, "5A6FC3AB");
    row("char", "CU", "ab", "ab    ", "'[' || %1 || ']'", "[ab    ]");
    row("utf8 blob", "TB", "Zoë 茶", "Zoë 茶", "%1", hex(QString("Zoë 茶").toUtf8()));
    row("win1252 blob", "TBW", "café €", "café €", "%1", "636166E92080");
    row("none blob", "TBN", "Zoë", "Zoë", "%1", "5A6FC3AB");
}

void tst_TableModelValues::typedTextIsStoredExactly()
{
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, raw);
    QFETCH(QString, stored);
    TempDatabase database;
    createEveryTypeTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "V"));
    const int c = columnOf(model, column);
    const QStringList before = tableSnapshot(database, "V");
    QVERIFY(model.setData(model.index(1, c), typed));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(display(model, 1, c), shown);
    QCOMPARE(valueOf(database, QString("SELECT %1 FROM V WHERE ID = 2").arg(raw)), stored);
    const QStringList after = tableSnapshot(database, "V");
    QCOMPARE(after, withValue(before, 1, c, at(after, 1, c)));
    TableModel again;
    QVERIFY(bindAll(again, database, "V"));
    QCOMPARE(display(again, 1, c), shown);
}

void tst_TableModelValues::floatsReadBackTheSameBits_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("float tenth") << "F" << "0.1" << "0.1";
    QTest::newRow("float third") << "F" << "0.33333334" << "0.33333334";
    QTest::newRow("float max") << "F" << "3.4028235e+38" << "3.4028235e+38";
    QTest::newRow("float negative") << "F" << "-1.5e-10" << "-1.5e-10";
    QTest::newRow("double tenth") << "DP" << "0.1" << "0.1";
    QTest::newRow("double sum") << "DP" << "0.30000000000000004" << "0.30000000000000004";
    QTest::newRow("double max") << "DP" << "1.7976931348623157e308" << "1.7976931348623157e+308";
    QTest::newRow("double min normal") << "DP" << "2.2250738585072014e-308"
                                       << "2.2250738585072014e-308";
    QTest::newRow("double big whole") << "DP" << "9007199254740993" << "9007199254740992";
}

// The stored bits are those the C library reads from the typed text.
void tst_TableModelValues::floatsReadBackTheSameBits()
{
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    TempDatabase database;
    createEveryTypeTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "V"));
    const int c = columnOf(model, column);
    QVERIFY(model.setData(model.index(1, c), typed));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    const QByteArray latin = typed.toLatin1();
    QByteArray bits;
    if (column == "F") {
        const float value = std::strtof(latin.constData(), nullptr);
        bits = QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
    } else {
        const double value = std::strtod(latin.constData(), nullptr);
        bits = QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
    }
    QCOMPARE(valueOf(database, QString("SELECT %1 FROM V WHERE ID = 2").arg(column)), hex(bits));
    TableModel again;
    QVERIFY(bindAll(again, database, "V"));
    QCOMPARE(display(again, 1, c), shown);
    // and what is shown reads back to the same bits again
    QVERIFY(again.setData(again.index(2, c), shown));
    QVERIFY2(again.submitRow(2), qPrintable(again.rowError(2)));
    QCOMPARE(valueOf(database, QString("SELECT %1 FROM V WHERE ID = 3").arg(column)), hex(bits));
}

void tst_TableModelValues::booleanIsACheckBox()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, BO BOOLEAN)",
                   "INSERT INTO T VALUES (1, TRUE)", "INSERT INTO T VALUES (2, FALSE)",
                   "INSERT INTO T VALUES (3, NULL)"});
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    QVERIFY(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable);
    QCOMPARE(display(model, 0, 1), QString());
    QCOMPARE(model.index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(model.index(1, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(model.index(2, 1).data(Qt::CheckStateRole).toInt(), int(Qt::PartiallyChecked));
    QVERIFY(isNullAt(model, 2, 1));

    QVERIFY(model.setData(model.index(0, 1), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(model.index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.setData(model.index(2, 1), Qt::Checked, Qt::CheckStateRole));
    // the new-record line has a box too
    const int line = model.newRecordRow();
    QVERIFY(model.index(line, 1).data(Qt::CheckStateRole).isValid());
    QVERIFY(model.setData(model.index(line, 0), "4"));
    QVERIFY(model.setData(model.index(line, 1), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.submitAll());
    QCOMPARE(rowsOf(database, "SELECT ID, CAST(BO AS VARCHAR(5)) FROM T ORDER BY ID"),
             QStringList({"01000000|FALSE", "02000000|TRUE", "03000000|TRUE", "04000000|TRUE"}));
    TableModel again;
    QVERIFY(bindAll(again, database, "T"));
    QCOMPARE(again.index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(again.index(3, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

void tst_TableModelValues::nullIsDistinctAndSettable_data()
{
    QTest::addColumn<QString>("column");
    for (const char *column : {"S", "I", "B", "N18", "D42", "F", "DP", "DT", "TM", "TS", "BO",
                               "VU", "VW", "VI", "VN", "CU", "TB", "TBW", "TBN"})
        QTest::newRow(column) << QString(column);
}

void tst_TableModelValues::nullIsDistinctAndSettable()
{
    QFETCH(QString, column);
    TempDatabase database;
    createEveryTypeTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "V"));
    const int c = columnOf(model, column);
    QVERIFY(!isNullAt(model, 1, c));
    const QStringList before = tableSnapshot(database, "V");
    QVERIFY(model.setNull(model.index(1, c)));
    QVERIFY(isNullAt(model, 1, c));
    QVERIFY(model.isRowDirty(1));
    QVERIFY(!model.setNull(model.index(1, c)));   // already NULL
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(tableSnapshot(database, "V"), withValue(before, 1, c, "<null>"));
    TableModel again;
    QVERIFY(bindAll(again, database, "V"));
    QVERIFY(again.index(1, c).data(TableModel::IsNullRole).toBool());
    if (column == "BO") {
        QCOMPARE(again.index(1, c).data(Qt::CheckStateRole).toInt(), int(Qt::PartiallyChecked));
    } else {
        QCOMPARE(display(again, 1, c), QString("NULL"));
        QCOMPARE(again.index(1, c).data(Qt::EditRole).toString(), QString());
    }
    // and a value can be typed into it again
    const QString value = display(again, 0, c).isEmpty() ? QString("true") : display(again, 0, c);
    QVERIFY(again.setData(again.index(1, c), value));
    QVERIFY2(again.submitRow(1), qPrintable(again.rowError(1)));
    QVERIFY(!again.index(1, c).data(TableModel::IsNullRole).toBool());
    QCOMPARE(at(tableSnapshot(database, "V"), 1, c), at(before, 0, c));
}

// "NULL" typed as text is text; NULL itself shows the same word but says so.
void tst_TableModelValues::emptyTextIsNotNull()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))",
                   "INSERT INTO T VALUES (1, '')", "INSERT INTO T VALUES (2, NULL)",
                   "INSERT INTO T VALUES (3, 'x')"});
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    QCOMPARE(display(model, 0, 1), QString());
    QVERIFY(!isNullAt(model, 0, 1));
    QCOMPARE(display(model, 1, 1), QString("NULL"));
    QVERIFY(isNullAt(model, 1, 1));
    QVERIFY(model.setData(model.index(2, 1), "NULL"));
    QVERIFY(model.submitRow(2));
    QVERIFY(!isNullAt(model, 2, 1));
    QCOMPARE(valueOf(database, "SELECT V FROM T WHERE ID = 3"), QString("NULL"));
    QVERIFY(model.setData(model.index(2, 1), ""));
    QVERIFY(model.submitRow(2));
    QCOMPARE(rowsOf(database, "SELECT COALESCE(V, '<was null>') FROM T ORDER BY ID"),
             QStringList({"", "<was null>", ""}));
}

QTEST_GUILESS_MAIN(tst_TableModelValues)
#include "tst_tablemodel_values.moc"
