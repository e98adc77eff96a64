#include "db/connection.h"
#include "db/tablemodel.h"
#include "tests/support/tempdatabase.h"

#include <QSignalSpy>
#include <QTest>

using namespace db;
using testsupport::TempDatabase;

// The grid model against real tables: reading, writing rows back, failures.
class tst_TableModel : public QObject
{
    Q_OBJECT

private slots:
    void readsRowsWithNewRecordLine();
    void editWritesOnlyThatRow();
    void editOneOfTwoIdenticalRows();
    void failedWriteKeepsTypedValue_data();
    void failedWriteKeepsTypedValue();
    void lockedRowFailsAndRetrySucceeds();
    void rowChangedByOtherAttachmentIsNotOverwritten();
    void reusedDbKeyIsNotWritten();
    void insertReturnsIdentityAndDefaults();
    void deleteRows();
    void fetchesLazilyWithTrueCount();
    void sortsOnServer();
    void awkwardTableNames_data();
    void awkwardTableNames();

private:
    static void bindAndWait(TableModel &model, const TempDatabase &db, const QString &table);
    static QString valueOf(const TempDatabase &db, const QString &sql);
};

void tst_TableModel::bindAndWait(TableModel &model, const TempDatabase &db, const QString &table)
{
    QSignalSpy first(&model, &TableModel::firstRowsArrived);
    model.bind(db.connectionString(), table);
    QVERIFY(first.wait(5000));
    model.fetchAll();
    QTRY_VERIFY(model.allRowsFetched());
}

QString tst_TableModel::valueOf(const TempDatabase &db, const QString &sql)
{
    Attachment attachment = db.attach();
    Transaction tx = attachment.begin(TxMode::Browse);
    Statement statement(tx, sql);
    Cursor cursor = statement.openCursor(tx);
    const unsigned char *row = cursor.fetch();
    if (!row)
        return QStringLiteral("<no row>");
    const Column &c = statement.columns().at(0);
    return isNull(c, row) ? QStringLiteral("<null>") : QString::fromUtf8(valueBytes(c, row));
}

void tst_TableModel::readsRowsWithNewRecordLine()
{
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), "
             "AMOUNT DECIMAL(18,4), OK BOOLEAN)",
             "INSERT INTO T VALUES (1, 'Zoë', 98765432109876.5432, TRUE)",
             "INSERT INTO T VALUES (2, '', NULL, NULL)"});
    TableModel model;
    bindAndWait(model, db, "T");
    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("ID"));
    QCOMPARE(model.headerData(2, Qt::Vertical).toString(), QString("*"));
    QCOMPARE(model.index(0, 1).data().toString(), QString("Zoë"));
    QCOMPARE(model.index(0, 2).data().toString(), QString("98765432109876.5432"));
    QCOMPARE(model.index(0, 3).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(model.index(1, 1).data().toString(), QString());
    QVERIFY(!model.index(1, 1).data(TableModel::IsNullRole).toBool());
    QVERIFY(model.index(1, 2).data(TableModel::IsNullRole).toBool());
}

void tst_TableModel::editWritesOnlyThatRow()
{
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), "
             "AMOUNT DECIMAL(18,4))",
             "INSERT INTO T VALUES (1, 'a', 1)", "INSERT INTO T VALUES (2, 'b', 2)"});
    TableModel model;
    bindAndWait(model, db, "T");
    QVERIFY(model.setData(model.index(0, 2), "98765432109876.5432"));
    QVERIFY(model.isRowDirty(0));
    QCOMPARE(valueOf(db, "SELECT CAST(AMOUNT AS VARCHAR(30)) FROM T WHERE ID = 1"), QString("1.0000"));
    QVERIFY(model.submitRow(0));
    QVERIFY(!model.isRowDirty(0));
    QCOMPARE(valueOf(db, "SELECT CAST(AMOUNT AS VARCHAR(30)) FROM T WHERE ID = 1"),
             QString("98765432109876.5432"));
    QCOMPARE(valueOf(db, "SELECT CAST(AMOUNT AS VARCHAR(30)) FROM T WHERE ID = 2"), QString("2.0000"));
    QVERIFY(model.setNull(model.index(1, 1)));
    QVERIFY(model.submitRow(1));
    QCOMPARE(valueOf(db, "SELECT NAME FROM T WHERE ID = 2"), QString("<null>"));
    QVERIFY(model.index(1, 1).data(TableModel::IsNullRole).toBool());
}

void tst_TableModel::editOneOfTwoIdenticalRows()
{
    TempDatabase db;
    db.exec({"CREATE TABLE K (NAME VARCHAR(20), QTY INTEGER)",
             "INSERT INTO K VALUES ('same', 1)", "INSERT INTO K VALUES ('same', 1)"});
    TableModel model;
    bindAndWait(model, db, "K");
    QCOMPARE(model.columnCount(), 2);   // RDB$DB_KEY is read but not shown
    QVERIFY(model.setData(model.index(1, 1), "7"));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(valueOf(db, "SELECT CAST(COUNT(*) AS VARCHAR(5)) FROM K WHERE QTY = 7"), QString("1"));
    QCOMPARE(valueOf(db, "SELECT CAST(COUNT(*) AS VARCHAR(5)) FROM K WHERE QTY = 1"), QString("1"));
}

void tst_TableModel::failedWriteKeepsTypedValue_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("serverText");
    QTest::newRow("not null") << "NAME" << "" << "fixed" << "";
    QTest::newRow("check") << "QTY" << "-5" << "5" << "CHECK";
    QTest::newRow("unique") << "CODE" << "B" << "C" << "UNIQUE";
}

void tst_TableModel::failedWriteKeepsTypedValue()
{
    QFETCH(QString, column);
    QFETCH(QString, bad);
    QFETCH(QString, good);
    QFETCH(QString, serverText);
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20) NOT NULL, "
             "QTY INTEGER CHECK (QTY >= 0), CODE VARCHAR(5) UNIQUE)",
             "INSERT INTO T VALUES (1, 'x', 1, 'A')", "INSERT INTO T VALUES (2, 'y', 2, 'B')"});
    TableModel model;
    bindAndWait(model, db, "T");
    const int c = column == "NAME" ? 1 : column == "QTY" ? 2 : 3;
    if (column == "NAME")
        QVERIFY(model.setNull(model.index(0, c)));
    else
        QVERIFY(model.setData(model.index(0, c), bad));
    QSignalSpy failed(&model, &TableModel::writeFailed);
    QVERIFY(!model.submitRow(0));
    QCOMPARE(failed.count(), 1);
    QVERIFY(model.isRowDirty(0));
    QVERIFY2(model.rowError(0).contains(serverText), qPrintable(model.rowError(0)));
    if (column != "NAME")
        QCOMPARE(model.index(0, c).data().toString(), bad);
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString("!"));
    QCOMPARE(valueOf(db, "SELECT NAME || QTY || CODE FROM T WHERE ID = 1"), QString("x1A"));
    QVERIFY(model.setData(model.index(0, c), good));
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    QCOMPARE(model.index(0, c).data().toString(), good);
}

void tst_TableModel::lockedRowFailsAndRetrySucceeds()
{
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)",
             "INSERT INTO T VALUES (1, 1)"});
    TableModel model;
    bindAndWait(model, db, "T");
    Attachment other = db.attach();
    auto holder = std::make_unique<Transaction>(other.begin(TxMode::Write));
    Statement(*holder, "UPDATE T SET V = 1 WHERE ID = 1").execute(*holder);
    QVERIFY(model.setData(model.index(0, 1), "9"));
    QVERIFY(!model.submitRow(0));
    QVERIFY2(model.rowError(0).contains("update conflicts with concurrent update"),
             qPrintable(model.rowError(0)));
    QCOMPARE(model.index(0, 1).data().toString(), QString("9"));
    holder->commit();
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    QCOMPARE(valueOf(db, "SELECT CAST(V AS VARCHAR(5)) FROM T"), QString("9"));
}

void tst_TableModel::rowChangedByOtherAttachmentIsNotOverwritten()
{
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)",
             "INSERT INTO T VALUES (1, 1)"});
    TableModel model;
    bindAndWait(model, db, "T");
    db.exec("UPDATE T SET V = 2 WHERE ID = 1");
    QVERIFY(model.setData(model.index(0, 1), "9"));
    QVERIFY(!model.submitRow(0));
    QVERIFY2(model.rowError(0).contains("changed or deleted by another user"),
             qPrintable(model.rowError(0)));
    QCOMPARE(valueOf(db, "SELECT CAST(V AS VARCHAR(5)) FROM T"), QString("2"));
    QCOMPARE(model.index(0, 1).data().toString(), QString("9"));
    model.revertRow(0);
    QCOMPARE(model.index(0, 1).data().toString(), QString("1"));
}

void tst_TableModel::reusedDbKeyIsNotWritten()
{
    TempDatabase db;
    db.exec({"CREATE TABLE K (NAME VARCHAR(20), QTY INTEGER)",
             "INSERT INTO K VALUES ('old', 1)"});
    TableModel model;
    bindAndWait(model, db, "K");
    db.exec("DELETE FROM K");
    db.exec("INSERT INTO K VALUES ('new', 1)");
    QVERIFY(model.setData(model.index(0, 1), "5"));
    QVERIFY(!model.submitRow(0));
    QCOMPARE(valueOf(db, "SELECT NAME || QTY FROM K"), QString("new1"));
}

void tst_TableModel::insertReturnsIdentityAndDefaults()
{
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
             "NAME VARCHAR(20), STATUS VARCHAR(10) DEFAULT 'new')",
             "INSERT INTO T (NAME) VALUES ('first')"});
    TableModel model;
    bindAndWait(model, db, "T");
    const int line = model.newRecordRow();
    QCOMPARE(line, 1);
    QVERIFY(model.setData(model.index(line, 1), "second"));
    QVERIFY2(model.submitRow(line), qPrintable(model.rowError(line)));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.index(1, 0).data().toString(), QString("2"));
    QCOMPARE(model.index(1, 2).data().toString(), QString("new"));
    QCOMPARE(model.headerData(2, Qt::Vertical).toString(), QString("*"));
    QCOMPARE(valueOf(db, "SELECT NAME || STATUS FROM T WHERE ID = 2"), QString("secondnew"));
}

void tst_TableModel::deleteRows()
{
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY)", "INSERT INTO T VALUES (1)",
             "INSERT INTO T VALUES (2)", "INSERT INTO T VALUES (3)"});
    TableModel model;
    bindAndWait(model, db, "T");
    QCOMPARE(model.deleteRows({0, 2}), QStringList());
    QCOMPARE(model.recordCount(), 1);
    QCOMPARE(model.index(0, 0).data().toString(), QString("2"));
    QCOMPARE(valueOf(db, "SELECT CAST(LIST(ID) AS VARCHAR(20)) FROM T"), QString("2"));
}

void tst_TableModel::fetchesLazilyWithTrueCount()
{
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))",
             "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 5000) DO BEGIN "
             "INSERT INTO T VALUES (:I, 'v' || :I); I = I + 1; END END"});
    TableModel model;
    QSignalSpy first(&model, &TableModel::firstRowsArrived);
    model.bind(db.connectionString(), "T");
    QVERIFY(first.wait(5000));
    QTRY_COMPARE(model.rowCount(), 5001);
    QVERIFY(!model.allRowsFetched());
    QCOMPARE(model.index(4000, 1).data().toString(), QString());
    QTRY_COMPARE(model.index(4000, 1).data().toString(), QString("v4000"));
    QCOMPARE(model.rowCount(), 5001);
}

void tst_TableModel::sortsOnServer()
{
    TempDatabase db;
    db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))",
             "INSERT INTO T VALUES (1, 'b')", "INSERT INTO T VALUES (2, 'c')",
             "INSERT INTO T VALUES (3, 'a')", "INSERT INTO T VALUES (4, 'a')"});
    TableModel model;
    bindAndWait(model, db, "T");
    QSignalSpy busy(&model, &TableModel::busyChanged);
    model.sort(1, Qt::DescendingOrder);
    QTRY_COMPARE(busy.count(), 2);
    QCOMPARE(model.index(0, 1).data().toString(), QString("c"));
    QCOMPARE(model.index(3, 0).data().toString(), QString("4"));
    model.sort(1, Qt::AscendingOrder);
    QTRY_COMPARE(busy.count(), 4);
    QCOMPARE(model.index(0, 0).data().toString(), QString("3"));
    QCOMPARE(model.index(1, 0).data().toString(), QString("4"));
}

void tst_TableModel::awkwardTableNames_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("blank") << "Order Lines";
    QTest::newRow("double quote") << "say \"hi\"";
    QTest::newRow("lower case") << "lower";
}

void tst_TableModel::awkwardTableNames()
{
    QFETCH(QString, table);
    TempDatabase db;
    QString quoted = table;
    quoted.replace("\"", "\"\"");
    db.exec({QString("CREATE TABLE \"%1\" (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)").arg(quoted),
             QString("INSERT INTO \"%1\" VALUES (1, 1)").arg(quoted)});
    TableModel model;
    bindAndWait(model, db, table);
    QCOMPARE(model.recordCount(), 1);
    QVERIFY(model.setData(model.index(0, 1), "2"));
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
}

QTEST_GUILESS_MAIN(tst_TableModel)
#include "tst_tablemodel.moc"
