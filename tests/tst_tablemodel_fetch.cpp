#include "tests/tst_tablemodel_harness.h"

#include "db/client/dberror.h"

#include <QElapsedTimer>

using namespace db;
using namespace modeltest;

// Lazy reading on other threads, counts that disagree with what is read,
// and binding: what a bound table holds and how quickly it lets go.
class tst_TableModelFetch : public QObject
{
    Q_OBJECT

private slots:
    void fetchesLazilyWithTrueCount();
    void rowsAddedAfterTheCount();
    void largeCountComesInSlices();
    void rowsDeletedAfterTheCount();
    void insertWhileReadIncomplete_data();
    void insertWhileReadIncomplete();
    void deletedInsertedRowFreesItsKey();
    void fetchAllDuringSortCompletes();
    void failedSortKeepsTheTableReadable();
    void bindingAnotherTableReleasesTheFirst();
    void unbindMidReadIsQuickAndReleasesTheFile_data();
    void unbindMidReadIsQuickAndReleasesTheFile();
    void destroyedMidRead();
    void rapidRebindsAndSorts();
    void missingTableThrows();
};

namespace {

void fill(TempDatabase &database, const QString &table, int rows, bool keyless = false)
{
    database.exec({QString("CREATE TABLE %1 (ID INTEGER NOT NULL %2, V VARCHAR(40))")
                       .arg(table, keyless ? "" : "PRIMARY KEY"),
                   QString("EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < %1) DO "
                           "BEGIN INSERT INTO %2 VALUES (:I, 'v' || :I); I = I + 1; END END")
                       .arg(rows)
                       .arg(table)});
}

int distinct(const QStringList &values)
{
    return int(QSet<QString>(values.begin(), values.end()).size());
}

int notFetched(const TableModel &model)
{
    int rows = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.index(row, 0).data(TableModel::RowStateRole).toInt()
            == int(TableModel::RowState::NotFetched))
            ++rows;
    }
    return rows;
}

// The V column of every record, without asking for rows not fetched.
QStringList fetchedValues(const TableModel &model)
{
    QStringList values;
    for (int row = 0; row < model.recordCount(); ++row)
        values << display(model, row, 1);
    return values;
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

bool waitForCount(const TableModel &model, int records)
{
    return QTest::qWaitFor([&] { return model.recordCount() == records; }, 10000);
}

// Drops the database from an attachment of its own: fails while any other
// attachment (a reader left behind) still holds the file.
QString dropFails(TempDatabase &database)
{
    database.release();
    try {
        Attachment attachment = database.attach();
        attachment.dropDatabase();
    } catch (const DbError &error) {
        return error.message();
    }
    return {};
}

} // namespace

// The placeholders of a large count go in over several turns of the event
// loop; the count is told only once all of them are there.
void tst_TableModelFetch::largeCountComesInSlices()
{
    TempDatabase database;
    fill(database, "T", 300000);
    TableModel model;
    int inserts = 0;
    int largest = 0;
    connect(&model, &QAbstractItemModel::rowsInserted, &model,
            [&](const QModelIndex &, int first, int last) {
                ++inserts;
                largest = std::max(largest, last - first + 1);
            });
    QList<int> toldRecords;
    connect(&model, &TableModel::countChanged, &model, [&] {
        if (model.countKnown())
            toldRecords << model.recordCount();
    });
    QVERIFY(bindFirst(model, database, "T"));
    QVERIFY(QTest::qWaitFor([&] { return model.countKnown(); }, 10000));
    QCOMPARE(model.recordCount(), 300000);
    QCOMPARE(toldRecords, QList<int>({300000}));
    QVERIFY2(inserts > 2 && largest <= 150000,
             qPrintable(QStringLiteral("%1 inserts, the largest %2 rows").arg(inserts).arg(largest)));
    QCOMPARE(model.headerData(299999, Qt::Vertical).toString(), QString("300000"));
    // Reading every row turns the placeholders into rows, none left over.
    model.fetchAll();
    QVERIFY(QTest::qWaitFor([&] { return model.allRowsFetched(); }, 30000));
    QCOMPARE(model.recordCount(), 300000);
    QCOMPARE(display(model, 299999, 1), QString("v299999"));
}

void tst_TableModelFetch::fetchesLazilyWithTrueCount()
{
    TempDatabase database;
    fill(database, "T", 5000);
    TableModel model;
    QVERIFY(bindFirst(model, database, "T"));
    QVERIFY(waitForCount(model, 5000));
    QVERIFY(!model.allRowsFetched());
    QVERIFY(notFetched(model) > 4000);
    QCOMPARE(model.headerData(4999, Qt::Vertical).toString(), QString("5000"));
    QVERIFY(!(model.flags(model.index(4000, 1)) & Qt::ItemIsEditable));
    QCOMPARE(display(model, 4000, 1), QString());   // asks for it
    QTRY_COMPARE(display(model, 4000, 1), QString("v4000"));
    QCOMPARE(model.index(3999, 0).data(TableModel::RowStateRole).toInt(),
             int(TableModel::RowState::Clean));
    QCOMPARE(model.recordCount(), 5000);
    model.fetchAll();
    QTRY_VERIFY(model.allRowsFetched());
    QCOMPARE(notFetched(model), 0);
    QCOMPARE(model.recordCount(), 5000);
    const QStringList values = fetchedValues(model);
    for (int row = 0; row < 5000; ++row)
        QCOMPARE(values[row], QString("v%1").arg(row));
}

// Rows committed elsewhere between the count and the read: the read goes
// on past the count and the grid grows to what was read.
void tst_TableModelFetch::rowsAddedAfterTheCount()
{
    TempDatabase database;
    fill(database, "T", 5000);
    TableModel model;
    QVERIFY(bindFirst(model, database, "T"));
    QVERIFY(waitForCount(model, 5000));
    database.exec("EXECUTE BLOCK AS DECLARE I INTEGER = 5000; BEGIN WHILE (I < 5100) DO "
                  "BEGIN INSERT INTO T VALUES (:I, 'v' || :I); I = I + 1; END END");
    model.fetchAll();
    QTRY_VERIFY(model.allRowsFetched());
    QCOMPARE(notFetched(model), 0);
    QCOMPARE(model.recordCount(), 5100);
    QCOMPARE(fetchedValues(model).last(), QString("v5099"));
    QCOMPARE(distinct(fetchedValues(model)), 5100);
}

// Rows deleted elsewhere after the count: the placeholders left over go,
// and an edit on the new-record line stays on it.
void tst_TableModelFetch::rowsDeletedAfterTheCount()
{
    TempDatabase database;
    fill(database, "T", 5000);
    TableModel model;
    QVERIFY(bindFirst(model, database, "T"));
    QVERIFY(waitForCount(model, 5000));
    database.exec("DELETE FROM T WHERE ID >= 4000 OR ID = 1000");
    QVERIFY(model.setData(model.index(model.newRecordRow(), 1), "typed"));
    model.fetchAll();
    QTRY_VERIFY(model.allRowsFetched());
    QCOMPARE(notFetched(model), 0);
    QCOMPARE(model.recordCount(), 3999);
    QCOMPARE(display(model, 3998, 1), QString("v3999"));
    QCOMPARE(display(model, model.newRecordRow(), 1), QString("typed"));
    QVERIFY(model.isRowDirty(model.newRecordRow()));
    QVERIFY(model.hasUnsavedRows());
}

void tst_TableModelFetch::insertWhileReadIncomplete_data()
{
    QTest::addColumn<bool>("keyless");
    QTest::newRow("keyed") << false;
    QTest::newRow("keyless") << true;
}

// A row inserted here while the read goes on may also come back from the
// read: it is shown once.
void tst_TableModelFetch::insertWhileReadIncomplete()
{
    QFETCH(bool, keyless);
    TempDatabase database;
    fill(database, "T", 6000, keyless);
    TableModel model;
    QVERIFY(bindFirst(model, database, "T"));
    QVERIFY(waitForCount(model, 6000));
    const int line = model.newRecordRow();
    QVERIFY(model.setData(model.index(line, 0), "-1"));
    QVERIFY(model.setData(model.index(line, 1), "mine"));
    QVERIFY2(model.submitRow(line), qPrintable(model.rowError(line)));
    QCOMPARE(model.recordCount(), 6001);
    QCOMPARE(display(model, 6000, 1), QString("mine"));
    // a changed key is the one looked for (the ID is the key when keyed)
    QVERIFY(model.setData(model.index(6000, 0), "-3"));
    QVERIFY2(model.submitRow(6000), qPrintable(model.rowError(6000)));
    // pending edits ride along while rows arrive before them
    QVERIFY(model.setData(model.index(6000, 1), "mine, edited"));
    QVERIFY(model.setData(model.index(model.newRecordRow(), 1), "next"));
    model.fetchAll();
    QTRY_VERIFY(model.allRowsFetched());
    QCOMPARE(notFetched(model), 0);
    QCOMPARE(model.recordCount(), 6001);
    QCOMPARE(fetchedValues(model).count("mine, edited"), 1);
    QCOMPARE(distinct(fetchedValues(model)), 6001);
    QCOMPARE(display(model, model.newRecordRow(), 1), QString("next"));
    // and it still edits the right database row
    const int mine = int(fetchedValues(model).indexOf("mine, edited"));
    QVERIFY(model.isRowDirty(mine));
    QVERIFY2(model.submitRow(mine), qPrintable(model.rowError(mine)));
    QCOMPARE(valueOf(database, "SELECT V FROM T WHERE ID = -3"), QString("mine, edited"));
    QCOMPARE(valueOf(database, "SELECT COUNT(*) FROM T"), QString("7117000000000000"));
}

// A row inserted and deleted here before the read ends: another row that
// takes its RDB$DB_KEY is not mistaken for it.
void tst_TableModelFetch::deletedInsertedRowFreesItsKey()
{
    TempDatabase database;
    fill(database, "T", 6000, true);
    TableModel model;
    QVERIFY(bindFirst(model, database, "T"));
    QVERIFY(waitForCount(model, 6000));
    const int line = model.newRecordRow();
    QVERIFY(model.setData(model.index(line, 0), "-1"));
    QVERIFY(model.setData(model.index(line, 1), "mine"));
    QVERIFY2(model.submitRow(line), qPrintable(model.rowError(line)));
    const QString key = rowsOf(database, "SELECT RDB$DB_KEY FROM T WHERE V = 'mine'").value(0);
    QCOMPARE(model.deleteRows({line}), QStringList());
    QString reused;
    for (int attempt = 0; attempt < 20 && reused != key; ++attempt) {
        database.exec("DELETE FROM T WHERE V = 'theirs'");
        rowsOf(database, "SELECT COUNT(*) FROM T");   // collects the deleted versions
        database.exec("INSERT INTO T VALUES (-2, 'theirs')");
        reused = rowsOf(database, "SELECT RDB$DB_KEY FROM T WHERE V = 'theirs'").value(0);
    }
    QCOMPARE(reused, key);
    model.fetchAll();
    QTRY_VERIFY(model.allRowsFetched());
    QCOMPARE(fetchedValues(model).count("mine"), 0);
    QCOMPARE(fetchedValues(model).count("theirs"), 1);
    QCOMPARE(model.recordCount(), 6001);
}

void tst_TableModelFetch::fetchAllDuringSortCompletes()
{
    TempDatabase database;
    fill(database, "T", 5000);
    TableModel model;
    QVERIFY(bindFirst(model, database, "T"));
    QSignalSpy busy(&model, &TableModel::busyChanged);
    model.sort(0, Qt::DescendingOrder);
    model.fetchAll();
    QTRY_COMPARE(busy.count(), 2);
    QTRY_VERIFY(model.allRowsFetched());
    QCOMPARE(model.recordCount(), 5000);
    QCOMPARE(display(model, 0, 1), QString("v4999"));
    QCOMPARE(display(model, 4999, 1), QString("v0"));
}

// A sort the engine refuses (its column was renamed by someone else since
// the table was opened): the rows stay as they were and reading them goes on.
void tst_TableModelFetch::failedSortKeepsTheTableReadable()
{
    TempDatabase database;
    fill(database, "T", 5000);
    TableModel model;
    QVERIFY(bindFirst(model, database, "T"));
    QVERIFY(waitForCount(model, 5000));
    QSignalSpy busy(&model, &TableModel::busyChanged);
    QSignalSpy failed(&model, &TableModel::readFailed);
    database.exec("ALTER TABLE T ALTER COLUMN V TO RENAMED");
    model.sort(1, Qt::AscendingOrder);
    QVERIFY(model.isBusy());
    QVERIFY(!model.setData(model.index(0, 1), "lost"));   // the rows may be replaced
    QVERIFY(!model.setNull(model.index(0, 1)));
    QTRY_COMPARE(busy.count(), 2);
    QCOMPARE(failed.count(), 1);
    QVERIFY(!model.isBusy());
    QCOMPARE(display(model, 0, 1), QString("v0"));
    QCOMPARE(display(model, 4000, 1), QString());
    QTRY_COMPARE(display(model, 4000, 1), QString("v4000"));
    model.fetchAll();
    QTRY_VERIFY(model.allRowsFetched());
    QCOMPARE(model.recordCount(), 5000);
    QCOMPARE(notFetched(model), 0);
    QVERIFY(sortAndWait(model, 0, Qt::DescendingOrder));
    QCOMPARE(display(model, 0, 1), QString("v4999"));
}

void tst_TableModelFetch::bindingAnotherTableReleasesTheFirst()
{
    TempDatabase first;
    fill(first, "A", 20000);
    TempDatabase second;
    fill(second, "B", 10);
    TableModel model;
    QVERIFY(bindFirst(model, first, "A"));
    QVERIFY(model.setData(model.index(0, 1), "unsaved"));
    QVERIFY(bindAll(model, second, "B"));
    QCOMPARE(model.table(), QString("B"));
    QCOMPARE(model.recordCount(), 10);
    QVERIFY(!model.hasUnsavedRows());
    QCOMPARE(dropFails(first), QString());
    model.unbind();
    QCOMPARE(dropFails(second), QString());
}

void tst_TableModelFetch::unbindMidReadIsQuickAndReleasesTheFile_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("table");
    QTest::newRow("before the first rows") << "bound" << "T";
    QTest::newRow("reading on") << "reading" << "T";
    QTest::newRow("idle mid-table") << "idle" << "T";
    QTest::newRow("sorting") << "sorting" << "T";
    // a view whose count would take hours: counting is cut off too
    QTest::newRow("counting") << "reading" << "SLOW";
}

void tst_TableModelFetch::unbindMidReadIsQuickAndReleasesTheFile()
{
    QFETCH(QString, when);
    QFETCH(QString, table);
    TempDatabase database;
    fill(database, "T", 100000);
    database.exec("CREATE VIEW SLOW (ID, V) AS SELECT A.ID, B.V FROM T A CROSS JOIN T B");
    TableModel model;
    if (when == "bound") {
        model.bind(database.connectionString(), table);
    } else {
        QVERIFY(bindFirst(model, database, table));
        if (when == "reading") {
            model.fetchAll();
            QTest::qWait(30);
        } else if (when == "sorting") {
            model.sort(1, Qt::DescendingOrder);
        } else {
            QVERIFY(waitForCount(model, 100000));
        }
    }
    QVERIFY(when == "idle" || !model.allRowsFetched());
    QElapsedTimer clock;
    clock.start();
    model.unbind();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(model.rowCount(), 0);
    QTest::qWait(200);   // nothing of the old read arrives any more
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.isBusy());
    QCOMPARE(dropFails(database), QString());
}

void tst_TableModelFetch::destroyedMidRead()
{
    TempDatabase database;
    fill(database, "T", 100000);
    {
        TableModel model;
        QVERIFY(bindFirst(model, database, "T"));
        model.fetchAll();
        QTest::qWait(20);
    }
    QTest::qWait(100);
    QCOMPARE(dropFails(database), QString());
}

// Readers started and dropped at every stage, for the sanitizer builds.
void tst_TableModelFetch::rapidRebindsAndSorts()
{
    TempDatabase database;
    fill(database, "T", 50000);
    fill(database, "K", 3000, true);
    TableModel model;
    for (int round = 0; round < 24; ++round) {
        const QString table = round % 3 == 2 ? "K" : "T";
        model.bind(database.connectionString(), table);
        QTest::qWait(round % 4 * 5);
        if (round % 2)
            model.sort(round % 3 == 0 ? 0 : 1, round % 4 < 2 ? Qt::AscendingOrder
                                                            : Qt::DescendingOrder);
        if (round % 3 == 1)
            model.fetchAll();
        QTest::qWait(round % 5 * 3);
        display(model, round * 1000 % qMax(1, model.rowCount()), 1);
        if (round % 6 == 5)
            model.unbind();
    }
    QVERIFY(bindAll(model, database, "K"));
    QCOMPARE(model.recordCount(), 3000);
    QVERIFY(sortAndWait(model, 0, Qt::DescendingOrder));
    QCOMPARE(display(model, 0, 1), QString("v2999"));
    model.unbind();
    QCOMPARE(dropFails(database), QString());
}

void tst_TableModelFetch::missingTableThrows()
{
    TempDatabase database;
    fill(database, "T", 3);
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    QVERIFY_THROWS_EXCEPTION(DbError, model.bind(database.connectionString(), "NOPE"));
    QVERIFY(!model.isBound());
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(dropFails(database), QString());
}

QTEST_GUILESS_MAIN(tst_TableModelFetch)
#include "tst_tablemodel_fetch.moc"
