#include "app/errorreport.h"
#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "platform/scriptedservices.h"
#include "tests/support/tempdatabase.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/windows.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Call = platform::ScriptedMessageBoxes::Call;
using Kind = platform::ScriptedMessageBoxes::Kind;

namespace {

// The windows over scripted services; ending the program is only counted.
struct Harness
{
    Harness() : windows(services.services())
    {
        windows.endProgram = [this] { ++ended; };
    }
    void remember(const char *key, const QString &value)
    {
        services.settings.save("Gravelin", key, value);
        services.settings.saves.clear();
    }
    QString stored(const char *key) const
    {
        return services.settings.get("Gravelin", key, "<absent>");
    }

    platform::ScriptedServices services;
    ui::Windows windows;
    int ended = 0;
};

void MoveOver(QWidget *widget, QPoint at = QPoint(2, 2))
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

class TestForm1 : public QObject
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
    void testConnectionSucceeds();
    void testConnectionFails();
    void loadSampleDatabase();
    void browseCancelled();
    void browseChosen();
    void typingStoresTheWholeValue();
    void focusSelectsTheWholeText();
    void nextWithWrongPathDoesNothing();
    void nextWithEmptyDatabaseShowsEmptyChooser();
    void helpText();
    void serverNoticeNo();
    void serverNoticeYes();
    void unreadableCursorIsReportedAndLoadGoesOn();
    void layoutAndTabOrder();
    void hoverRule();
    void busyPointerSurvivesHovering();
    void closingEndsTheProgram();

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
    // Every error report names a known handler and one of its lines.
    for (const Call &call : m_h->services.messages.calls) {
        if (call.kind != Kind::Warn)
            continue;
        bool known = false;
        for (const app::Location &location : app::loc::All) {
            const QString prefix = QString::fromLatin1(location.text) + "at line ";
            const qsizetype at = call.text.indexOf(prefix);
            if (at >= 0) {
                const int line = call.text.mid(at + prefix.size()).chopped(2).toInt();
                QVERIFY2(app::LineAllowed(location, line), qPrintable(call.text));
                known = true;
            }
        }
        QVERIFY2(known, qPrintable(call.text));
    }
    m_h.reset();
}

void TestForm1::firstStartWithoutSettings()
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

void TestForm1::rememberedDatabaseSkipsToTheChooser()
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

void TestForm1::rememberedPathThatDoesNotExistStaysSilently()
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

void TestForm1::rememberedValuesAreShown()
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

void TestForm1::nextWithWrongPathDoesNothing()
{
    QTemporaryDir dir;
    m_h->windows.form1().Form_Load();
    m_h->windows.form1().show();
    box("Text1")->setText(dir.filePath("nothing.fdb"));
    button("PushButton3")->click();
    QVERIFY(!m_h->windows.form2Loaded());
    QVERIFY(m_h->windows.form1().isVisible());
    QCOMPARE(box("Text1")->text(), dir.filePath("nothing.fdb"));
    QVERIFY(m_h->services.messages.calls.isEmpty());
    m_h->windows.form1().hide();
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

void TestForm1::unreadableCursorIsReportedAndLoadGoesOn()
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

void TestForm1::layoutAndTabOrder()
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

    QStringList order;
    QWidget *widget = box("Text1");
    for (int i = 0; i < 9; ++i) {
        order << widget->objectName();
        do
            widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
    }
    QCOMPARE(order, (QStringList{"Text1", "PushButton5", "Text7", "Text2", "PushButton1",
                                 "PushButton7", "PushButton3", "PushButton2", "PushButton4"}));
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

void TestForm1::closingEndsTheProgram()
{
    m_h->windows.form1().Form_Load();
    m_h->windows.form1().show();
    m_h->windows.form1().close();
    QCOMPARE(m_h->ended, 1);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
