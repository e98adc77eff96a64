#include "db/sql/cellcodec.h"
#include "db/client/connection.h"
#include "db/client/schemachange.h"
#include "db/sql/schemasql.h"
#include "tests/support/tempdatabase.h"

#include <QElapsedTimer>
#include <QTest>

using namespace db;
using namespace db::sql;
using testsupport::TempDatabase;

namespace {

// The values of a query's rows, each row joined by '/' ("<null>" for NULL).
QStringList Query(Attachment &attachment, const QString &sql)
{
    Transaction tx = attachment.begin(TxMode::Browse);
    Statement statement(tx, sql);
    Cursor cursor = statement.openCursor(tx);
    QStringList rows;
    while (const unsigned char *message = cursor.fetch()) {
        QStringList row;
        for (const Column &column : statement.columns())
            row << (isNull(column, message) ? QStringLiteral("<null>")
                                            : CellText(column, valueBytes(column, message)));
        rows << row.join(QLatin1Char('/'));
    }
    return rows;
}

QString Literal(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace("'", "''") + QLatin1Char('\'');
}

// What the catalogue says of a column: type, sub type, characters,
// precision, scale, segment length, identity.
QString ColumnCatalogue(Attachment &attachment, const QString &table, const QString &column)
{
    const QStringList rows = Query(attachment, QStringLiteral(
        "SELECT F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE, F.RDB$CHARACTER_LENGTH,"
        " F.RDB$FIELD_PRECISION, F.RDB$FIELD_SCALE, F.RDB$SEGMENT_LENGTH, RF.RDB$IDENTITY_TYPE"
        " FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
        " WHERE RF.RDB$RELATION_NAME = %1 AND RF.RDB$FIELD_NAME = %2")
        .arg(Literal(table), Literal(column)));
    return rows.value(0, QStringLiteral("<no column>"));
}

QString ErrorOf(const std::function<void()> &body)
{
    try {
        body();
    } catch (const DbError &error) {
        return error.message();
    }
    return {};
}

} // namespace

// Schema statements against a real database: what the catalogue shows
// afterwards, and that no statement waits for good on a lock.
class tst_SchemaChange : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_db.reset(); }

    void types_data();
    void types();
    void identityValues_data();
    void identityValues();
    void setDefault();
    void names_data();
    void names();
    void lockConflictFailsInTime_data();
    void lockConflictFailsInTime();
    void notOpen();

private:
    std::unique_ptr<TempDatabase> m_db;
};

void tst_SchemaChange::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE T (A INTEGER)", "INSERT INTO T VALUES (1)"});
}

void tst_SchemaChange::types_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("m");
    QTest::addColumn<QString>("d");
    QTest::addColumn<QString>("expected");   // catalogue, or "!" and the message's start
    const char *none = "! ";
    struct Case { const char *type, *m, *d, *expected; } cases[] = {
        {"INT64", "", "", "16/0/<null>/0/0/<null>/<null>"},
        {"INT64", "5", "", none},
        {"CHAR", "", "", "14/0/1/<null>/0/<null>/<null>"},
        {"CHAR", "10", "", "14/0/10/<null>/0/<null>/<null>"},
        {"DATE", "", "", "12/<null>/<null>/<null>/0/<null>/<null>"},
        {"DATE", "3", "", none},
        {"TIMESTAMP", "", "", "35/<null>/<null>/<null>/0/<null>/<null>"},
        {"TIMESTAMP", "3", "", none},
        {"DECIMAL", "", "", "8/2/<null>/9/0/<null>/<null>"},
        {"DECIMAL", "10", "2", "16/2/<null>/10/-2/<null>/<null>"},
        {"FLOAT", "", "", "10/<null>/<null>/<null>/0/<null>/<null>"},
        {"FLOAT", "5", "", "10/<null>/<null>/<null>/0/<null>/<null>"},
        {"BLOB", "", "", "261/0/<null>/<null>/0/80/<null>"},
        {"BLOB", "100", "1", "261/1/<null>/<null>/0/100/<null>"},
        {"INTEGER", "", "", "8/0/<null>/0/0/<null>/<null>"},
        {"INTEGER", "5", "", none},
        {"BLOB SUB_TYPE TEXT", "", "", "261/1/<null>/<null>/0/80/<null>"},
        {"BLOB SUB_TYPE TEXT", "80", "", none},
        {"NUMERIC", "", "", "8/1/<null>/9/0/<null>/<null>"},
        {"NUMERIC", "9", "3", "8/1/<null>/9/-3/<null>/<null>"},
        {"VARCHAR", "", "", none},
        {"VARCHAR", "40", "", "37/0/40/<null>/0/<null>/<null>"},
        {"DOUBLE", "", "", "27/<null>/<null>/<null>/0/<null>/<null>"},
        {"DOUBLE", "5", "", none},
        {"SMALLINT", "", "", "7/0/<null>/0/0/<null>/<null>"},
        {"SMALLINT", "5", "", none},
    };
    for (const Case &c : cases) {
        QTest::addRow("%s (%s, %s)", c.type, c.m, c.d) << c.type << c.m << c.d << c.expected;
    }
}

// Both ways a column comes about: ALTER TABLE ADD on a table with a row,
// and a one-field CREATE TABLE.
void tst_SchemaChange::types()
{
    QFETCH(QString, type);
    QFETCH(QString, m);
    QFETCH(QString, d);
    QFETCH(QString, expected);
    const ColumnSpec column{"C", type, m, d, false, {}};
    const QString problem = ColumnSpecProblem(column);
    if (expected.startsWith('!')) {
        QVERIFY2(problem.startsWith(type + " takes") || problem.startsWith(type + " needs"),
                 qPrintable(problem));
        return;
    }
    QCOMPARE(problem, QString());
    SchemaChange change(m_db->connectionString());
    change.execute(AddColumn("T", column));
    change.execute(CreateTable(TableSpec{"N", {column}}));
    Attachment attachment = m_db->attach();
    QCOMPARE(ColumnCatalogue(attachment, "T", "C"), expected);
    QCOMPARE(ColumnCatalogue(attachment, "N", "C"), expected);
}

void tst_SchemaChange::identityValues_data()
{
    QTest::addColumn<QString>("type");
    for (const char *type : {"SMALLINT", "INTEGER", "INT64", "NUMERIC"})
        QTest::newRow(type) << type;
}

// Each new row gets the next value. An identity column is NOT NULL, so a
// table that already has rows refuses it, with the server's reason.
void tst_SchemaChange::identityValues()
{
    QFETCH(QString, type);
    const ColumnSpec id{"ID", type, {}, {}, true, {}};
    QCOMPARE(ColumnSpecProblem(id), QString());
    m_db->exec("CREATE TABLE E (A INTEGER)");
    SchemaChange change(m_db->connectionString());
    change.execute(AddColumn("E", id));
    change.execute(CreateTable(TableSpec{"N", {id, {"X", "INTEGER", {}, {}, false, {}}}}));
    m_db->exec({"INSERT INTO E (A) VALUES (2)", "INSERT INTO E (A) VALUES (3)",
                "INSERT INTO N (X) VALUES (7)"});
    Attachment attachment = m_db->attach();
    QCOMPARE(Query(attachment, "SELECT A, ID FROM E ORDER BY A"), (QStringList{"2/1", "3/2"}));
    QCOMPARE(Query(attachment, "SELECT ID, X FROM N"), QStringList{"1/7"});
    QVERIFY(ColumnCatalogue(attachment, "E", "ID").endsWith("/1"));   // BY DEFAULT
    QVERIFY(ErrorOf([&] { change.execute(AddColumn("T", id)); })
                .contains("Cannot make field ID of table T NOT NULL because there are NULLs present"));
}

void tst_SchemaChange::setDefault()
{
    SchemaChange change(m_db->connectionString());
    change.execute(AddColumn("T", {"NOTE", "VARCHAR", "10", {}, false, {}}));
    change.execute(SetColumnDefault("T", "NOTE", "'abc'"));
    change.execute(AddColumn("T", {"DAYS", "DATE", {}, {}, false, {}}));
    change.execute(SetColumnDefault("T", "DAYS", "CURRENT_DATE"));
    m_db->exec("INSERT INTO T (A) VALUES (2)");
    Attachment attachment = m_db->attach();
    QCOMPARE(Query(attachment, "SELECT NOTE, IIF(DAYS = CURRENT_DATE, 'today', 'not') FROM T WHERE A = 2"),
             QStringList{"abc/today"});
    QVERIFY(!ErrorOf([&] { change.execute(SetColumnDefault("T", "NOTE", "abc")); }).isEmpty());
}

void tst_SchemaChange::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");   // the start of the server's message, or empty
    QTest::newRow("double quote") << "Say \"Hi\"" << "";
    QTest::newRow("blanks inside and before") << "  two words" << "";
    QTest::newRow("non-ASCII") << "Größe €" << "";
    QTest::newRow("31 bytes") << QString(31, 'N') << "";
    QTest::newRow("31 bytes, non-ASCII") << QString(15, QChar(0xE4)) + "x" << "";
    QTest::newRow("32 bytes") << QString(32, 'N') << "Dynamic SQL Error";
    QTest::newRow("32 bytes, non-ASCII") << QString(16, QChar(0xE4)) << "Dynamic SQL Error";
}

// A name as a table name and as a column name, in both statements.
void tst_SchemaChange::names()
{
    QFETCH(QString, name);
    QFETCH(QString, error);
    const ColumnSpec column{name, "INTEGER", {}, {}, false, {}};
    SchemaChange change(m_db->connectionString());
    const QString errors[] = {
        ErrorOf([&] { change.execute(AddColumn("T", column)); }),
        ErrorOf([&] { change.execute(CreateTable(TableSpec{name, {column}})); }),
    };
    for (const QString &message : errors) {
        QVERIFY2(error.isEmpty() ? message.isEmpty() : message.startsWith(error),
                 qPrintable(message));
        if (!error.isEmpty())
            QVERIFY2(message.contains("Name longer than database column size"), qPrintable(message));
    }
    if (!error.isEmpty())
        return;
    Attachment attachment = m_db->attach();
    QCOMPARE(ColumnCatalogue(attachment, "T", name).left(2), QStringLiteral("8/"));
    QCOMPARE(ColumnCatalogue(attachment, name, name).left(2), QStringLiteral("8/"));
}

void tst_SchemaChange::lockConflictFailsInTime_data()
{
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("message");
    QTest::newRow("same column added") << "ALTER TABLE T ADD MINE INTEGER"
        << AddColumn("T", {"MINE", "INTEGER", {}, {}, false, {}})
        << "violation of PRIMARY or UNIQUE KEY constraint";
    QTest::newRow("same default set") << "ALTER TABLE T ALTER COLUMN A SET DEFAULT 1"
        << SetColumnDefault("T", "A", "2") << "update conflicts with concurrent update";
}

// Another attachment's uncommitted change to the same catalogue rows: the
// statement gives up after the lock timeout with the server's message
// (without one it would wait for good), and works once the other is gone.
void tst_SchemaChange::lockConflictFailsInTime()
{
    QFETCH(QString, held);
    QFETCH(QString, mine);
    QFETCH(QString, message);
    Attachment other = m_db->attach();
    Transaction holding = other.begin(TxMode::Write);
    Statement(holding, held).execute(holding);
    SchemaChange change(m_db->connectionString());
    QElapsedTimer timer;
    timer.start();
    const QString error = ErrorOf([&] { change.execute(mine); });
    const qint64 waited = timer.elapsed();
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY2(waited < (SchemaLockTimeoutSeconds + 2) * 1000, qPrintable(QString::number(waited)));
    holding.rollback();
    change.execute(mine);
}

void tst_SchemaChange::notOpen()
{
    SchemaChange change;
    QVERIFY(!change.isOpen());
    QCOMPARE(ErrorOf([&] { change.execute("ALTER TABLE T ADD B INTEGER"); }),
             QStringLiteral("There is no connection to the database."));
}

QTEST_GUILESS_MAIN(tst_SchemaChange)
#include "tst_schemachange.moc"
