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
        QDir(home.path()).mkpath(".config");
        QFile settings(home.filePath(".config/Vellacourt.conf"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(QString("[Gravelin]\nFireBirdDatabase=%1\nFireBirdUser=SYSDBA\n"
                               "FireBirdPassword=%2\n")
                           .arg(m_db.path(), testsupport::TempDatabase::Password)
                           .toUtf8());
        settings.close();
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.remove("XDG_CONFIG_HOME");
        program.setProcessEnvironment(environment);
        program.start(qEnvironmentVariable("GRAVELIN_BIN_DIR") + "/gravelin");
        QVERIFY(program.waitForStarted());
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
