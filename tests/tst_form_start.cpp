#include "app/commandline.h"
#include "app/files.h"
#include "app/titles.h"
#include "ui/placement.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;

// The command line, a database file given on it, and where the windows of
// the chain appear.
class TestFormStart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_h = std::make_unique<Harness>(); }
    void cleanup();

    void commandLine_data();
    void commandLine();
    void fileArgument_data();
    void fileArgument();
    void firstWindowIsCentred();
    void eachWindowTakesThePlaceOfTheOneBefore();
    void editorGeometry_data();
    void editorGeometry();

private:
    // Shows the login window, remembered database or not, as the program does.
    void start(const QString &file = {});
    QString storedPlace(const char *key);

    std::unique_ptr<testsupport::TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestFormStart::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
    m_db = std::make_unique<testsupport::TempDatabase>();
    m_db->exec(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    m_db->release();
}

void TestFormStart::cleanup()
{
    CheckReports(m_h->services.messages.calls);
    m_h.reset();
}

void TestFormStart::start(const QString &file)
{
    m_h->remember("FireBirdPassword", testsupport::TempDatabase::Password);
    ui::Form1 &login = m_h->windows.form1();
    login.openOnStart(file);
    login.Form_Load();
    if (!(m_h->windows.form2Loaded() && m_h->windows.form2().isVisible()))
        login.show();
}

QString TestFormStart::storedPlace(const char *key)
{
    m_h->windows.placement().flush();
    return m_h->stored(key);
}

void TestFormStart::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");   // -1: the program starts
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("output");

    const QString cwdFile = QDir::current().absoluteFilePath("tst_form_start");
    QTest::newRow("nothing") << QStringList{} << -1 << QString() << QString();
    QTest::newRow("absolute file") << QStringList{"/data/db.fdb"} << -1 << "/data/db.fdb" << QString();
    QTest::newRow("relative file made absolute") << QStringList{"tst_form_start"} << -1 << cwdFile << QString();
    QTest::newRow("server path kept") << QStringList{"host/3051:/db/x.fdb"} << -1
                                      << "host/3051:/db/x.fdb" << QString();
    QTest::newRow("--version") << QStringList{"--version"} << 0 << QString() << "Gravelin 0.1\n";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << QString() << "[FILE]";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << QString() << "--version";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << QString()
                                    << "Unknown option 'frobnicate'";
    QTest::newRow("two files") << QStringList{"a.fdb", "b.fdb"} << 2 << QString()
                               << "Only one database file";
}

void TestFormStart::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, file);
    QFETCH(QString, output);
    const app::StartRequest request = app::ParseCommandLine(QStringList{"gravelin"} + arguments);
    QCOMPARE(request.exits, exitCode != -1);
    if (request.exits)
        QCOMPARE(request.exitCode, exitCode);
    QCOMPARE(request.databaseFile, file);
    QVERIFY2(request.output.contains(output), qPrintable(request.output));
}

void TestFormStart::fileArgument_data()
{
    QTest::addColumn<bool>("good");
    QTest::addColumn<bool>("rememberedOpens");

    QTest::newRow("file that opens") << true << false;
    QTest::newRow("file that opens, over a remembered one") << true << true;
    QTest::newRow("file that does not open") << false << false;
    QTest::newRow("file that does not open, remembered one would") << false << true;
}

void TestFormStart::fileArgument()
{
    QFETCH(bool, good);
    QFETCH(bool, rememberedOpens);
    QTemporaryDir dir;
    m_h->remember("FireBirdDatabase", rememberedOpens ? m_db->path() : dir.filePath("old.fdb"));
    const QString file = good ? m_db->path() : dir.filePath("not there.fdb");
    start(file);
    ui::Form1 &login = m_h->windows.form1();
    QCOMPARE(login.findChild<QLineEdit *>("Text1")->text(), file);
    QCOMPARE(m_h->stored("FireBirdDatabase"), file);
    const bool chooser = m_h->windows.form2Loaded() && m_h->windows.form2().isVisible();
    QCOMPARE(chooser, good);
    QCOMPARE(login.isVisible(), !good);
    const auto &calls = m_h->services.messages.calls;
    QCOMPARE(calls.size(), good ? 0 : 1);
    if (!good) {
        QCOMPARE(calls.first().kind, Kind::Inform);
        QCOMPARE(calls.first().title, app::ShortTitle());
        QCOMPARE(calls.first().text, QStringLiteral("Could not connect."));
        QVERIFY2(calls.first().detail.contains("not there.fdb"), qPrintable(calls.first().detail));
    } else {
        QCOMPARE(m_h->windows.form2().List1()->currentItem()->text(), QStringLiteral("T"));
    }
    login.hide();
    if (m_h->windows.form2Loaded())
        m_h->windows.form2().hide();
}

void TestFormStart::firstWindowIsCentred()
{
    start();
    ui::Form1 &login = m_h->windows.form1();
    const QPoint middle = login.screen()->availableGeometry().center();
    QVERIFY2((login.frameGeometry().center() - middle).manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(login.x()).arg(login.y())));
    QCOMPARE(storedPlace("WindowPosition"), QStringLiteral("%1,%2").arg(login.x()).arg(login.y()));
    login.hide();
}

void TestFormStart::eachWindowTakesThePlaceOfTheOneBefore()
{
    m_h->remember("WindowPosition", "40,50");   // where the last run ended
    start(m_db->path());
    ui::Form2 &chooser = m_h->windows.form2();
    QCOMPARE(chooser.pos(), QPoint(40, 50));
    chooser.move(70, 80);
    QVERIFY(OpenInEditor(*m_h, *m_db, "T"));
    ui::Form3 &editor = m_h->windows.form3();
    QCOMPARE(editor.pos(), QPoint(70, 80));
    editor.move(90, 100);
    editor.findChild<QPushButton *>("PushButton1")->click();   // < Back
    QCOMPARE(chooser.pos(), QPoint(90, 100));
    chooser.findChild<QPushButton *>("PushButton2")->click();  // < Back
    QCOMPARE(m_h->windows.form1().pos(), QPoint(90, 100));
    QCOMPARE(storedPlace("WindowPosition"), QStringLiteral("90,100"));
    m_h->windows.form1().hide();
}

void TestFormStart::editorGeometry_data()
{
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QRect>("shown");

    QTest::newRow("first run: the chooser's place, designed size") << QString() << QRect(60, 70, 960, 497);
    QTest::newRow("remembered") << "30,40,1000,520" << QRect(30, 40, 1000, 520);
    QTest::newRow("remembered smaller than designed") << "30,40,500,200" << QRect(30, 40, 960, 300);
    QTest::newRow("remembered off every screen") << "5000,5000,1000,520" << QRect(60, 70, 960, 497);
    QTest::newRow("not a geometry") << "30,40,wide" << QRect(60, 70, 960, 497);
}

void TestFormStart::editorGeometry()
{
    QFETCH(QString, remembered);
    QFETCH(QRect, shown);
    if (!remembered.isEmpty())
        m_h->remember("EditorGeometry", remembered);
    m_h->remember("WindowPosition", "60,70");
    QVERIFY(OpenInEditor(*m_h, *m_db, "T"));
    ui::Form3 &editor = m_h->windows.form3();
    QCOMPARE(QRect(editor.pos(), editor.size()), shown);
    // Changed, it is remembered for the next run, which shows it there.
    editor.resize(1100, 560);
    editor.move(20, 30);
    QCOMPARE(storedPlace("EditorGeometry"), QStringLiteral("20,30,1100,560"));
    editor.hide();
    auto next = std::make_unique<Harness>();
    next->remember("EditorGeometry", m_h->stored("EditorGeometry"));
    m_h.swap(next);
    next.reset();
    QVERIFY(OpenInEditor(*m_h, *m_db, "T"));
    QCOMPARE(QRect(m_h->windows.form3().pos(), m_h->windows.form3().size()),
             QRect(20, 30, 1100, 560));
    m_h->windows.form3().hide();
}

QTEST_MAIN(TestFormStart)
#include "tst_form_start.moc"
