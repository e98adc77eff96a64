// The password stays a secret: failed and successful sessions leave it in
// no message, error report, window title, standard error, export or file
// of the engine.

#include "db/client/connectionstring.h"
#include "db/client/firebird.h"
#include "export/gridview.h"
#include "export/textexports.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <unistd.h>

#include "tst_form_harness.h"

using namespace formtest;
using testsupport::TempDatabase;

namespace {

// Every character the connection string has to take care of, and a tail
// no message could hold by chance.
const QString Secret = QStringLiteral("Zx;q'=\"{}é-4417");

// Standard error, caught in a file while the object lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

bool HoldsSecret(const QString &text)
{
    return text.contains(Secret) || text.contains(QStringLiteral("4417"));
}

QStringList FilesHoldingSecret(const QString &folder)
{
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(Secret.toUtf8()))
            found << file.fileName();
    }
    return found;
}

exports::ExportOutcome ExportText(Harness &h, const QString &connection, const QString &path)
{
    db::sql::TableRead read;
    read.table = QStringLiteral("T");
    exports::TableGridView grid(connection, read, -1);
    db::JobsHere jobs;
    return exports::SaveDataGridToFile(grid, path, {h.services.messages, jobs});
}

} // namespace

class TestSecrets : public QObject
{
    Q_OBJECT

private slots:
    void failedConnectionsKeepTheSecret_data();
    void failedConnectionsKeepTheSecret();
    void sessionLeavesNoTrace();
};

void TestSecrets::failedConnectionsKeepTheSecret_data()
{
    QTest::addColumn<QString>("database");
    QTest::newRow("missing file") << "/nowhere/x.fdb";
    QTest::newRow("folder") << QDir::tempPath();
    QTest::newRow("not a database") << "<text file>";
    QTest::newRow("server that does not answer") << "127.0.0.1/1:/nowhere/x.fdb";
}

void TestSecrets::failedConnectionsKeepTheSecret()
{
    QFETCH(QString, database);
    QTemporaryFile text;
    QVERIFY(text.open());
    text.write("not a database\n");
    text.flush();
    if (database == "<text file>")
        database = text.fileName();
    const QString connection = db::ConnectionString({database, "SYSDBA", Secret});
    Harness h;
    StderrCapture captured;

    try {
        db::TestConnection(connection);
        QFAIL("the connection opened");
    } catch (const db::DbError &error) {
        QVERIFY2(!HoldsSecret(error.message()), qPrintable(error.message()));
        QVERIFY(!HoldsSecret(QString::fromUtf8(error.what())));
        QVERIFY(!HoldsSecret(error.arguments().join('|')));
    }
    ui::Form1 &login = h.windows.form1();
    login.Form_Load();
    login.findChild<QLineEdit *>("Text1")->setText(database);
    login.findChild<QLineEdit *>("Text2")->setText(Secret);
    login.findChild<QPushButton *>("PushButton1")->click();     // Test Connection
    ui::Form2 &chooser = h.windows.form2();
    chooser.List1()->addItem("T");
    chooser.List1()->setCurrentRow(0);
    chooser.findChild<QPushButton *>("PushButton3")->click();   // Next >: an error report
    QTemporaryDir out;
    QVERIFY(!ExportText(h, connection, out.filePath("t.txt")).finished());

    QVERIFY(h.services.messages.calls.size() >= 3);
    for (const Call &call : h.services.messages.calls) {
        const QString all = call.title + call.text + call.detail;
        QVERIFY2(!HoldsSecret(all), qPrintable(all));
    }
    for (QWidget *window : QList<QWidget *>{&login, &chooser, &h.windows.form3()})
        QVERIFY(!HoldsSecret(window->windowTitle()));
    const QByteArray errors = captured.text();
    QVERIFY2(!errors.contains("4417"), errors.constData());
}

void TestSecrets::sessionLeavesNoTrace()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))",
                   "INSERT INTO T VALUES (1, 'Ann')"});
    database.release();
    const QString connection = db::ConnectionString({database.path(), "SYSDBA", Secret});
    Harness h;
    StderrCapture captured;
    QTemporaryDir out;
    QVERIFY(db::CanConnect(connection));
    const exports::ExportOutcome outcome = ExportText(h, connection, out.filePath("t.txt"));
    QVERIFY(outcome.finished());
    QCOMPARE(outcome.rows, 1);
    db::sql::TableRead read;
    read.table = QStringLiteral("T");
    exports::TableGridView csv(connection, read, -1), xml(connection, read, -1);
    db::JobsHere jobs;
    QVERIFY(exports::SaveDataGridToCsvFile(csv, out.filePath("t.csv"), {h.services.messages, jobs}).finished());
    QVERIFY(exports::SaveDataGridToXMLFile(xml, out.filePath("t.xml"), {h.services.messages, jobs}).finished());

    QCOMPARE(FilesHoldingSecret(out.path()), QStringList());
    // The engine's lock tables and whatever it keeps in the temporary folder.
    const QString locks = qEnvironmentVariable("FIREBIRD_LOCK");
    QVERIFY(!locks.isEmpty());
    QCOMPARE(FilesHoldingSecret(locks), QStringList());
    QCOMPARE(FilesHoldingSecret(QFileInfo(database.path()).absolutePath()), QStringList());
    QVERIFY(!captured.text().contains("4417"));
}

QTEST_MAIN(TestSecrets)
#include "tst_secrets.moc"
