// A server that goes away while the editor, an export or a schema dialog
// holds an attachment to it, and comes back: every failing call ends within
// seconds with the client's message, typed values stay, and the next use
// attaches anew. The server is reached through a relay that the test cuts
// and restores: the real server keeps serving the other server tests that
// run beside this one.

#include "db/client/connection.h"
#include "db/client/connectionstring.h"
#include "db/client/dberror.h"
#include "db/client/schemachange.h"
#include "db/grid/tablecursor.h"
#include "tests/support/tcprelay.h"
#include "tests/tst_tablemodel_harness.h"
#include "ui/refusaltexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

#include <memory>

namespace {

const QString User = QStringLiteral("SYSDBA");
constexpr int ManyRows = 20000;   // more than the client prefetches
constexpr qint64 LongestFailureMs = 5000;

} // namespace

using modeltest::display;
using modeltest::TableModel;

class TestServerLost : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { m_relay = std::make_unique<testsupport::TcpRelay>(m_serverPort); }
    void cleanup() { m_relay.reset(); }

    void editedRowIsKeptAndSavedOnceTheServerIsBack();
    void readerFailsAndRefreshReadsAgain();
    void deletingStopsWhenTheServerGoes();
    void exportCursorFailsThenReadsAgain();
    void schemaChangeAttachesAnew();

private:
    // The database through the relay (relayed) or straight to the server.
    QString connectionString(bool relayed) const;
    QString valueOf(const QString &sql) const;
    // Runs call, which must fail with a lost connection, within LongestFailureMs.
    template<class Call> void expectLost(Call call, const char *what);

    quint16 m_serverPort = 3050;
    QString m_password;
    QString m_path;   // on the server's side
    QString m_host;
    bool m_created = false;
    std::unique_ptr<testsupport::TcpRelay> m_relay;
};

QString TestServerLost::connectionString(bool relayed) const
{
    const QString server = relayed ? QStringLiteral("127.0.0.1/%1").arg(m_relay->port())
                                   : QStringLiteral("%1/%2").arg(m_host).arg(m_serverPort);
    return db::ConnectionString({server + QLatin1Char(':') + m_path, User, m_password});
}

QString TestServerLost::valueOf(const QString &sql) const
{
    db::Attachment attachment = db::Attachment::open(connectionString(false));
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement statement(tx, sql);
    db::Cursor cursor = statement.openCursor(tx);
    const unsigned char *row = cursor.fetch();
    if (!row || db::isNull(statement.columns().at(0), row))
        return QStringLiteral("<none>");
    return QString::fromUtf8(db::valueBytes(statement.columns().at(0), row));
}

template<class Call> void TestServerLost::expectLost(Call call, const char *what)
{
    QElapsedTimer clock;
    clock.start();
    try {
        call();
        QFAIL(qPrintable(QStringLiteral("%1 succeeded without a server").arg(what)));
    } catch (const db::DbError &error) {
        QVERIFY2(error.isConnectionLost(), qPrintable(QStringLiteral("%1: %2").arg(what, error.message())));
    }
    QVERIFY2(clock.elapsed() < LongestFailureMs, what);
}

void TestServerLost::initTestCase()
{
    m_password = qEnvironmentVariable("GRAVELIN_SERVER_PASSWORD");
    const QString folder = qEnvironmentVariable("GRAVELIN_SERVER_DBDIR");
    m_host = qEnvironmentVariable("GRAVELIN_SERVER_HOST", QStringLiteral("localhost"));
    if (m_password.isEmpty() || folder.isEmpty())
        QFAIL("GRAVELIN_SERVER_PASSWORD and GRAVELIN_SERVER_DBDIR are not set: these tests "
              "need the Firebird server that scripts/test starts. Run scripts/test.");
    m_path = QDir(folder).filePath(
        QStringLiteral("tst_server_lost-%1.fdb").arg(QCoreApplication::applicationPid()));
    db::Attachment attachment = db::Attachment::create(
        QStringLiteral("%1/%2:%3").arg(m_host).arg(m_serverPort).arg(m_path), User, m_password);
    m_created = true;
    attachment.executeImmediate("CREATE TABLE PEOPLE (ID INTEGER PRIMARY KEY, NAME VARCHAR(20))");
    attachment.executeImmediate("CREATE TABLE MANY (ID INTEGER PRIMARY KEY, TXT VARCHAR(40))");
    attachment.executeImmediate("INSERT INTO PEOPLE VALUES (1, 'Ann')");
    attachment.executeImmediate(
        QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < %1) DO BEGIN "
                       "INSERT INTO MANY VALUES (:I, 'row ' || :I); I = I + 1; END END")
            .arg(ManyRows));
}

void TestServerLost::cleanupTestCase()
{
    if (m_created)
        db::Attachment::open(connectionString(false)).dropDatabase();
}

// The row being edited when the server goes: its write fails with the
// client's words, the typed value stays, and leaving the row again once the
// server is back saves it. Another table opens on the same model.
void TestServerLost::editedRowIsKeptAndSavedOnceTheServerIsBack()
{
    TableModel model;
    model.setRefusalWording(&ui::RefusalText);
    QSignalSpy first(&model, &TableModel::firstRowsArrived);
    model.bind(connectionString(true), QStringLiteral("PEOPLE"));
    QVERIFY(first.wait(10000));
    QVERIFY(model.setData(model.index(0, 1), QStringLiteral("Bea")));

    m_relay->cut();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!model.submitRow(0));
    QVERIFY(clock.elapsed() < LongestFailureMs);
    QVERIFY2(model.rowError(0).startsWith("The connection to the database was lost"),
             qPrintable(model.rowError(0)));
    QCOMPARE(display(model, 0, 1), QStringLiteral("Bea"));
    QVERIFY(!model.submitRow(0));   // still away: fails again, at once
    QVERIFY(clock.elapsed() < 2 * LongestFailureMs);

    m_relay->restore();
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    QCOMPARE(valueOf("SELECT NAME FROM PEOPLE WHERE ID = 1"), QStringLiteral("Bea"));

    first.clear();
    model.bind(connectionString(true), QStringLiteral("MANY"));
    QVERIFY(first.wait(10000));
    QCOMPARE(display(model, 0, 1), QStringLiteral("row 0"));
}

// A read cut off halfway is reported; a refresh reads every row again.
void TestServerLost::readerFailsAndRefreshReadsAgain()
{
    TableModel model;
    QSignalSpy failed(&model, &TableModel::readFailed);
    QSignalSpy first(&model, &TableModel::firstRowsArrived);
    model.bind(connectionString(true), QStringLiteral("MANY"));
    QVERIFY(first.wait(10000));
    QVERIFY(!model.allRowsFetched());

    m_relay->cut();
    model.fetchAll();
    QVERIFY(failed.wait(LongestFailureMs));
    QVERIFY(!failed.first().first().toString().isEmpty());

    m_relay->restore();
    model.refresh();
    QVERIFY(QTest::qWaitFor([&] { return !model.isBusy(); }, 10000));
    model.fetchAll();
    QVERIFY(QTest::qWaitFor([&] { return model.allRowsFetched(); }, 30000));
    QCOMPARE(model.recordCount(), ManyRows);
}

// A delete of many rows without the server: one message, every row kept;
// once the server is back the same rows go.
void TestServerLost::deletingStopsWhenTheServerGoes()
{
    TableModel model;
    QSignalSpy first(&model, &TableModel::firstRowsArrived);
    model.bind(connectionString(true), QStringLiteral("MANY"));
    QVERIFY(first.wait(10000));
    const QList<int> rows{0, 1, 2, 3, 4};

    m_relay->cut();
    QElapsedTimer clock;
    clock.start();
    const QStringList failures = model.deleteRows(rows);
    QVERIFY(clock.elapsed() < LongestFailureMs);
    QCOMPARE(failures.size(), 1);
    QCOMPARE(display(model, 0, 1), QStringLiteral("row 0"));

    m_relay->restore();
    QCOMPARE(model.deleteRows(rows), QStringList());
    QCOMPARE(display(model, 0, 1), QStringLiteral("row 5"));
    QCOMPARE(valueOf("SELECT CAST(COUNT(*) AS VARCHAR(9)) FROM MANY WHERE ID < 5"),
             QStringLiteral("0"));
}

void TestServerLost::exportCursorFailsThenReadsAgain()
{
    const db::sql::TableRead read{QStringLiteral("MANY"), false, {}, false};
    {
        db::TableCursor cursor(connectionString(true), read);
        cursor.open();
        db::TableCursor::Row row;
        QVERIFY(cursor.next(row));
        m_relay->cut();
        expectLost([&] { while (cursor.next(row)) {} }, "reading on");
    }
    expectLost([&] { db::TableCursor(connectionString(true), read).open(); }, "opening");

    m_relay->restore();
    db::TableCursor cursor(connectionString(true), read);
    cursor.open();
    db::TableCursor::Row row;
    int rows = 0;
    while (cursor.next(row))
        ++rows;
    QCOMPARE(QString::number(rows), valueOf("SELECT CAST(COUNT(*) AS VARCHAR(9)) FROM MANY"));
    QVERIFY(rows > ManyRows - 10);
}

void TestServerLost::schemaChangeAttachesAnew()
{
    db::SchemaChange change(connectionString(true));
    m_relay->cut();
    expectLost([&] { change.execute("ALTER TABLE PEOPLE ADD LOST_A INTEGER"); }, "a change");
    expectLost([&] { change.execute("ALTER TABLE PEOPLE ADD LOST_B INTEGER"); }, "a retry");

    m_relay->restore();
    change.execute(QStringLiteral("ALTER TABLE PEOPLE ADD BACK_C INTEGER"));
    QCOMPARE(valueOf("SELECT CAST(COUNT(*) AS VARCHAR(9)) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = "
                     "'PEOPLE' AND RDB$FIELD_NAME IN ('LOST_A', 'LOST_B', 'BACK_C')"),
             QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(TestServerLost)
#include "tst_server_lost.moc"
