#include "db/client/connection.h"
#include "db/client/connectionstring.h"
#include "db/client/dberror.h"
#include "db/client/fbapi.h"
#include "db/client/firebird.h"
#include "tests/support/tempdatabase.h"

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTextStream>
#include <QTemporaryDir>
#include <QTest>

#include <ibase.h>
#include <unistd.h>

using namespace db;
using testsupport::TempDatabase;

// The connection string, its parsing, and attaching through it.
class tst_Connection : public QObject
{
    Q_OBJECT

private slots:
    void connectionString_data();
    void connectionString();
    void parseRoundTrip_data();
    void parseRoundTrip();
    void canConnect();
    void oddProfilesConnect_data();
    void oddProfilesConnect();
    void unusableFilesFailClearly_data();
    void unusableFilesFailClearly();
    void secondProcessIsToldTheRemedy();
    void lockFolderIsPerUser();
    void errorsCarryServerText();
    void lockConflictFailsAtOnce();
    void userTableNames();
    void textRoundTripsInEachCharset_data();
    void textRoundTripsInEachCharset();
    void nullParameter();
    void remoteNames_data();
    void remoteNames();
    void missingEngineIsExplained();
};

void tst_Connection::connectionString_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty profile") << "" << "" << ""
        << "Provider=MSDASQL.1;Password=;Persist Security Info=true;User ID=;Extended "
           "Properties='Driver=Firebird/InterBase(r) driver;Dbname= ;CHARSET=NONE;UID=;Role=admin'";
    QTest::newRow("SYSDBA") << "/data/shop.fdb" << "SYSDBA" << "masterkey"
        << "Provider=MSDASQL.1;Password=masterkey;Persist Security Info=true;User ID=SYSDBA;"
           "Extended Properties='Driver=Firebird/InterBase(r) driver;Dbname=/data/shop.fdb "
           ";CHARSET=NONE;UID=SYSDBA;Role=admin'";
}

void tst_Connection::connectionString()
{
    QFETCH(QString, database);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    QCOMPARE(ConnectionString({database, user, password}), expected);
}

void tst_Connection::parseRoundTrip_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("ordinary") << "/data/shop.fdb" << "SYSDBA" << "lockstone";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("semicolon in path") << "/data/a;b.fdb" << "SYSDBA" << "x";
    QTest::newRow("quote in path") << "/data/o'neil.fdb" << "SYSDBA" << "x";
    QTest::newRow("both in password") << "/d.fdb" << "SYSDBA" << "p;a'ss\"w;";
    QTest::newRow("braces") << "/d/{x}.fdb" << "us}er" << "{pw}";
    QTest::newRow("non-ASCII") << "/données/crème.fdb" << "Zoë" << "пароль";
    QTest::newRow("server name") << "localhost/3050:/var/db/x.fdb" << "SYSDBA" << "a=b";
    QTest::newRow("trailing blank") << "/data/x.fdb " << "SYSDBA" << " pw ";
    QTest::newRow("quote first (found by fuzzing)") << "'[" << "\"u" << "'p";
}

void tst_Connection::parseRoundTrip()
{
    QFETCH(QString, database);
    QFETCH(QString, user);
    QFETCH(QString, password);
    const ConnectionParams params = ParseConnectionString(ConnectionString({database, user, password}));
    QCOMPARE(params.database, database);
    QCOMPARE(params.user, user);
    QCOMPARE(params.password, password);
    QCOMPARE(params.role, QStringLiteral("admin"));
    QCOMPARE(params.charset, QStringLiteral("NONE"));
}

void tst_Connection::canConnect()
{
    TempDatabase database;
    database.release();
    QVERIFY(CanConnect(database.connectionString()));
    QVERIFY(!CanConnect(ConnectionString({database.path() + ".missing", "SYSDBA", "x"})));
    QVERIFY(!CanConnect(ConnectionString({"", "SYSDBA", "x"})));
    // the embedded engine checks the user name: one without grants is refused
    QVERIFY(!CanConnect(ConnectionString({QDir::tempPath(), "SYSDBA", ""})));
}

void tst_Connection::oddProfilesConnect_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    QTest::newRow("quote and semicolon") << "it's;odd.fdb" << "pa;ss'";
    QTest::newRow("equals and braces") << "a=b{c}}.fdb" << "{=}}x;";
    QTest::newRow("non-ASCII") << "données crème.fdb" << "пароль=ü";
}

// The embedded engine takes any password: what is proved is that every
// value reaches the attach unchanged and nothing splits the string.
void tst_Connection::oddProfilesConnect()
{
    QFETCH(QString, file);
    QFETCH(QString, password);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    Attachment::create(path, "SYSDBA", "lockstone").close();
    const QString connection = ConnectionString({path, "SYSDBA", password});
    QVERIFY(CanConnect(connection));
    QCOMPARE(UserTableNames(connection), QStringList());
}

namespace {

// A loopback port nobody listens on: one the system just gave out and took back.
quint16 UnusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// What an open through the connection string says, tried by this test's
// probe (main()) as the user nobody.
QString OpenAsNobody(const QString &connection)
{
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("GRAVELIN_OPEN_PROBE", connection);
    environment.insert("HOME", QDir::tempPath());
    environment.remove("FIREBIRD_LOCK");   // this process's: nobody makes a lock folder of its own
    probe.setProcessEnvironment(environment);
    probe.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                            QCoreApplication::applicationFilePath()});
    if (!probe.waitForFinished(30000))
        return "the probe did not finish";
    return QString::fromUtf8(probe.readAllStandardOutput());
}

} // namespace

void tst_Connection::unusableFilesFailClearly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("sentence");
    QTest::newRow("empty profile") << "empty" << "No database is named";
    QTest::newRow("folder") << "folder" << "is a folder, not a database file";
    QTest::newRow("short text file") << "text" << "is not a Firebird database";
    QTest::newRow("64 KiB of junk") << "junk" << "is not a Firebird database";
    QTest::newRow("older on-disk structure") << "ods11" << "The file is older than they are";
    QTest::newRow("no read permission") << "unreadable" << "You may not read";
    QTest::newRow("read-only file") << "read-only"
        << "Firebird needs write access to a database file even to read it";
    QTest::newRow("cut short") << "truncated" << "is not a Firebird database, or it is damaged";
    QTest::newRow("no server listening") << "no server" << "No Firebird server answers on "
                                                           "localhost at port ";
}

// A file that cannot be a database gets a sentence that names the cause in
// front of the engine's text; CanConnect just says no.
void tst_Connection::unusableFilesFailClearly()
{
    QFETCH(QString, kind);
    QFETCH(QString, sentence);
    if (kind == "unreadable" && ::geteuid() == 0)
        QSKIP("root reads every file");
    QTemporaryDir dir;
    QString path = dir.filePath("x.fdb");
    if (kind == "empty") {
        path.clear();
    } else if (kind == "folder") {
        path = dir.path();
    } else if (kind == "no server") {
        path = QString("localhost/%1:%2").arg(UnusedPort()).arg(path);
    } else if (kind == "truncated") {
        Attachment::create(path, "SYSDBA", "lockstone").close();
        QVERIFY(QFile::resize(path, 16384));
    } else if (kind == "read-only") {
        Attachment::create(path, "SYSDBA", "lockstone").close();
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup
                                                | QFileDevice::ReadOther));
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                      | QFileDevice::ExeOwner
                                                      | QFileDevice::ReadOther
                                                      | QFileDevice::ExeOther));
    } else if (kind == "ods11") {
        // The header's on-disk structure version, as Firebird 2.5 writes it
        // (major 11); the engine judges a file by exactly this field.
        Attachment::create(path, "SYSDBA", "lockstone").close();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(18));
        QCOMPARE(file.write(QByteArray::fromHex("0b80")), 2);
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kind == "junk" ? QByteArray(65536, '\x5a') : QByteArray("a note\n"));
        if (kind == "unreadable")
            QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
    }
    const QString connection = ConnectionString({path, "SYSDBA", "lockstone"});
    if (kind == "read-only" && ::geteuid() == 0) {
        // Root writes every file: the open is tried as nobody.
        const QString said = OpenAsNobody(connection);
        QVERIFY2(said.startsWith(path) && said.contains(sentence)
                     && said.contains("no permission for read-write access"),
                 qPrintable(said));
        return;
    }
    QVERIFY(!CanConnect(connection));
    try {
        TestConnection(connection);
        QFAIL("it opened");
    } catch (const DbError &error) {
        const bool fileFirst = !path.isEmpty() && kind != "no server";
        QVERIFY2(error.message().startsWith(fileFirst ? path : sentence)
                     && error.message().contains(sentence),
                 qPrintable(error.message()));
        QVERIFY2(error.message().count('\n') >= 1, "the engine's own text follows");
    }
}

// Two processes on one file with the embedded engine: the second is told
// why it cannot open it and what to do instead.
void tst_Connection::secondProcessIsToldTheRemedy()
{
    TempDatabase database;
    database.release();
    Attachment held = database.attach();
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("GRAVELIN_OPEN_PROBE", database.connectionString());
    second.setProcessEnvironment(environment);
    second.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(second.waitForFinished(30000));
    const QString said = QString::fromUtf8(second.readAllStandardOutput());
    QCOMPARE(second.exitCode(), 1);
    QVERIFY2(said.contains("is open in another program that uses Firebird's embedded engine")
                 && said.contains("localhost:" + database.path())
                 && said.contains("Database already opened with engine instance"),
             qPrintable(said));
    held.close();
    second.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 0);
}

void tst_Connection::lockFolderIsPerUser()
{
    TempDatabase database;
    const QString folder = qEnvironmentVariable("FIREBIRD_LOCK");
    QVERIFY(!folder.isEmpty());
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(folder != QStringLiteral("/tmp/firebird"));
}

void tst_Connection::errorsCarryServerText()
{
    TempDatabase database;
    try {
        database.exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY)");
        database.exec("INSERT INTO T VALUES (1)");
        database.exec("INSERT INTO T VALUES (1)");
        QFAIL("a duplicate key was accepted");
    } catch (const DbError &error) {
        QVERIFY2(error.message().contains("violation of PRIMARY or UNIQUE KEY constraint"),
                 qPrintable(error.message()));
        QVERIFY(error.message().contains("\"T\""));
        QVERIFY(error.hasCode(isc_unique_key_violation));
    }
}

void tst_Connection::lockConflictFailsAtOnce()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)",
                   "INSERT INTO T VALUES (1, 1)"});
    Attachment first = database.attach();
    Attachment second = database.attach();
    Transaction holder = first.begin(TxMode::Write);
    Statement(holder, "UPDATE T SET V = 2 WHERE ID = 1").execute(holder);
    Transaction writer = second.begin(TxMode::Write);
    Statement update(writer, "UPDATE T SET V = 3 WHERE ID = 1");
    try {
        update.execute(writer);
        QFAIL("a locked row was written");
    } catch (const DbError &error) {
        QVERIFY(error.isLockConflict());
        QVERIFY2(error.message().contains("update conflicts with concurrent update"),
                 qPrintable(error.message()));
    }
}

void tst_Connection::userTableNames()
{
    TempDatabase database;
    database.exec({"CREATE TABLE AB (X INTEGER)", "CREATE TABLE \"A$B\" (X INTEGER)",
                   "CREATE TABLE \"ABC$ORDERS\" (X INTEGER)",
                   "CREATE TABLE \"Order Lines\" (X INTEGER)", "CREATE TABLE Q (X INTEGER)",
                   "CREATE VIEW V_AB AS SELECT X FROM AB"});
    const QStringList expected{"A$B", "AB", "Order Lines", "Q", "V_AB"};
    QCOMPARE(UserTableNames(database.connectionString()), expected);
    QCOMPARE(UserTableNames(database.connectionString()), expected);
    QVERIFY_THROWS_EXCEPTION(DbError,
        UserTableNames(ConnectionString({database.path() + "x", "SYSDBA", "x"})));
}

void tst_Connection::textRoundTripsInEachCharset_data()
{
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF8") << "UTF8" << QStringLiteral("Crème brûlée, 日本茶, Zoë");
    QTest::newRow("WIN1252") << "WIN1252" << QStringLiteral("café € ÆØ");
    QTest::newRow("ISO8859_1") << "ISO8859_1" << QStringLiteral("Ærø ñ ß");
    QTest::newRow("NONE as UTF-8") << "NONE" << QStringLiteral("Zoë ¿");
}

void tst_Connection::textRoundTripsInEachCharset()
{
    QFETCH(QString, charset);
    QFETCH(QString, text);
    TempDatabase database;
    database.exec(QStringLiteral("CREATE TABLE T (C VARCHAR(40) CHARACTER SET %1, "
                                 "F CHAR(30) CHARACTER SET %1)").arg(charset));
    Attachment attachment = database.attach();
    Transaction tx = attachment.begin(TxMode::Write);
    const bool none = charset == "NONE";
    const Param value = none ? Param::bytes(text.toUtf8(), CsNone) : Param::text(text);
    QCOMPARE(Statement(tx, "INSERT INTO T VALUES (?, ?)").execute(tx, {value, value}), 1u);
    tx.commit();
    Transaction reader = attachment.begin(TxMode::Browse);
    Statement select(reader, "SELECT C, F FROM T");
    QCOMPARE(select.columns().at(0).charLength, 40u);
    QCOMPARE(select.columns().at(1).charLength, 30u);
    Cursor cursor = select.openCursor(reader);
    const unsigned char *row = cursor.fetch();
    QVERIFY(row);
    QCOMPARE(QString::fromUtf8(valueBytes(select.columns().at(0), row)), text);
    const QString padded = QString::fromUtf8(valueBytes(select.columns().at(1), row));
    QVERIFY2(padded.startsWith(text) && padded.trimmed() == text, qPrintable(padded));
    QVERIFY(!cursor.fetch());
}

void tst_Connection::nullParameter()
{
    TempDatabase database;
    database.exec("CREATE TABLE T (A INTEGER, B VARCHAR(10), C VARCHAR(10))");
    Attachment attachment = database.attach();
    Transaction tx = attachment.begin(TxMode::Write);
    Statement insert(tx, "INSERT INTO T VALUES (?, ?, ?) RETURNING A, B, C");
    insert.execute(tx, {Param::nullOf({SQL_LONG, 0, 0, 4, 0}), Param::nullOf({SQL_VARYING}),
                        Param::text("")});
    const auto &columns = insert.columns();
    QVERIFY(isNull(columns.at(0), insert.row()));
    QVERIFY(isNull(columns.at(1), insert.row()));
    QVERIFY(!isNull(columns.at(2), insert.row()));
    QCOMPARE(valueBytes(columns.at(2), insert.row()), QByteArray());
}

void tst_Connection::remoteNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("remote");
    QTest::newRow("absolute path") << "/var/db/x.fdb" << false;
    QTest::newRow("relative path") << "x.fdb" << false;
    QTest::newRow("colon later in path") << "/data/a:b.fdb" << false;
    QTest::newRow("host") << "localhost:/var/db/x.fdb" << true;
    QTest::newRow("host and port") << "db.example/3051:/var/db/x.fdb" << true;
    QTest::newRow("alias on host") << "server:shop" << true;
    QTest::newRow("url") << "inet://localhost/var/db/x.fdb" << true;
}

void tst_Connection::remoteNames()
{
    QFETCH(QString, name);
    QFETCH(bool, remote);
    QCOMPARE(fb::IsRemoteDatabaseName(name), remote);
}

void tst_Connection::missingEngineIsExplained()
{
    const DbError network("Unable to complete network request to host \"localhost\".",
                          {isc_network_error});
    QTemporaryDir empty;
    const QString explained = fb::ExplainOpenFailure(network, "/d/x.fdb", empty.path()).message();
    QVERIFY2(explained.contains("embedded engine is not installed"), qPrintable(explained));
    QVERIFY(explained.contains("firebird3.0-server-core"));
    QCOMPARE(fb::ExplainOpenFailure(network, "localhost:/d/x.fdb", empty.path()).message(),
             network.message());
    QCOMPARE(fb::ExplainOpenFailure(network, "/d/x.fdb", fb::PluginFolder()).message(),
             network.message());
}

// The second process of secondProcessIsToldTheRemedy: opens the database
// named in GRAVELIN_OPEN_PROBE and prints why it could not.
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("GRAVELIN_OPEN_PROBE")) {
        try {
            TestConnection(qEnvironmentVariable("GRAVELIN_OPEN_PROBE"));
            return 0;
        } catch (const DbError &error) {
            QTextStream(stdout) << error.message();
            return 1;
        }
    }
    QCoreApplication application(argc, argv);
    tst_Connection test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_connection.moc"
