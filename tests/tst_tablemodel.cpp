#include "tests/tst_tablemodel_harness.h"

using namespace db;
using namespace modeltest;

// The grid model against real tables: what it shows, awkward table names,
// sorting on the server.
class tst_TableModel : public QObject
{
    Q_OBJECT

private slots:
    void readsRowsWithNewRecordLine();
    void editWritesOnlyThatRow();
    void views();
    void awkwardTableNames_data();
    void awkwardTableNames();
    void sortsBothWaysWithKeyAsTiebreaker_data();
    void sortsBothWaysWithKeyAsTiebreaker();
    void sortSavesValidRowsFirst();
    void sortRefusedWhileARowCannotBeSaved();
    void sortRefusedOnBlobColumn();
};

namespace {

// The first column of every model row but the new-record line.
QStringList columnTexts(const TableModel &model, int column = 0)
{
    QStringList texts;
    for (int row = 0; row < model.recordCount(); ++row)
        texts << display(model, row, column);
    return texts;
}

bool sortAndWait(TableModel &model, int column, Qt::SortOrder order)
{
    QSignalSpy busy(&model, &TableModel::busyChanged);
    model.sort(column, order);
    if (!QTest::qWaitFor([&] { return busy.count() == 2; }, 10000))
        return false;
    model.fetchAll();
    return QTest::qWaitFor([&] { return model.allRowsFetched(); }, 10000);
}

} // namespace

void tst_TableModel::readsRowsWithNewRecordLine()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), "
                   "AMOUNT DECIMAL(18,4), OK BOOLEAN)",
                   "INSERT INTO T VALUES (1, _UTF8 'Zoë', 98765432109876.5432, TRUE)",
                   "INSERT INTO T VALUES (2, '', NULL, NULL)"});
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    QCOMPARE(model.table(), QString("T"));
    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.recordCount(), 2);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("ID"));
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString("OK"));
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString("1"));
    QCOMPARE(model.headerData(2, Qt::Vertical).toString(), QString("*"));
    QCOMPARE(display(model, 0, 1), QString("Zoë"));
    QCOMPARE(display(model, 0, 2), QString("98765432109876.5432"));
    QCOMPARE(model.index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>()
                 & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(model.index(0, 3).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(display(model, 1, 1), QString());
    QVERIFY(!isNullAt(model, 1, 1));
    QVERIFY(isNullAt(model, 1, 2));
    QCOMPARE(display(model, 2, 1), QString());
    QVERIFY(model.flags(model.index(2, 1)) & Qt::ItemIsEditable);
    model.unbind();
    QVERIFY(!model.isBound());
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
}

void tst_TableModel::editWritesOnlyThatRow()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), "
                   "AMOUNT DECIMAL(18,4))",
                   "INSERT INTO T VALUES (1, 'a', 1)", "INSERT INTO T VALUES (2, 'b', 2)"});
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    QVERIFY(model.setData(model.index(0, 2), "98765432109876.5432"));
    QVERIFY(model.isRowDirty(0));
    QVERIFY(!model.setData(model.index(1, 1), "b"));   // unchanged: no edit
    QVERIFY(!model.isRowDirty(1));
    QCOMPARE(valueOf(database, "SELECT CAST(AMOUNT AS VARCHAR(30)) FROM T WHERE ID = 1"),
             QString("1.0000"));
    QVERIFY(model.submitRow(0));
    QVERIFY(!model.isRowDirty(0));
    QVERIFY(!model.hasUnsavedRows());
    QCOMPARE(rowsOf(database, "SELECT CAST(AMOUNT AS VARCHAR(30)), NAME FROM T ORDER BY ID"),
             QStringList({"98765432109876.5432|a", "2.0000|b"}));
}

// A view over one table names its rows by RDB$DB_KEY like a keyless table;
// a join view's key names no single row, so it is read-only.
void tst_TableModel::views()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))",
                   "INSERT INTO T VALUES (1, 'a')", "INSERT INTO T VALUES (2, 'b')",
                   "CREATE VIEW ONE AS SELECT ID, V FROM T",
                   "CREATE VIEW JOINED (ID, V, W) AS SELECT A.ID, A.V, B.V FROM T A "
                   "JOIN T B ON B.ID = A.ID"});
    TableModel model;
    QVERIFY(bindAll(model, database, "ONE"));
    QCOMPARE(model.columnCount(), 2);
    QVERIFY(model.setData(model.index(1, 1), "view"));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(rowsOf(database, "SELECT V FROM T ORDER BY ID"), QStringList({"a", "view"}));

    QVERIFY(bindAll(model, database, "JOINED"));
    QCOMPARE(model.recordCount(), 2);
    QCOMPARE(display(model, 1, 2), QString("view"));
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 1), "x"));
    QCOMPARE(model.deleteRows({0}).size(), 1);
    QCOMPARE(model.recordCount(), 2);
    QCOMPARE(rowsOf(database, "SELECT V FROM T ORDER BY ID"), QStringList({"a", "view"}));
}

void tst_TableModel::awkwardTableNames_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("keyless");
    QTest::newRow("blank") << "Order Lines" << false;
    QTest::newRow("double quote") << "say \"hi\"" << false;
    QTest::newRow("lower case") << "lower" << false;
    QTest::newRow("blank, keyless") << "Order Lines" << true;
    QTest::newRow("double quote, keyless") << "say \"hi\"" << true;
    QTest::newRow("lower case, keyless") << "lower" << true;
}

// Every statement the model sends names the table right: read, count,
// update, insert, delete, sort.
void tst_TableModel::awkwardTableNames()
{
    QFETCH(QString, table);
    QFETCH(bool, keyless);
    TempDatabase database;
    QString quoted = table;
    quoted.replace("\"", "\"\"");
    quoted = "\"" + quoted + "\"";
    database.exec({QString("CREATE TABLE %1 (ID INTEGER NOT NULL %2, \"v a\" INTEGER)")
                       .arg(quoted, keyless ? "" : "PRIMARY KEY"),
                   QString("INSERT INTO %1 VALUES (1, 1)").arg(quoted),
                   QString("INSERT INTO %1 VALUES (2, 2)").arg(quoted)});
    TableModel model;
    QVERIFY(bindFirst(model, database, table));
    QTRY_COMPARE(model.recordCount(), 2);
    QVERIFY(model.setData(model.index(0, 1), "5"));
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    const int line = model.newRecordRow();
    QVERIFY(model.setData(model.index(line, 0), "3"));
    QVERIFY2(model.submitRow(line), qPrintable(model.rowError(line)));
    QCOMPARE(model.deleteRows({1}), QStringList());
    QVERIFY(sortAndWait(model, 1, Qt::DescendingOrder));
    QCOMPARE(columnTexts(model), QStringList({"1", "3"}));
    QCOMPARE(rowsOf(database, QString("SELECT ID, \"v a\" FROM %1 ORDER BY 1").arg(quoted)),
             QStringList({"01000000|05000000", "03000000|<null>"}));
}

void tst_TableModel::sortsBothWaysWithKeyAsTiebreaker_data()
{
    QTest::addColumn<bool>("keyless");
    QTest::addColumn<QStringList>("ascending");
    QTest::addColumn<QStringList>("descending");
    // inserted as 5, 3, 1, 6, 4, 2; RDB$DB_KEY follows that order
    QTest::newRow("keyed") << false << QStringList{"6", "3", "4", "1", "2", "5"}
                           << QStringList{"2", "5", "1", "3", "4", "6"};
    QTest::newRow("keyless") << true << QStringList{"6", "3", "4", "1", "5", "2"}
                             << QStringList{"5", "2", "1", "3", "4", "6"};
}

void tst_TableModel::sortsBothWaysWithKeyAsTiebreaker()
{
    QFETCH(bool, keyless);
    QFETCH(QStringList, ascending);
    QFETCH(QStringList, descending);
    TempDatabase database;
    database.exec(QString("CREATE TABLE S (ID INTEGER NOT NULL %1, V VARCHAR(5))")
                      .arg(keyless ? "" : "PRIMARY KEY"));
    const QStringList values{"", "'b'", "'c'", "'a'", "'a'", "'c'", "NULL"};   // by ID
    for (int id : {5, 3, 1, 6, 4, 2})
        database.exec(QString("INSERT INTO S VALUES (%1, %2)").arg(id).arg(values[id]));
    TableModel model;
    QVERIFY(bindAll(model, database, "S"));
    QCOMPARE(columnTexts(model), QStringList({"5", "3", "1", "6", "4", "2"}));
    QVERIFY(sortAndWait(model, 1, Qt::AscendingOrder));
    QCOMPARE(columnTexts(model), ascending);
    QCOMPARE(columnTexts(model, 1), QStringList({"NULL", "a", "a", "b", "c", "c"}));
    QVERIFY(sortAndWait(model, 1, Qt::DescendingOrder));
    QCOMPARE(columnTexts(model), descending);
    QVERIFY(sortAndWait(model, 0, Qt::DescendingOrder));
    QCOMPARE(columnTexts(model), QStringList({"6", "5", "4", "3", "2", "1"}));
    QCOMPARE(columnTexts(model, 1), QStringList({"NULL", "c", "a", "a", "c", "b"}));
    // rows of the sorted view are written to the right database rows
    QVERIFY(model.setData(model.index(1, 1), "e"));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(valueOf(database, "SELECT CAST(LIST(ID) AS VARCHAR(20)) FROM S WHERE V = 'e'"),
             QString("5"));
}

// Edited rows that can be saved are saved before the new order is read;
// a new row is then shown once, in its place.
void tst_TableModel::sortSavesValidRowsFirst()
{
    TempDatabase database;
    database.exec({"CREATE TABLE S (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(5))",
                   "INSERT INTO S VALUES (1, 'b')", "INSERT INTO S VALUES (2, 'c')"});
    TableModel model;
    QVERIFY(bindAll(model, database, "S"));
    QVERIFY(model.setData(model.index(1, 1), "a"));
    const int line = model.newRecordRow();
    QVERIFY(model.setData(model.index(line, 0), "3"));
    QVERIFY(model.setData(model.index(line, 1), "0"));
    QSignalSpy notices(&model, &TableModel::notice);
    QVERIFY(sortAndWait(model, 1, Qt::AscendingOrder));
    QCOMPARE(notices.count(), 0);
    QVERIFY(!model.hasUnsavedRows());
    QCOMPARE(columnTexts(model), QStringList({"3", "2", "1"}));
    QCOMPARE(rowsOf(database, "SELECT V FROM S ORDER BY ID"), QStringList({"b", "a", "0"}));
}

void tst_TableModel::sortRefusedWhileARowCannotBeSaved()
{
    TempDatabase database;
    database.exec({"CREATE TABLE S (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(5) NOT NULL)",
                   "INSERT INTO S VALUES (1, 'b')", "INSERT INTO S VALUES (2, 'c')",
                   "INSERT INTO S VALUES (3, 'a')"});
    TableModel model;
    QVERIFY(bindAll(model, database, "S"));
    QVERIFY(model.setNull(model.index(0, 1)));
    QVERIFY(model.setData(model.index(2, 1), "d"));
    QSignalSpy notices(&model, &TableModel::notice);
    QSignalSpy busy(&model, &TableModel::busyChanged);
    QSignalSpy reset(&model, &TableModel::modelReset);
    model.sort(1, Qt::AscendingOrder);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(notices[0][0].toString(), QString("Save or revert the unsaved rows before sorting."));
    QTest::qWait(100);
    QCOMPARE(busy.count(), 0);
    QCOMPARE(reset.count(), 0);
    QVERIFY(!model.isBusy());
    QCOMPARE(columnTexts(model), QStringList({"1", "2", "3"}));
    QVERIFY(isNullAt(model, 0, 1));
    QVERIFY(model.isRowDirty(0));
    QVERIFY(!model.rowError(0).isEmpty());
    QCOMPARE(display(model, 2, 1), QString("d"));   // the valid edit was saved
    QCOMPARE(rowsOf(database, "SELECT V FROM S ORDER BY ID"), QStringList({"b", "c", "d"}));
    // once the row is fixed the sort goes ahead
    QVERIFY(model.setData(model.index(0, 1), "z"));
    QVERIFY(sortAndWait(model, 1, Qt::AscendingOrder));
    QCOMPARE(columnTexts(model), QStringList({"2", "3", "1"}));
}

void tst_TableModel::sortRefusedOnBlobColumn()
{
    TempDatabase database;
    database.exec({"CREATE TABLE S (ID INTEGER NOT NULL PRIMARY KEY, B BLOB SUB_TYPE TEXT)",
                   "INSERT INTO S VALUES (2, 'b')", "INSERT INTO S VALUES (1, 'a')"});
    TableModel model;
    QVERIFY(bindAll(model, database, "S"));
    QSignalSpy notices(&model, &TableModel::notice);
    QSignalSpy busy(&model, &TableModel::busyChanged);
    model.sort(1, Qt::AscendingOrder);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(busy.count(), 0);
    QCOMPARE(columnTexts(model), QStringList({"2", "1"}));
}

QTEST_GUILESS_MAIN(tst_TableModel)
#include "tst_tablemodel.moc"
