#include "app/addrow.h"
#include "app/files.h"
#include "app/helptexts.h"
#include "app/pdfprinter.h"
#include "app/titles.h"
#include "platform/scriptedservices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAppFrame : public QObject
{
    Q_OBJECT

private slots:
    void fileExists();
    void programFiles();
    void pdfPrinterPresentShowsNothing();
    void pdfPrinterMissingShowsInstructions();
    void pdfPrinterNameIsComparedExactly();
    void loginHelpText();
    void serverNoticeText();
    void editorHelpText();
    void addRowPlan_data();
    void addRowPlan();
};

void TestAppFrame::fileExists()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.cur");
    QVERIFY(!app::FileExists(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(app::FileExists(path));
    QVERIFY(app::FileExists(dir.path()));
    QVERIFY(!app::FileExists(QString()));
    QVERIFY(!app::FileExists(dir.filePath("no/such/folder/file")));
}

void TestAppFrame::programFiles()
{
    app::SetProgramFolder("/opt/gravelin");
    QCOMPARE(app::SkinFilePath(), QStringLiteral("/opt/gravelin/x/o.cjs"));
    QCOMPARE(app::HandCursorPath(), QStringLiteral("/opt/gravelin/HAND-M.CUR"));
    QCOMPARE(app::SampleDatabasePath(), QStringLiteral("/opt/gravelin/Samples/sample.fdb"));
    app::SetProgramFolder(QString());
    QCOMPARE(app::ProgramFolder(), QCoreApplication::applicationDirPath());
}

void TestAppFrame::pdfPrinterPresentShowsNothing()
{
    platform::ScriptedPrinters printers;
    printers.printerNames = {"Office Laser", "Vellacourt PDF Writer"};
    platform::ScriptedMessageBoxes messages;
    app::CheckPdfPrinter(printers, messages);
    QVERIFY(messages.calls.isEmpty());
}

void TestAppFrame::pdfPrinterMissingShowsInstructions()
{
    platform::ScriptedPrinters printers;
    printers.printerNames = {"Office Laser"};
    platform::ScriptedMessageBoxes messages;
    app::CheckPdfPrinter(printers, messages);
    QCOMPARE(messages.calls.size(), 1);
    const auto &call = messages.calls.first();
    QCOMPARE(call.kind, platform::ScriptedMessageBoxes::Kind::Inform);
    QCOMPARE(call.icon, platform::ScriptedMessageBoxes::Icon::None);
    QCOMPARE(call.title, app::ShortTitle());
    QCOMPARE(call.text,
             QStringLiteral(
                 "Vellacourt PDF Writer is not installed. Please follow these instructions:\r\n\r\n"
                 "1) Go to Control Panel -> Printers and Faxes to add a local printer.\r\n"
                 "2) Choose ''CPW2: (Vellacourt PDF Writer)'' on Select a Printer Port dialog "
                 "box, click Next.\r\n"
                 "3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next.\r\n"
                 "4) Enter Vellacourt PDF Writer as Printer name, click Next -> Finish."));
}

void TestAppFrame::pdfPrinterNameIsComparedExactly()
{
    platform::ScriptedPrinters printers;
    printers.printerNames = {"vellacourt pdf writer", "Vellacourt PDF Writer 2", " Vellacourt PDF Writer"};
    platform::ScriptedMessageBoxes messages;
    app::CheckPdfPrinter(printers, messages);
    QCOMPARE(messages.calls.size(), 1);
}

void TestAppFrame::loginHelpText()
{
    const QString text = app::LoginHelpText();
    QVERIFY(text.startsWith("In order to successfully connect to your Firebird fdb file you need "
                            "to have two things installed"));
    const QStringList paragraphs = text.split("\r\n\r\n");
    QCOMPARE(paragraphs.size(), 4);   // intro, two items, and the end after the last break
    QVERIFY(paragraphs.at(1).startsWith("1. "));
    QVERIFY(paragraphs.at(1).contains("Gravelin"));
    QVERIFY(paragraphs.at(2).startsWith("2. "));
    QVERIFY(paragraphs.at(2).contains(app::DownloadPageUrl));
    QVERIFY(paragraphs.at(3).isEmpty());
    for (const char *word : {"libfbclient2", "firebird3.0-server-core", "firebird3.0-server",
                             "host[/port]:path", "pgrep fbguard"})
        QVERIFY2(text.contains(word), word);
    for (const char *wrong : {"setup.exe", "Ctrl+Alt+Del", "fbserver.exe", "ODBC", "2.5"})
        QVERIFY2(!text.contains(wrong), wrong);
}

void TestAppFrame::serverNoticeText()
{
    const QString text = app::ServerNoticeText();
    const QStringList paragraphs = text.split("\r\n\r\n");
    QCOMPARE(paragraphs.size(), 6);
    QCOMPARE(paragraphs.at(3), QStringLiteral("Would you like me to open the website for Firebird Server"));
    QCOMPARE(paragraphs.at(4), QString::fromLatin1(app::DownloadPageUrl));
    QVERIFY(paragraphs.at(5).startsWith("so that you can download and install Firebird Server"));
    QVERIFY(paragraphs.at(5).endsWith("3.0?"));
    QVERIFY(text.contains("host[/port]:path"));
    for (const char *wrong : {"setup.exe", "uninstall", "Add or Remove Programs",
                              "only works with Firebird Server 2.5", "not figured out"})
        QVERIFY2(!text.contains(wrong), wrong);
}

void TestAppFrame::editorHelpText()
{
    const QString text = app::EditorHelpText();
    QVERIFY(!text.contains("duplicate rows"));
    QVERIFY(!text.contains("removed"));
    for (const char *needed : {"leave", "\"*\"", "NULL", "Esc", "unsaved"})
        QVERIFY2(text.contains(needed), needed);
}

void TestAppFrame::addRowPlan_data()
{
    QTest::addColumn<qlonglong>("count");
    QTest::addColumn<bool>("toNewLine");
    QTest::addColumn<qlonglong>("record");
    QTest::addColumn<bool>("limit");

    QTest::newRow("empty") << 0LL << true << -1LL << false;
    QTest::newRow("one") << 1LL << true << -1LL << false;
    QTest::newRow("32765") << 32765LL << true << -1LL << false;
    QTest::newRow("32766") << 32766LL << false << 32765LL << true;
    QTest::newRow("32767") << 32767LL << false << 32766LL << true;
    QTest::newRow("100000") << 100000LL << false << 99999LL << true;
}

void TestAppFrame::addRowPlan()
{
    QFETCH(qlonglong, count);
    QFETCH(bool, toNewLine);
    QFETCH(qlonglong, record);
    QFETCH(bool, limit);
    const app::AddRowMove move = app::PlanAddRow(count);
    QCOMPARE(move.toNewRecordLine, toNewLine);
    QCOMPARE(move.record, record);
    QCOMPARE(move.limitReached, limit);
}

QTEST_GUILESS_MAIN(TestAppFrame)
#include "tst_app_frame.moc"
