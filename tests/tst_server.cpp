// Connecting through a Firebird server ("host:path" database names) rather
// than the embedded engine. scripts/test starts the server and exports
// GRAVELIN_SERVER_HOST, GRAVELIN_SERVER_PASSWORD and GRAVELIN_SERVER_DBDIR.

#include "db/client/connection.h"
#include "db/client/connectionstring.h"
#include "db/client/dberror.h"
#include "db/client/firebird.h"

#include <QCoreApplication>
#include <QDir>
#include <QtTest>

namespace {

const QString User = QStringLiteral("SYSDBA");

QString environment(const char *name)
{
    return qEnvironmentVariable(name);
}

} // namespace

class TestServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void createdDatabaseIsServedRemotely();
    void canConnect_data();
    void canConnect();
    void testConnectionExplainsRefusal();
    void listsTablesThroughServer();

private:
    QString serverName(const QString &fileName) const;
    QString connectionString(const QString &database, const QString &user,
                             const QString &password) const;

    QString m_host;
    QString m_password;
    QString m_dbDir;
    QString m_fileName;   // path on the server's side
    QString m_database;   // "host:path", what the user would type
    bool m_created = false;
};

QString TestServer::serverName(const QString &fileName) const
{
    return m_host + QLatin1Char(':') + QDir(m_dbDir).filePath(fileName);
}

QString TestServer::connectionString(const QString &database, const QString &user,
                                     const QString &password) const
{
    return db::ConnectionString({database, user, password});
}

void TestServer::initTestCase()
{
    m_password = environment("GRAVELIN_SERVER_PASSWORD");
    m_dbDir = environment("GRAVELIN_SERVER_DBDIR");
    m_host = environment("GRAVELIN_SERVER_HOST");
    if (m_host.isEmpty())
        m_host = QStringLiteral("localhost");
    if (m_password.isEmpty() || m_dbDir.isEmpty())
        QFAIL("GRAVELIN_SERVER_PASSWORD and GRAVELIN_SERVER_DBDIR are not set: these tests "
              "need the Firebird server that scripts/test starts. Run scripts/test.");

    // Unique per run, so a rerun against the same folder does not collide.
    m_fileName = QStringLiteral("tst_server-%1.fdb").arg(QCoreApplication::applicationPid());
    m_database = serverName(m_fileName);
    try {
        db::Attachment attachment = db::Attachment::create(m_database, User, m_password);
        m_created = true;
        attachment.executeImmediate(QStringLiteral("CREATE TABLE SHELF (ITEM VARCHAR(20))"));
        attachment.executeImmediate(
            QStringLiteral("CREATE TABLE \"Shelf Labels\" (LABEL VARCHAR(20))"));
    } catch (const db::DbError &error) {
        QFAIL(qPrintable(QStringLiteral("creating %1 through the server failed: %2")
                             .arg(m_database, error.message())));
    }
}

void TestServer::cleanupTestCase()
{
    if (!m_created)
        return;
    db::Attachment attachment =
        db::Attachment::open(connectionString(m_database, User, m_password));
    attachment.dropDatabase();
    QVERIFY(!db::CanConnect(connectionString(m_database, User, m_password)));
}

// The file must really be opened by the server process, not by the embedded
// engine reading a path that merely starts with "localhost:".
void TestServer::createdDatabaseIsServedRemotely()
{
    db::Attachment attachment =
        db::Attachment::open(connectionString(m_database, User, m_password));
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement statement(
        tx, QStringLiteral("SELECT a.MON$REMOTE_PROTOCOL, d.MON$DATABASE_NAME "
                           "FROM MON$ATTACHMENTS a CROSS JOIN MON$DATABASE d "
                           "WHERE a.MON$ATTACHMENT_ID = CURRENT_CONNECTION"));
    db::Cursor cursor = statement.openCursor(tx);
    const unsigned char *row = cursor.fetch();
    QVERIFY(row);
    const auto &columns = statement.columns();
    QVERIFY(!db::isNull(columns.at(0), row));
    QVERIFY(db::valueBytes(columns.at(0), row).startsWith("TCP"));
    QCOMPARE(QString::fromUtf8(db::valueBytes(columns.at(1), row)).trimmed(),
             QDir(m_dbDir).filePath(m_fileName));
}

void TestServer::canConnect_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("expected");

    const QString missing = serverName(QStringLiteral("no-such-file.fdb"));
    QTest::newRow("right password") << m_database << User << m_password << true;
    QTest::newRow("wrong password") << m_database << User << m_password + "x" << false;
    QTest::newRow("empty password") << m_database << User << QString() << false;
    QTest::newRow("unknown user") << m_database << QStringLiteral("NOBODY") << m_password
                                  << false;
    QTest::newRow("missing file") << missing << User << m_password << false;
}

void TestServer::canConnect()
{
    QFETCH(QString, database);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, expected);

    QCOMPARE(db::CanConnect(connectionString(database, user, password)), expected);
}

void TestServer::testConnectionExplainsRefusal()
{
    const QString wrong = connectionString(m_database, User, m_password + "x");
    try {
        db::TestConnection(wrong);
        QFAIL("a wrong password was accepted");
    } catch (const db::DbError &error) {
        QVERIFY2(!error.message().isEmpty(), "the refusal carries no reason");
    }
}

void TestServer::listsTablesThroughServer()
{
    const QStringList names =
        db::UserTableNames(connectionString(m_database, User, m_password));
    QCOMPARE(names, (QStringList{QStringLiteral("SHELF"), QStringLiteral("Shelf Labels")}));
}

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
