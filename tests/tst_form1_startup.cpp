#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "tests/support/tempdatabase.h"
#include "ui/form1.h"
#include "ui/form2.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;

class TestForm1Startup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartWithoutSettings();
    void rememberedDatabaseSkipsToTheChooser();
    void rememberedPathThatDoesNotExistStaysSilently();
    void rememberedValuesAreShown();
    void rememberedValuesAreNotWrittenBack();
    void unreadableCursorIsReportedAndLoadGoesOn();
    void layoutAndTabOrder();
    void closingEndsTheProgram();

private:
    template <typename T = QWidget>
    T *control(const char *name) { return m_h->windows.form1().findChild<T *>(name); }
    QPushButton *button(const char *name) { return control<QPushButton>(name); }
    QLineEdit *box(const char *name) { return control<QLineEdit>(name); }

    QString m_binDir;
    std::unique_ptr<Harness> m_h;
};

void TestForm1Startup::initTestCase()
{
    m_binDir = qEnvironmentVariable("GRAVELIN_BIN_DIR");
    QVERIFY2(!m_binDir.isEmpty(), "GRAVELIN_BIN_DIR names the program's folder");
}

void TestForm1Startup::init()
{
    app::SetProgramFolder(m_binDir);
    m_h = std::make_unique<Harness>();
}

void TestForm1Startup::cleanup()
{
    CheckReports(m_h->services.messages.calls);
    m_h.reset();
}

void TestForm1Startup::firstStartWithoutSettings()
{
    ui::Form1 &form = m_h->windows.form1();
    form.Form_Load();
    QCOMPARE(box("Text1")->text(), QString());
    QCOMPARE(box("Text2")->text(), QString());
    QCOMPARE(box("Text7")->text(), QStringLiteral("SYSDBA"));
    QVERIFY(!m_h->windows.form2Loaded());   // no connection, no chooser
    QCOMPARE(m_h->services.settings.saves.size(), 1);
    QCOMPARE(m_h->services.settings.saves.first().key, QStringLiteral("FireBirdUser"));
    QCOMPARE(m_h->stored("FireBirdUser"), QStringLiteral("SYSDBA"));
    QCOMPARE(m_h->stored("FireBirdDatabase"), QStringLiteral("<absent>"));
    QVERIFY(m_h->services.messages.calls.isEmpty());
    QCOMPARE(form.windowTitle(), QStringLiteral("Gravelin"));
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(app::ShortTitle(), QStringLiteral("Gravelin"));
    QCOMPARE(form.MousePointer(), 0);
}

void TestForm1Startup::rememberedDatabaseSkipsToTheChooser()
{
    testsupport::TempDatabase db;
    db.exec("CREATE TABLE CUSTOMERS (ID INTEGER)");
    db.release();
    m_h->remember("FireBirdDatabase", db.path());
    m_h->remember("FireBirdUser", "SYSDBA");
    m_h->remember("FireBirdPassword", "lockstone");
    m_h->services.printers.printerNames = {"Office Laser"};
    bool chooserShownFirst = false;
    m_h->services.messages.onShow = [&](const Call &) {
        chooserShownFirst = m_h->windows.form2Loaded() && m_h->windows.form2().isVisible();
    };

    m_h->windows.form1().Form_Load();

    QVERIFY(m_h->windows.form2Loaded());
    ui::Form2 &chooser = m_h->windows.form2();
    QVERIFY(chooser.isVisible());
    QVERIFY(!m_h->windows.form1().isVisible());
    QCOMPARE(chooser.List1()->count(), 1);
    QCOMPARE(chooser.List1()->item(0)->text(), QStringLiteral("CUSTOMERS"));
    QCOMPARE(chooser.List1()->currentRow(), 0);
    // The PDF printer check comes last, after the chooser is up.
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    QVERIFY(m_h->services.messages.calls.first().text.startsWith("Vellacourt PDF Writer is not installed."));
    QVERIFY(chooserShownFirst);
    chooser.hide();
}

void TestForm1Startup::rememberedPathThatDoesNotExistStaysSilently()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.fdb");
    m_h->remember("FireBirdDatabase", missing);
    m_h->windows.form1().Form_Load();
    QCOMPARE(box("Text1")->text(), missing);
    QVERIFY(!m_h->windows.form2Loaded());
    QVERIFY(m_h->services.messages.calls.isEmpty());
    QVERIFY(!QFile::exists(missing));
}

void TestForm1Startup::rememberedValuesAreShown()
{
    m_h->remember("FireBirdDatabase", "");
    m_h->remember("FireBirdUser", "ALICE");
    m_h->remember("FireBirdPassword", "s3cret");
    m_h->windows.form1().Form_Load();
    QCOMPARE(box("Text7")->text(), QStringLiteral("ALICE"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("s3cret"));
    QCOMPARE(box("Text2")->echoMode(), QLineEdit::Password);
    const db::ConnectionProfile profile = m_h->windows.form1().profile();
    QCOMPARE(profile.user, QStringLiteral("ALICE"));
    QCOMPARE(profile.password, QStringLiteral("s3cret"));
}

// What the boxes make of stored values (a path longer than a box holds is
// cut) is not written back at start; what the user then types is.
void TestForm1Startup::rememberedValuesAreNotWrittenBack()
{
    const QString longPath = "/" + QString(40000, 'p') + ".fdb";
    m_h->remember("FireBirdDatabase", longPath);
    m_h->remember("FireBirdUser", "ALICE");
    m_h->remember("FireBirdPassword", "s3cret");
    m_h->windows.form1().Form_Load();
    QVERIFY(box("Text1")->text().size() < longPath.size());
    QCOMPARE(m_h->services.settings.saves.size(), 0);
    QCOMPARE(m_h->stored("FireBirdDatabase"), longPath);
    QTest::keyClick(box("Text7"), Qt::Key_End);
    QTest::keyClicks(box("Text7"), "2");
    QCOMPARE(m_h->services.settings.saves.size(), 1);
    QCOMPARE(m_h->stored("FireBirdUser"), QStringLiteral("ALICE2"));
    QCOMPARE(m_h->stored("FireBirdDatabase"), longPath);
}

void TestForm1Startup::unreadableCursorIsReportedAndLoadGoesOn()
{
    QTemporaryDir folder;
    QFile cursor(folder.filePath("HAND-M.CUR"));
    QVERIFY(cursor.open(QIODevice::WriteOnly));
    cursor.write("not a cursor");
    cursor.close();
    app::SetProgramFolder(folder.path());
    m_h->windows.form1().Form_Load();
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    QCOMPARE(m_h->services.messages.calls.first().kind, Kind::Warn);
    QCOMPARE(m_h->services.messages.calls.first().title, QStringLiteral("Application Error"));
    QCOMPARE(m_h->services.messages.calls.first().text,
             QStringLiteral("Invalid picture\r\nin Quorvane2020/08/02.Form1.Form_Load at line 126\r\r"));
    QCOMPARE(box("Text7")->text(), QStringLiteral("SYSDBA"));   // the load went on
}

void TestForm1Startup::layoutAndTabOrder()
{
    ui::Form1 &form = m_h->windows.form1();
    form.Form_Load();
    QCOMPARE(form.size(), QSize(536, 235));
    QCOMPARE(control<QGroupBox>("Frame1")->title(), QStringLiteral("Firebird / Interbase Login"));
    QCOMPARE(control<QGroupBox>("Frame1")->geometry(), QRect(8, 40, 520, 151));
    QCOMPARE(box("Text1")->geometry(), QRect(88, 20, 361, 23));
    QCOMPARE(button("PushButton3")->geometry(), QRect(8, 200, 520, 27));
    const QStringList captions = {button("PushButton1")->text(), button("PushButton2")->text(),
                                  button("PushButton3")->text(), button("PushButton4")->text(),
                                  button("PushButton5")->text(), button("PushButton7")->text()};
    QCOMPARE(captions, (QStringList{"Test Connection", "Help", "Next >", "?", "...",
                                    "Load Sample/Example Database"}));
    QCOMPARE(control<QLabel>("Label7")->text(), QStringLiteral("Database:"));
    QCOMPARE(control<QLabel>("Label6")->text(), QStringLiteral("Username:"));
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("Password:"));
    QCOMPARE(box("Text1")->font().family(), QStringLiteral("Arial"));
    QVERIFY(box("Text1")->font().bold());
    QCOMPARE(box("Text1")->font().pointSizeF(), 9.0);
    QCOMPARE(button("PushButton3")->font().pointSizeF(), 11.25);

    QCOMPARE(TabOrder(box("Text1"), 9),
             (QStringList{"Text1", "PushButton5", "Text7", "Text2", "PushButton1", "PushButton7",
                          "PushButton3", "PushButton2", "PushButton4"}));
}

void TestForm1Startup::closingEndsTheProgram()
{
    m_h->windows.form1().Form_Load();
    m_h->windows.form1().show();
    m_h->windows.form1().close();
    QCOMPARE(m_h->ended, 1);
}

QTEST_MAIN(TestForm1Startup)
#include "tst_form1_startup.moc"
