#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "platform/qtsettingsstore.h"
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

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void testConnectionSucceeds();
    void testConnectionFails();
    void loadSampleDatabase();
    void browseCancelled();
    void browseChosen();
    void typingStoresTheWholeValue();
    void unwritableSettingsAreToldOnce();
    void focusSelectsTheWholeText();
    void nextWithWrongPathSaysWhy();
    void nextWithEmptyDatabaseShowsEmptyChooser();
    void helpText();
    void serverNoticeNo();
    void serverNoticeYes();
    void hoverRule();
    void busyPointerSurvivesHovering();

private:
    template <typename T = QWidget>
    T *control(const char *name) { return m_h->windows.form1().findChild<T *>(name); }
    QPushButton *button(const char *name) { return control<QPushButton>(name); }
    QLineEdit *box(const char *name) { return control<QLineEdit>(name); }

    QString m_binDir;
    std::unique_ptr<Harness> m_h;
};

void TestForm1::initTestCase()
{
    m_binDir = qEnvironmentVariable("GRAVELIN_BIN_DIR");
    QVERIFY2(!m_binDir.isEmpty(), "GRAVELIN_BIN_DIR names the program's folder");
}

void TestForm1::init()
{
    app::SetProgramFolder(m_binDir);
    m_h = std::make_unique<Harness>();
}

void TestForm1::cleanup()
{
    CheckReports(m_h->services.messages.calls);
    m_h.reset();
}

void TestForm1::testConnectionSucceeds()
{
    testsupport::TempDatabase db;
    db.release();
    m_h->windows.form1().Form_Load();
    box("Text1")->setText(db.path());
    box("Text2")->setText("lockstone");
    int pointerDuringBox = -1;
    m_h->services.messages.onShow = [&](const Call &) {
        pointerDuringBox = m_h->windows.form1().MousePointer();
        QCOMPARE(m_h->windows.form1().cursor().shape(), Qt::WaitCursor);
    };
    button("PushButton1")->click();
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    const Call &call = m_h->services.messages.calls.first();
    QCOMPARE(call.text, QStringLiteral("Connection successful."));
    QCOMPARE(call.title, app::ShortTitle());
    QCOMPARE(call.kind, Kind::Inform);
    QCOMPARE(call.detail, QString());
    QCOMPARE(pointerDuringBox, 11);
    QCOMPARE(m_h->windows.form1().MousePointer(), 0);
    QVERIFY(!m_h->windows.form2Loaded());
}

void TestForm1::testConnectionFails()
{
    QTemporaryDir dir;
    m_h->windows.form1().Form_Load();
    box("Text1")->setText(dir.filePath("missing.fdb"));
    int pointerDuringBox = -1;
    m_h->services.messages.onShow = [&](const Call &) {
        pointerDuringBox = m_h->windows.form1().MousePointer();
    };
    button("PushButton1")->click();
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    const Call &call = m_h->services.messages.calls.first();
    QCOMPARE(call.kind, Kind::Inform);
    QCOMPARE(call.text, QStringLiteral("Could not connect."));
    QCOMPARE(call.title, app::ShortTitle());
    QVERIFY2(call.detail.contains("missing.fdb"), qPrintable(call.detail));
    QCOMPARE(pointerDuringBox, 11);
    QCOMPARE(m_h->windows.form1().MousePointer(), 0);
}

void TestForm1::loadSampleDatabase()
{
    m_h->windows.form1().Form_Load();
    box("Text7")->setText("someone");
    m_h->services.settings.saves.clear();
    button("PushButton7")->click();
    const QString sample = m_binDir + "/Samples/sample.fdb";
    QCOMPARE(box("Text1")->text(), sample);
    QCOMPARE(box("Text7")->text(), QStringLiteral("SYSDBA"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("lockstone"));
    QCOMPARE(m_h->stored("FireBirdDatabase"), sample);
    QCOMPARE(m_h->stored("FireBirdUser"), QStringLiteral("SYSDBA"));
    QCOMPARE(m_h->stored("FireBirdPassword"), QStringLiteral("lockstone"));
    QCOMPARE(m_h->services.settings.saves.size(), 3);
    QVERIFY(!m_h->windows.form2Loaded());   // it does not connect
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

void TestForm1::browseCancelled()
{
    m_h->windows.form1().Form_Load();
    box("Text1")->setText("/data/kept.fdb");
    m_h->services.settings.saves.clear();
    button("PushButton5")->click();
    QCOMPARE(m_h->services.files.calls.size(), 1);
    const auto &call = m_h->services.files.calls.first();
    QCOMPARE(call.title, QStringLiteral("Select Firebird Database"));
    QCOMPARE(call.filter, QStringLiteral("FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("/data/kept.fdb"));
    QVERIFY(m_h->services.settings.saves.isEmpty());
}

void TestForm1::browseChosen()
{
    m_h->windows.form1().Form_Load();
    m_h->services.files.answers = {"/data/chosen one.gdb"};
    button("PushButton5")->click();
    QCOMPARE(box("Text1")->text(), QStringLiteral("/data/chosen one.gdb"));
    QCOMPARE(m_h->stored("FireBirdDatabase"), QStringLiteral("/data/chosen one.gdb"));
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

void TestForm1::typingStoresTheWholeValue()
{
    m_h->windows.form1().Form_Load();
    QLineEdit *user = box("Text7");
    user->setCursorPosition(user->text().size());
    QTest::keyClicks(user, "X");
    QCOMPARE(m_h->stored("FireBirdUser"), QStringLiteral("SYSDBAX"));
    QTest::keyClicks(box("Text2"), "pw ");
    QCOMPARE(m_h->stored("FireBirdPassword"), QStringLiteral("pw "));
    box("Text2")->clear();
    QCOMPARE(m_h->stored("FireBirdPassword"), QString());
}

// A settings folder that cannot be made (a file stands in its way) is told
// once, with the reason, however much is typed; the boxes go on taking it.
void TestForm1::unwritableSettingsAreToldOnce()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::QtSettingsStore store(dir.filePath("blocker/config/Vellacourt.conf"));
    platform::ScriptedServices &scripted = m_h->services;
    ui::Windows windows(platform::Services{store, scripted.messages, scripted.files,
                                           scripted.urls, scripted.printers,
                                           scripted.spreadsheet});
    ui::Form1 &login = windows.form1();
    login.Form_Load();
    QTest::keyClicks(login.findChild<QLineEdit *>("Text1"), "/d/x.fdb");
    QTest::keyClicks(login.findChild<QLineEdit *>("Text2"), "pw");
    const QList<Call> &calls = scripted.messages.calls;
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].kind, Kind::Inform);
    QVERIFY2(calls[0].text.startsWith("Make the settings folder writable")
                 && calls[0].text.contains("the folder " + dir.filePath("blocker/config")
                                           + " cannot be made"),
             qPrintable(calls[0].text));
    QCOMPARE(login.profile().database, QStringLiteral("/d/x.fdb"));
    QCOMPARE(login.profile().password, QStringLiteral("pw"));
}

void TestForm1::focusSelectsTheWholeText()
{
    m_h->windows.form1().Form_Load();
    for (const char *name : {"Text1", "Text2", "Text7"}) {
        QLineEdit *edit = box(name);
        edit->setText("some text");
        edit->deselect();
        QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(edit, &focus);
        QCOMPARE(edit->selectionStart(), 0);
        QCOMPARE(edit->selectionLength(), 9);
    }
}

// "Next >", by button or Enter, on a database that does not open says what
// "Test Connection" says, and stays in the login window.
void TestForm1::nextWithWrongPathSaysWhy()
{
    QTemporaryDir dir;
    ui::Form1 &form = m_h->windows.form1();
    form.Form_Load();
    form.show();
    box("Text1")->setText(dir.filePath("nothing.fdb"));
    QList<Call> &calls = m_h->services.messages.calls;
    button("PushButton1")->click();
    button("PushButton3")->click();
    box("Text2")->setFocus();
    QTest::keyClick(box("Text2"), Qt::Key_Return);
    QCOMPARE(calls.size(), 3);
    QVERIFY2(calls[0].detail.contains("nothing.fdb"), qPrintable(calls[0].detail));
    for (const Call &next : {calls[1], calls[2]}) {
        QCOMPARE(next.kind, calls[0].kind);
        QCOMPARE(next.title, calls[0].title);
        QCOMPARE(next.text, QStringLiteral("Could not connect."));
        QCOMPARE(next.detail, calls[0].detail);
    }
    QVERIFY(!m_h->windows.form2Loaded());
    QVERIFY(form.isVisible());
    QCOMPARE(box("Text1")->text(), dir.filePath("nothing.fdb"));
    form.hide();
}

void TestForm1::nextWithEmptyDatabaseShowsEmptyChooser()
{
    testsupport::TempDatabase db;
    db.release();
    m_h->windows.form1().Form_Load();
    m_h->windows.form1().show();
    box("Text1")->setText(db.path());
    button("PushButton3")->click();
    QVERIFY(m_h->windows.form2().isVisible());
    QVERIFY(!m_h->windows.form1().isVisible());
    QCOMPARE(m_h->windows.form2().List1()->count(), 0);
    QCOMPARE(m_h->windows.form2().List1()->currentRow(), -1);
    QVERIFY(m_h->services.messages.calls.isEmpty());
    m_h->windows.form2().hide();
}

void TestForm1::helpText()
{
    m_h->windows.form1().Form_Load();
    button("PushButton2")->click();
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    const Call &call = m_h->services.messages.calls.first();
    QCOMPARE(call.kind, Kind::Inform);
    QCOMPARE(call.title, app::ShortTitle());
    QCOMPARE(call.text, app::LoginHelpText());
}

void TestForm1::serverNoticeNo()
{
    m_h->windows.form1().Form_Load();
    m_h->services.messages.answers = {false};
    button("PushButton4")->click();
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    QCOMPARE(m_h->services.messages.calls.first().kind, Kind::Ask);
    QCOMPARE(m_h->services.messages.calls.first().text, app::ServerNoticeText());
    QVERIFY(m_h->services.urls.opened.isEmpty());
}

void TestForm1::serverNoticeYes()
{
    m_h->windows.form1().Form_Load();
    m_h->services.messages.answers = {true};
    button("PushButton4")->click();
    QCOMPARE(m_h->services.urls.opened, QList<QUrl>{QUrl("https://firebirdsql.org/en/firebird-3-0/")});
}

void TestForm1::hoverRule()
{
    ui::Form1 &form = m_h->windows.form1();
    form.Form_Load();
    MoveOver(button("PushButton2"));
    QCOMPARE(form.MousePointer(), 99);
    QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);   // the hand picture
    MoveOver(control("Label7"));   // a label has no say
    QCOMPARE(form.MousePointer(), 99);
    MoveOver(box("Text7"));        // nor has the user box
    QCOMPARE(form.MousePointer(), 99);
    MoveOver(box("Text1"));
    QCOMPARE(form.MousePointer(), 0);
    MoveOver(button("PushButton5"));
    QCOMPARE(form.MousePointer(), 99);
    MoveOver(control("Frame1"), QPoint(3, 140));
    QCOMPARE(form.MousePointer(), 0);
    MoveOver(button("PushButton3"));
    MoveOver(&form, QPoint(530, 230));   // the window's own background
    QCOMPARE(form.MousePointer(), 0);
}

void TestForm1::busyPointerSurvivesHovering()
{
    testsupport::TempDatabase db;
    db.release();
    m_h->windows.form1().Form_Load();
    box("Text1")->setText(db.path());
    int pointer = -1;
    m_h->services.messages.onShow = [&](const Call &) {
        MoveOver(button("PushButton3"));
        MoveOver(box("Text1"));
        pointer = m_h->windows.form1().MousePointer();
    };
    button("PushButton1")->click();
    QCOMPARE(pointer, 11);
    QCOMPARE(m_h->windows.form1().MousePointer(), 0);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
