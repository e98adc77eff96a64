#include "tests/tst_tablemodel_harness.h"

using namespace db;
using namespace modeltest;

// Writing rows back: failures keep what was typed and change nothing else,
// keyless rows are hit exactly, inserts and deletes.
class tst_TableModelWrites : public QObject
{
    Q_OBJECT

private slots:
    void failedWriteChangesNothingElse_data();
    void failedWriteChangesNothingElse();
    void lockedRowFailsAndRetrySucceeds_data();
    void lockedRowFailsAndRetrySucceeds();
    void rowChangedByOtherAttachment();
    void rowDeletedByOtherAttachment();
    void insertWithIdentityAndDefaults();
    void insertIntoEmptyTable_data();
    void insertIntoEmptyTable();
    void failedInsertKeepsTypedValues();
    void deleteKeyedRows();
    void deleteGuardedByChangedValues_data();
    void deleteGuardedByChangedValues();
    void bulkDelete_data();
    void bulkDelete();
    void cancelledPasteKeepsWhatWasWritten();
};

namespace {

void createTable(TempDatabase &database)
{
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20) NOT NULL, "
                   "QTY INTEGER CHECK (QTY >= 0), CODE VARCHAR(5) UNIQUE, NOTE VARCHAR(20))",
                   "INSERT INTO T VALUES (1, 'x', 1, 'A', 'n1')",
                   "INSERT INTO T VALUES (2, 'y', 2, 'B', 'n2')",
                   "INSERT INTO T VALUES (3, 'z', 3, 'C', 'n3')"});
}

} // namespace

void tst_TableModelWrites::failedWriteChangesNothingElse_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("bad");      // "<null>" for NULL
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("serverText");
    QTest::newRow("not null") << 1 << "<null>" << "fixed" << "NAME";
    QTest::newRow("check") << 2 << "-5" << "5" << "CHECK";
    QTest::newRow("unique") << 3 << "B" << "D" << "UNIQUE";
    QTest::newRow("not a number") << 2 << "five" << "5" << "Not a number";
}

// The row holds a valid edit too: the failing write stores neither, and
// neither this row's other columns nor any other row change.
void tst_TableModelWrites::failedWriteChangesNothingElse()
{
    QFETCH(int, column);
    QFETCH(QString, bad);
    QFETCH(QString, good);
    QFETCH(QString, serverText);
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    const QStringList before = tableSnapshot(database, "T");
    QVERIFY(model.setData(model.index(0, 4), "typed note"));
    if (bad == "<null>")
        QVERIFY(model.setNull(model.index(0, column)));
    else
        QVERIFY(model.setData(model.index(0, column), bad));
    QSignalSpy failed(&model, &TableModel::writeFailed);
    QVERIFY(!model.submitRow(0));
    QCOMPARE(failed.count(), 1);
    QVERIFY(model.isRowDirty(0));
    QVERIFY2(model.rowError(0).contains(serverText), qPrintable(model.rowError(0)));
    QCOMPARE(model.index(0, 0).data(TableModel::RowStateRole).toInt(),
             int(TableModel::RowState::Failed));
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString("!"));
    if (bad == "<null>")
        QVERIFY(isNullAt(model, 0, column));
    else
        QCOMPARE(display(model, 0, column), bad);
    QCOMPARE(display(model, 0, 4), QString("typed note"));
    QCOMPARE(tableSnapshot(database, "T"), before);
    // a second try without a correction fails the same way
    QVERIFY(!model.submitRow(0));
    QCOMPARE(tableSnapshot(database, "T"), before);

    QVERIFY(model.setData(model.index(0, column), good));
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    QVERIFY(!model.isRowDirty(0));
    QCOMPARE(model.rowError(0), QString());
    QCOMPARE(display(model, 0, column), good);
    QStringList after = tableSnapshot(database, "T");
    QCOMPARE(after.mid(1), before.mid(1));
    QCOMPARE(valueOf(database, "SELECT NOTE FROM T WHERE ID = 1"), QString("typed note"));
    QVERIFY(after[0].startsWith("01000000|"));
}

void tst_TableModelWrites::lockedRowFailsAndRetrySucceeds_data()
{
    QTest::addColumn<QString>("held");   // what the other attachment did to row 2
    QTest::addColumn<bool>("commit");
    QTest::newRow("committed, no change") << "QTY = QTY" << true;
    QTest::newRow("rolled back") << "QTY = 5, NOTE = 'theirs'" << false;
}

// A row held by another attachment's transaction is refused as locked, not
// as changed; once that transaction ends without changing it, the next save
// goes through.
void tst_TableModelWrites::lockedRowFailsAndRetrySucceeds()
{
    QFETCH(QString, held);
    QFETCH(bool, commit);
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    const QStringList before = tableSnapshot(database, "T");
    Attachment other = database.attach();
    auto holder = std::make_unique<Transaction>(other.begin(TxMode::Write));
    Statement(*holder, "UPDATE T SET " + held + " WHERE ID = 2").execute(*holder);
    QVERIFY(model.setData(model.index(1, 2), "9"));
    QVERIFY(model.setData(model.index(1, 4), "noted"));
    QVERIFY(!model.submitRow(1));
    QVERIFY2(model.rowError(1).contains("update conflicts with concurrent update"),
             qPrintable(model.rowError(1)));
    QCOMPARE(display(model, 1, 2), QString("9"));
    QCOMPARE(display(model, 1, 4), QString("noted"));
    // other rows are not locked and still save
    QVERIFY(model.setData(model.index(2, 4), "row three"));
    QVERIFY2(model.submitRow(2), qPrintable(model.rowError(2)));
    if (commit)
        holder->commit();
    else
        holder->rollback();
    QStringList expected = before;
    expected[2] = "03000000|z|03000000|C|row three";
    QCOMPARE(tableSnapshot(database, "T"), expected);
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    expected[1] = "02000000|y|09000000|B|noted";
    QCOMPARE(tableSnapshot(database, "T"), expected);
}

// A row changed elsewhere after it was read is not overwritten blindly: the
// write fails, keeps the typed values and shows the row as it is now, so a
// second, deliberate save (or a revert) works.
void tst_TableModelWrites::rowChangedByOtherAttachment()
{
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    database.exec("UPDATE T SET QTY = 7, NOTE = 'theirs' WHERE ID = 1");
    const QStringList before = tableSnapshot(database, "T");
    QVERIFY(model.setData(model.index(0, 2), "9"));
    QVERIFY(!model.submitRow(0));
    QVERIFY2(model.rowError(0).contains("changed or deleted by another user"),
             qPrintable(model.rowError(0)));
    QCOMPARE(tableSnapshot(database, "T"), before);
    QCOMPARE(display(model, 0, 2), QString("9"));
    QCOMPARE(display(model, 0, 4), QString("theirs"));
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    QCOMPARE(valueOf(database, "SELECT QTY || NOTE FROM T WHERE ID = 1"), QString("9theirs"));
    QCOMPARE(tableSnapshot(database, "T").mid(1), before.mid(1));

    database.exec("UPDATE T SET QTY = 8 WHERE ID = 2");
    QVERIFY(model.setData(model.index(1, 2), "1"));
    QVERIFY(!model.submitRow(1));
    model.revertRow(1);
    QCOMPARE(display(model, 1, 2), QString("8"));
    QVERIFY(!model.isRowDirty(1));
}

void tst_TableModelWrites::rowDeletedByOtherAttachment()
{
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    database.exec("DELETE FROM T WHERE ID = 2");
    const QStringList before = tableSnapshot(database, "T");
    QVERIFY(model.setData(model.index(1, 4), "gone"));
    QVERIFY(!model.submitRow(1));
    QVERIFY2(model.rowError(1).contains("changed or deleted by another user"),
             qPrintable(model.rowError(1)));
    QCOMPARE(display(model, 1, 4), QString("gone"));
    QVERIFY(!model.submitRow(1));
    QCOMPARE(tableSnapshot(database, "T"), before);
}

void tst_TableModelWrites::insertWithIdentityAndDefaults()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
                   "NAME VARCHAR(20), STATUS VARCHAR(10) DEFAULT 'new', "
                   "MADE TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL, "
                   "TWICE COMPUTED BY (ID * 2))",
                   "INSERT INTO T (NAME) VALUES ('first')"});
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    QVERIFY(!(model.flags(model.index(0, 4)) & Qt::ItemIsEditable));
    const int line = model.newRecordRow();
    QCOMPARE(line, 1);
    // NULL set in the identity column leaves the numbering to the database
    QVERIFY(model.setNull(model.index(line, 0)));
    QVERIFY(model.setData(model.index(line, 1), "second"));
    QCOMPARE(model.index(line, 0).data(TableModel::RowStateRole).toInt(),
             int(TableModel::RowState::Edited));
    QVERIFY2(model.submitRow(line), qPrintable(model.rowError(line)));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(display(model, 1, 0), QString("2"));
    QCOMPARE(display(model, 1, 2), QString("new"));
    QVERIFY(!display(model, 1, 3).isEmpty() && !isNullAt(model, 1, 3));
    QCOMPARE(display(model, 1, 4), QString("4"));
    QCOMPARE(model.headerData(2, Qt::Vertical).toString(), QString("*"));
    QCOMPARE(model.index(2, 0).data(TableModel::RowStateRole).toInt(),
             int(TableModel::RowState::NewRecord));
    QCOMPARE(valueOf(database, "SELECT NAME || STATUS FROM T WHERE ID = 2"), QString("secondnew"));
    // an explicit value beats the identity; the inserted row edits like any other
    QVERIFY(model.setData(model.index(2, 0), "10"));
    QVERIFY(model.setData(model.index(2, 2), "set"));
    QVERIFY2(model.submitRow(2), qPrintable(model.rowError(2)));
    QVERIFY(model.setData(model.index(1, 1), "second, edited"));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(rowsOf(database, "SELECT NAME || '/' || STATUS FROM T ORDER BY ID"),
             QStringList({"first/new", "second, edited/new", "<null>"}));
    QCOMPARE(valueOf(database, "SELECT STATUS FROM T WHERE ID = 10"), QString("set"));
    QCOMPARE(model.recordCount(), 3);
}

void tst_TableModelWrites::insertIntoEmptyTable_data()
{
    QTest::addColumn<QString>("create");
    QTest::newRow("keyed") << "CREATE TABLE E (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))";
    QTest::newRow("keyless") << "CREATE TABLE E (ID INTEGER, V VARCHAR(10))";
}

void tst_TableModelWrites::insertIntoEmptyTable()
{
    QFETCH(QString, create);
    TempDatabase database;
    database.exec(create);
    TableModel model;
    QVERIFY(bindAll(model, database, "E"));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.recordCount(), 0);
    QCOMPARE(model.newRecordRow(), 0);
    for (int id = 1; id <= 2; ++id) {
        const int line = model.newRecordRow();
        QVERIFY(model.setData(model.index(line, 0), QString::number(id)));
        QVERIFY(model.setData(model.index(line, 1), QString("v%1").arg(id)));
        QVERIFY2(model.submitRow(line), qPrintable(model.rowError(line)));
    }
    QCOMPARE(model.recordCount(), 2);
    QCOMPARE(display(model, 0, 1), QString("v1"));
    QCOMPARE(display(model, 1, 1), QString("v2"));
    // rows inserted here edit and delete like read ones
    QVERIFY(model.setData(model.index(0, 1), "edited"));
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    QCOMPARE(model.deleteRows({1}), QStringList());
    QCOMPARE(rowsOf(database, "SELECT V FROM E"), QStringList({"edited"}));
    QCOMPARE(model.recordCount(), 1);
}

void tst_TableModelWrites::failedInsertKeepsTypedValues()
{
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    const QStringList before = tableSnapshot(database, "T");
    const int line = model.newRecordRow();
    QVERIFY(model.setData(model.index(line, 0), "4"));
    QVERIFY(model.setData(model.index(line, 3), "A"));   // taken
    QVERIFY(model.setData(model.index(line, 1), "w"));
    QVERIFY(!model.submitRow(line));
    QVERIFY2(model.rowError(line).contains("UNIQUE"), qPrintable(model.rowError(line)));
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(display(model, line, 0), QString("4"));
    QCOMPARE(display(model, line, 3), QString("A"));
    QCOMPARE(tableSnapshot(database, "T"), before);
    QVERIFY(model.setData(model.index(line, 3), "E"));
    QVERIFY2(model.submitRow(line), qPrintable(model.rowError(line)));
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(tableSnapshot(database, "T"), before + QStringList{"04000000|w|<null>|E|<null>"});
}

void tst_TableModelWrites::deleteKeyedRows()
{
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "T"));
    QVERIFY(model.setData(model.index(1, 4), "pending"));
    QCOMPARE(model.deleteRows({2, 0}), QStringList());
    QCOMPARE(model.recordCount(), 1);
    QCOMPARE(display(model, 0, 0), QString("2"));
    // the pending edit moved along with its row
    QCOMPARE(display(model, 0, 4), QString("pending"));
    QVERIFY(model.isRowDirty(0));
    QCOMPARE(rowsOf(database, "SELECT ID, NOTE FROM T"), QStringList({"02000000|n2"}));
}

void tst_TableModelWrites::deleteGuardedByChangedValues_data()
{
    QTest::addColumn<QString>("create");
    QTest::addColumn<QString>("change");
    QTest::newRow("keyed") << "CREATE TABLE D (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))"
                           << "UPDATE D SET V = 'theirs' WHERE ID = 2";
    QTest::newRow("keyless") << "CREATE TABLE D (ID INTEGER, V VARCHAR(10))"
                             << "UPDATE D SET V = 'theirs' WHERE ID = 2";
}

// A row changed elsewhere since it was read is not deleted unseen.
void tst_TableModelWrites::deleteGuardedByChangedValues()
{
    QFETCH(QString, create);
    QFETCH(QString, change);
    TempDatabase database;
    database.exec({create, "INSERT INTO D VALUES (1, 'a')", "INSERT INTO D VALUES (2, 'b')"});
    TableModel model;
    QVERIFY(bindAll(model, database, "D"));
    database.exec(change);
    const QStringList before = tableSnapshot(database, "D");
    const QStringList failures = model.deleteRows({1});
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures[0].startsWith("Row 2: ") && failures[0].contains("changed or deleted"),
             qPrintable(failures[0]));
    QCOMPARE(model.recordCount(), 2);
    QCOMPARE(tableSnapshot(database, "D"), before);
    QCOMPARE(model.deleteRows({0}), QStringList());
    QCOMPARE(tableSnapshot(database, "D"), before.mid(1));
}

void tst_TableModelWrites::bulkDelete_data()
{
    QTest::addColumn<int>("first");        // ids first to last are deleted (rows id - 1)
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("refused");      // an id a child row holds on to; 0 for none
    QTest::addColumn<int>("cancelAfter");  // batches; 0 runs to the end
    QTest::newRow("cancelled midway") << 1 << 10000 << 0 << 3;
    QTest::newRow("refused row in a batch") << 101 << 600 << 350 << 0;
}

// Many rows go in batches, bottom up: a cancel leaves the model and the
// table alike, and one refused row spoils no other row's delete.
void tst_TableModelWrites::bulkDelete()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, refused);
    QFETCH(int, cancelAfter);
    TempDatabase database;
    database.exec({"CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))",
                   "CREATE TABLE C (ID INTEGER REFERENCES P (ID))",
                   "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 10000) DO BEGIN "
                   "INSERT INTO P VALUES (:I, 'v' || :I); I = I + 1; END END",
                   QString("INSERT INTO C VALUES (%1)").arg(refused ? refused : 1)});
    TableModel model;
    QVERIFY(bindFirst(model, database, "P"));   // the rows to delete are read as they are needed
    const std::unique_ptr<BatchJob> job = model.deleteJob({{first - 1, last - 1}});
    QCOMPARE(job->total(), qint64(last - first + 1));
    int batches = 0;
    RunJobHere(*job, [&] {
        if (++batches == cancelAfter)
            job->cancel();
    });
    model.fetchAll();
    QVERIFY(QTest::qWaitFor([&] { return model.allRowsFetched(); }, 30000));
    const QStringList left = rowsOf(database, "SELECT CAST(ID AS VARCHAR(10)) FROM P ORDER BY ID");
    QStringList shown;
    for (int row = 0; row < model.recordCount(); ++row)
        shown << display(model, row, 0);
    QCOMPARE(shown, left);
    const int gone = 10000 - int(left.size());
    if (cancelAfter) {
        QVERIFY2(gone > 0 && gone < last - first + 1, qPrintable(QString::number(gone)));
        QCOMPARE(job->handled(), qint64(gone));
        QVERIFY(job->failures().isEmpty());
        // bottom up: the first rows are the ones still there
        QCOMPARE(display(model, model.recordCount() - 1, 0), QString::number(10000 - gone));
    } else {
        QCOMPARE(gone, last - first);
        QCOMPARE(job->failures().size(), 1);
        QVERIFY2(job->failures()[0].startsWith(QString("Row %1: ").arg(refused))
                     && job->failures()[0].contains("FOREIGN KEY"),
                 qPrintable(job->failures()[0]));
        QCOMPARE(display(model, first - 1, 0), QString::number(refused));
        QCOMPARE(display(model, first, 0), QString::number(last + 1));
    }
}

// Pasted rows are written a batch at a time: after a cancel the rows
// written so far hold the pasted values, the rest their own, and no row is
// left half pasted.
void tst_TableModelWrites::cancelledPasteKeepsWhatWasWritten()
{
    TempDatabase database;
    database.exec({"CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))",
                   "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 3000) DO BEGIN "
                   "INSERT INTO P VALUES (:I, 'v'); I = I + 1; END END"});
    TableModel model;
    QVERIFY(bindAll(model, database, "P"));
    const std::unique_ptr<BatchJob> job =
        model.pasteJob(0, 1, QList<QStringList>(3000, QStringList{"pasted"}), 3000);
    int batches = 0;
    RunJobHere(*job, [&] {
        if (++batches == 2)
            job->cancel();
    });
    const qint64 pasted = job->handled();
    QVERIFY2(pasted > 0 && pasted < 3000, qPrintable(QString::number(pasted)));
    QVERIFY(!model.hasUnsavedRows());
    QCOMPARE(valueOf(database, "SELECT CAST(COUNT(*) AS VARCHAR(9)) FROM P WHERE V = 'pasted'"),
             QString::number(pasted));
    QCOMPARE(valueOf(database, QString("SELECT CAST(MAX(ID) AS VARCHAR(9)) FROM P "
                                       "WHERE V = 'pasted'")),
             QString::number(pasted));
    QCOMPARE(display(model, int(pasted) - 1, 1), QString("pasted"));
    QCOMPARE(display(model, int(pasted), 1), QString("v"));
}

QTEST_GUILESS_MAIN(tst_TableModelWrites)
#include "tst_tablemodel_writes.moc"
