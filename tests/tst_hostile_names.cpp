// Table and column names that would break a statement built carelessly go
// through every operation: create, add column, list, open, insert, edit,
// sort, delete and the text exports. Every statement the program sends is
// recorded and read as SQL: the names appear only as quoted identifiers,
// and nothing else (a comment, a second statement, a literal) comes of them.

#include "db/client/connectionstring.h"
#include "db/client/firebird.h"
#include "db/client/schemachange.h"
#include "db/sql/schemasql.h"
#include "db/sql/sqltext.h"
#include "export/gridview.h"
#include "export/textexports.h"
#include "platform/scriptedservices.h"
#include "tests/support/sqltokens.h"
#include "tests/tst_tablemodel_harness.h"

#include <QMutex>
#include <QTemporaryDir>

using namespace modeltest;

namespace {

QMutex recordLock;
QStringList recorded;

void Record(const QString &sql)
{
    QMutexLocker locker(&recordLock);
    recorded << sql;
}

QStringList TakeRecorded()
{
    QMutexLocker locker(&recordLock);
    return std::exchange(recorded, {});
}

// Firebird keeps leading blanks of a name and drops trailing ones.
QString Stored(const QString &name)
{
    QString stored = name;
    while (stored.endsWith(' '))
        stored.chop(1);
    return stored;
}

} // namespace

class TestHostileNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { db::SetStatementObserver(Record); }
    void cleanupTestCase() { db::SetStatementObserver(nullptr); }
    void everyOperation_data();
    void everyOperation();
    void nameOnePastTheLimit();
};

void TestHostileNames::everyOperation_data()
{
    QTest::addColumn<QString>("name");     // the table and its key column
    QTest::addColumn<QString>("added");    // the column added later
    QTest::newRow("double quotes") << "Say \"hi\"" << "\"";
    QTest::newRow("single quotes") << "O'Brien" << "it's';--";
    QTest::newRow("semicolon") << "a;DROP TABLE X" << "b; COMMIT";
    QTest::newRow("comment") << "x -- y" << "/* z */";
    QTest::newRow("blanks at either end") << "  both ends  " << " lead";
    QTest::newRow("non-ASCII") << "Größe ÆØÅ" << "名前";
    QTest::newRow("31 bytes") << QString(15, QChar(0xE9)) + "x" << QString(31, 'M');
}

void TestHostileNames::everyOperation()
{
    QFETCH(QString, name);
    QFETCH(QString, added);
    TempDatabase database;
    database.release();
    const QString connection = database.connectionString();
    TakeRecorded();

    db::sql::TableSpec created{name, {db::sql::ColumnSpec{.name = name, .type = "INTEGER"}, db::sql::ColumnSpec{.name = "V", .type = "VARCHAR", .m = "20"}}};
    db::SchemaChange schema(connection);
    schema.execute(db::sql::CreateTable(created));
    schema.execute(db::sql::AddColumn(name, db::sql::ColumnSpec{.name = added, .type = "VARCHAR", .m = "10"}));
    const QString table = Stored(name);
    QCOMPARE(db::UserTableNames(connection), QStringList{table});

    TableModel model;
    model.bind(connection, table);
    model.fetchAll();
    QVERIFY(QTest::qWaitFor([&] { return model.allRowsFetched(); }, 10000));
    for (const int id : {2, 1}) {
        const int row = model.newRecordRow();
        QVERIFY(model.setData(model.index(row, 0), QString::number(id)));
        QVERIFY(model.setData(model.index(row, 1), "v"));
        QVERIFY(model.setData(model.index(row, 2), "a"));
        QVERIFY2(model.submitRow(row), qPrintable(model.rowError(row)));
    }
    model.sort(0, Qt::AscendingOrder);
    QVERIFY(QTest::qWaitFor([&] { return !model.isBusy(); }, 10000));
    QCOMPARE(display(model, 0, 0), "1");
    QVERIFY(model.setData(model.index(0, 1), "edited"));
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    QCOMPARE(model.deleteRows({1}), QStringList());

    platform::ScriptedMessageBoxes messages;
    db::JobsHere jobs;
    QTemporaryDir out;
    using Save = exports::ExportOutcome (*)(exports::GridView &, const QString &, exports::ExportUi);
    const Save csv = [](exports::GridView &grid, const QString &path, exports::ExportUi ui) {
        return exports::SaveDataGridToCsvFile(grid, path, ui);
    };
    for (const Save save : {Save(exports::SaveDataGridToFile), csv,
                            Save(exports::SaveDataGridToXMLFile)}) {
        exports::TableGridView grid(connection, model.currentRead(), model.recordCount());
        QVERIFY(save(grid, out.filePath("export"), {messages, jobs}).finished());
    }
    QVERIFY(messages.calls.isEmpty());
    model.unbind();
    const auto q = db::sql::QuoteIdentifier;
    QCOMPARE(rowsOf(database, QString("SELECT CAST(%1 AS VARCHAR(5)), V, %2 FROM %3")
                                  .arg(q(name), q(added), q(table))),
             QStringList{"1|edited|a"});

    const QStringList statements = TakeRecorded();
    const QStringList known{Stored(name), Stored(added), "V"};
    for (const char *kind : {"CREATE TABLE", "ALTER TABLE", "INSERT INTO", "UPDATE ",
                             "DELETE FROM", " ORDER BY "})
        QVERIFY2(!statements.filter(kind).isEmpty(), kind);
    for (const QString &sql : statements) {
        const testsupport::SqlTokens tokens = testsupport::LexSql(sql);
        QVERIFY2(!tokens.unterminated && tokens.comments == 0 && tokens.separators == 0,
                 qPrintable(sql));
        for (const QString &identifier : tokens.identifiers)
            QVERIFY2(known.contains(Stored(identifier)), qPrintable(sql));
        for (const QString &literal : tokens.literals)
            QVERIFY2(!literal.contains(name.trimmed()) && !literal.contains(added.trimmed()),
                     qPrintable(sql));
    }
}

// One byte past Firebird 3's 31: the server's own words, nothing created.
void TestHostileNames::nameOnePastTheLimit()
{
    TempDatabase database;
    database.release();
    const QString name(16, QChar(0xE9));   // 32 bytes in UTF-8
    db::SchemaChange schema(database.connectionString());
    try {
        schema.execute(db::sql::CreateTable({name, {db::sql::ColumnSpec{.name = "ID", .type = "INTEGER"}}}));
        QFAIL("a 32-byte name was taken");
    } catch (const db::DbError &error) {
        QVERIFY2(error.message().contains("Name longer than database column size"),
                 qPrintable(error.message()));
    }
    QCOMPARE(db::UserTableNames(database.connectionString()), QStringList());
}

QTEST_MAIN(TestHostileNames)
#include "tst_hostile_names.moc"
