// Termination signals end the program cleanly: changed rows are written as
// "Quit" writes them, rows that cannot be are named, and the database
// client never gets to shut the attachments down under the program.

#include "platform/signalwatcher.h"
#include "tests/tst_form_harness.h"
#include "ui/application.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <unistd.h>

using namespace formtest;

class TestSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db.exec({"CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(3))",
                   "INSERT INTO P VALUES (1, 'Ann')"});
        m_db.release();
    }

    // The program itself, with a remembered database: once the database
    // engine is loaded, SIGTERM still ends it, at once and with status 0.
    void programEndsOnTerm()
    {
        QTemporaryDir home;
        QProcess program;
        start(program, home,
              QString("FireBirdDatabase=%1\nFireBirdUser=SYSDBA\nFireBirdPassword=%2\n")
                  .arg(m_db.path(), testsupport::TempDatabase::Password));
        const QString maps = QString("/proc/%1/maps").arg(program.processId());
        QVERIFY(QTest::qWaitFor([&] {
            QFile file(maps);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("libEngine12");
        }, 20000));
        QTest::qWait(300);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // A signal that comes while the start-up's "Could not connect." is open
    // (for a file named on the command line) ends the program, not just the
    // message.
    void signalDuringStartMessage_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void signalDuringStartMessage()
    {
        QFETCH(int, signal);
        QTemporaryDir home;
        QFile notADatabase(home.filePath("notes.fdb"));
        QVERIFY(notADatabase.open(QIODevice::WriteOnly));
        notADatabase.write("a note, not a database\n");
        notADatabase.close();
        QProcess program;
        start(program, home, {}, {notADatabase.fileName()});
        // Sent once the program blocks it, it waits for the first event
        // loop to run: the message's own.
        const QString status = QString("/proc/%1/status").arg(program.processId());
        QVERIFY(QTest::qWaitFor([&] { return Blocked(status, signal); }, 20000));
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // An edited row still in the grid is written; one the database refuses
    // is named and the status tells of the failure.
    void editedRowsOnTerm_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("status");
        QTest::newRow("written") << "Bo" << 0;
        QTest::newRow("refused") << "too long" << 128 + SIGTERM;
    }
    void editedRowsOnTerm()
    {
        QFETCH(QString, typed);
        const QString before = ValueOf(m_db, "SELECT NAME FROM P WHERE ID = 1");
        Harness h;
        QObject owner;
        ui::EndOnSignals(h.windows, &owner);
        int status = -1;
        QStringList reported;
        h.windows.exitWith = [&](int code) { status = code; };
        h.windows.reportUnsaved = [&](const QString &line) { reported << line; };
        QVERIFY(OpenInEditor(h, m_db, "P"));
        db::TableModel *model = h.windows.form3().tableModel();
        QVERIFY(model->setData(model->index(0, 1), typed));
        ::kill(getpid(), SIGTERM);
        QVERIFY(QTest::qWaitFor([&] { return status != -1; }, 5000));
        QTEST(status, "status");
        QCOMPARE(ValueOf(m_db, "SELECT NAME FROM P WHERE ID = 1"), status == 0 ? typed : before);
        QCOMPARE(reported.size(), status == 0 ? 0 : 1);
        if (!reported.isEmpty())
            QVERIFY(reported[0].startsWith("row 1 of P could not be saved: "));
        h.windows.form3().tableModel()->revertRow(0);
    }

private:
    // Starts the program with its settings file holding `settings` (lines
    // of the [Gravelin] section) in a home of its own.
    static void start(QProcess &program, const QTemporaryDir &home, const QString &settings,
                      const QStringList &arguments = {})
    {
        QDir(home.path()).mkpath(".config");
        QFile file(home.filePath(".config/Vellacourt.conf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("[Gravelin]\n" + settings).toUtf8());
        file.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.remove("XDG_CONFIG_HOME");
        program.setProcessEnvironment(environment);
        program.start(qEnvironmentVariable("GRAVELIN_BIN_DIR") + "/gravelin", arguments);
        QVERIFY(program.waitForStarted());
    }

    // The process blocks `signal`, as its /proc status file says.
    static bool Blocked(const QString &statusFile, int signal)
    {
        QFile file(statusFile);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("SigBlk:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
        }
        return false;
    }

    testsupport::TempDatabase m_db;
};

int main(int argc, char *argv[])
{
    platform::BlockTerminationSignals();
    QApplication application(argc, argv);
    TestSignals test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signals.moc"
