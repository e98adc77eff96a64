#include "tests/tst_tablemodel_harness.h"

using namespace db;
using namespace modeltest;

// How a written row is found again: keyless rows by RDB$DB_KEY and every
// value they hold, keyed rows by key and the changed values.
class tst_TableModelGuards : public QObject
{
    Q_OBJECT

private slots:
    void specialFloatsDoNotBlockEdits_data();
    void specialFloatsDoNotBlockEdits();
    void keylessRowOfEveryTypeIsFoundAgain();
    void editOneOfTwoIdenticalRows();
    void reusedDbKeyIsNotWritten_data();
    void reusedDbKeyIsNotWritten();
    void deleteOneOfTwoIdenticalRows();
};

namespace {

// Deletes the last row of a keyless table and inserts another until the
// new row has the deleted row's RDB$DB_KEY (the engine reuses the slot once
// the deleted version is collected). Returns that key, or "" if never.
QString reuseLastKey(TempDatabase &database, const QString &insert)
{
    const QString key = rowsOf(database, "SELECT RDB$DB_KEY FROM K").last();
    database.exec(QString("DELETE FROM K WHERE RDB$DB_KEY = x'%1'").arg(key));
    for (int attempt = 0; attempt < 20; ++attempt) {
        rowsOf(database, "SELECT * FROM K");   // collects the deleted version
        database.exec(insert);
        const QString now = rowsOf(database, "SELECT RDB$DB_KEY FROM K").last();
        if (now == key)
            return key;
        database.exec(QString("DELETE FROM K WHERE RDB$DB_KEY = x'%1'").arg(now));
        QTest::qWait(50);
    }
    return {};
}

} // namespace

void tst_TableModelGuards::specialFloatsDoNotBlockEdits_data()
{
    QTest::addColumn<bool>("keyless");
    QTest::newRow("keyed") << false;
    QTest::newRow("keyless") << true;
}

// A row holding NaN or an infinity is still found again by its guard.
void tst_TableModelGuards::specialFloatsDoNotBlockEdits()
{
    QFETCH(bool, keyless);
    TempDatabase database;
    database.exec(QString("CREATE TABLE F (ID INTEGER NOT NULL %1, F FLOAT, D DOUBLE PRECISION, "
                          "N VARCHAR(5))").arg(keyless ? "" : "PRIMARY KEY"));
    TableModel model;
    QVERIFY(bindAll(model, database, "F"));
    const QStringList specials{"nan", "inf", "-inf"};
    for (int i = 0; i < specials.size(); ++i) {
        const int line = model.newRecordRow();
        QVERIFY(model.setData(model.index(line, 0), QString::number(i)));
        QVERIFY(model.setData(model.index(line, 1), specials[i]));
        QVERIFY(model.setData(model.index(line, 2), specials[i]));
        QVERIFY2(model.submitRow(line), qPrintable(model.rowError(line)));
    }
    TableModel again;
    QVERIFY(bindAll(again, database, "F"));
    for (int row = 0; row < specials.size(); ++row) {
        QCOMPARE(display(again, row, 1), specials[row]);
        QCOMPARE(display(again, row, 2), specials[row]);
        QVERIFY(again.setData(again.index(row, 3), "seen"));
        QVERIFY2(again.submitRow(row), qPrintable(again.rowError(row)));
        QVERIFY(again.setData(again.index(row, 2), "1.5"));
        QVERIFY2(again.submitRow(row), qPrintable(again.rowError(row)));
    }
    QCOMPARE(valueOf(database, "SELECT COUNT(*) FROM F WHERE N = 'seen' AND D = 1.5"),
             QString("0300000000000000"));
}

// A keyless row is guarded by every value it holds: each type and charset
// must compare equal to itself as read.
void tst_TableModelGuards::keylessRowOfEveryTypeIsFoundAgain()
{
    TempDatabase database;
    createEveryTypeTable(database, "K", true);
    database.exec({"UPDATE K SET VW = _UTF8 'Zoë café €', VI = _UTF8 'ÿ ß', VN = x'E9FF', "
                   "CU = _UTF8 'é', F = CAST(1 AS FLOAT) / 3, DP = 1e0 / 3, "
                   "TS = '2024-02-29 23:59:59.9999', N18 = -0.0001 WHERE ID = 2",
                   "UPDATE K SET VU = NULL, VW = NULL, DP = NULL, BO = NULL WHERE ID = 3"});
    TableModel model;
    QVERIFY(bindAll(model, database, "K"));
    QCOMPARE(display(model, 1, columnOf(model, "VN")), QString("éÿ"));
    const int note = columnOf(model, "I");
    const QStringList before = tableSnapshot(database, "K", "ID");
    for (int row = 0; row < 3; ++row) {
        QVERIFY(model.setData(model.index(row, note), QString::number(100 + row)));
        QVERIFY2(model.submitRow(row), qPrintable(model.rowError(row)));
    }
    QStringList expected = before;
    for (qint32 row = 0; row < 3; ++row) {
        const qint32 value = 100 + row;
        expected = withValue(expected, row, note,
                             hex(QByteArray(reinterpret_cast<const char *>(&value), 4)));
    }
    QCOMPARE(tableSnapshot(database, "K", "ID"), expected);
}

void tst_TableModelGuards::editOneOfTwoIdenticalRows()
{
    TempDatabase database;
    database.exec({"CREATE TABLE K (NAME VARCHAR(20), QTY INTEGER)",
                   "INSERT INTO K VALUES ('same', 1)", "INSERT INTO K VALUES ('same', 1)"});
    const QStringList keys = rowsOf(database, "SELECT RDB$DB_KEY FROM K");
    TableModel model;
    QVERIFY(bindAll(model, database, "K"));
    QCOMPARE(model.columnCount(), 2);   // RDB$DB_KEY is read but not shown
    QVERIFY(model.setData(model.index(1, 1), "7"));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(rowsOf(database, "SELECT RDB$DB_KEY, QTY FROM K"),
             QStringList({keys[0] + "|01000000", keys[1] + "|07000000"}));
    // edited again, from the values the write returned
    QVERIFY(model.setData(model.index(1, 0), "other"));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(rowsOf(database, "SELECT NAME, QTY FROM K"),
             QStringList({"same|01000000", "other|07000000"}));
}

void tst_TableModelGuards::reusedDbKeyIsNotWritten_data()
{
    QTest::addColumn<QString>("newRow");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::newRow("same value in the edited column") << "'new', 1" << 1 << "5";
    QTest::newRow("other value in the edited column") << "'old', 2" << 1 << "5";
    QTest::newRow("editing the other column") << "'old', 2" << 0 << "mine";
}

void tst_TableModelGuards::reusedDbKeyIsNotWritten()
{
    QFETCH(QString, newRow);
    QFETCH(int, column);
    QFETCH(QString, typed);
    TempDatabase database;
    database.exec({"CREATE TABLE K (NAME VARCHAR(20), QTY INTEGER)",
                   "INSERT INTO K VALUES ('first', 0)", "INSERT INTO K VALUES ('old', 1)"});
    TableModel model;
    QVERIFY(bindAll(model, database, "K"));
    const QString key = reuseLastKey(database, "INSERT INTO K VALUES (" + newRow + ")");
    QVERIFY2(!key.isEmpty(), "the engine did not reuse the deleted row's key");
    const QStringList before = rowsOf(database, "SELECT RDB$DB_KEY, NAME, QTY FROM K");
    QVERIFY(model.setData(model.index(1, column), typed));
    QVERIFY(!model.submitRow(1));
    QVERIFY2(model.rowError(1).contains("changed or deleted by another user"),
             qPrintable(model.rowError(1)));
    QCOMPARE(rowsOf(database, "SELECT RDB$DB_KEY, NAME, QTY FROM K"), before);
    QVERIFY(!model.submitRow(1));
    QCOMPARE(rowsOf(database, "SELECT RDB$DB_KEY, NAME, QTY FROM K"), before);
    QVERIFY(!model.deleteRows({1}).isEmpty());
    QCOMPARE(rowsOf(database, "SELECT RDB$DB_KEY, NAME, QTY FROM K"), before);
}

void tst_TableModelGuards::deleteOneOfTwoIdenticalRows()
{
    TempDatabase database;
    database.exec({"CREATE TABLE K (NAME VARCHAR(20), QTY INTEGER)",
                   "INSERT INTO K VALUES ('same', 1)", "INSERT INTO K VALUES ('same', 1)",
                   "INSERT INTO K VALUES ('other', 1)"});
    const QStringList keys = rowsOf(database, "SELECT RDB$DB_KEY FROM K");
    TableModel model;
    QVERIFY(bindAll(model, database, "K"));
    QCOMPARE(model.deleteRows({0}), QStringList());
    QCOMPARE(rowsOf(database, "SELECT RDB$DB_KEY FROM K"), keys.mid(1));
    QCOMPARE(model.recordCount(), 2);
    QCOMPARE(display(model, 0, 0), QString("same"));
}

QTEST_GUILESS_MAIN(tst_TableModelGuards)
#include "tst_tablemodel_guards.moc"
