#include "app/errorreport.h"
#include "app/files.h"
#include "app/titles.h"
#include "db/client/connectionstring.h"
#include "db/client/dberror.h"
#include "platform/scriptedservices.h"
#include "tests/support/tempdatabase.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/tablelist.h"
#include "ui/windows.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;

namespace {

QStringList Items(const QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadTableListAppliesTheDollarRule();
    void loadTableListKeepsTheListWhenTheDatabaseCannotBeOpened();
    void loginNextFillsAndSelects();
    void chooserLoad();
    void nextWithNothingSelected();
    void nextShowsTheEditorWithItsHeading();
    void nextAgainWithAnotherTable();
    void nextWithLostDatabaseIsReportedAndGoesOn();
    void backChains();
    void newTableRefreshesTheList();
    void newTableWithLostDatabase();
    void hoverRule();
    void closingEndsTheProgram();

private:
    // Logs in to m_db through the login window's "Next >".
    ui::Form2 &logIn();
    QPushButton *button(const char *name)
    {
        return m_h->windows.form2().findChild<QPushButton *>(name);
    }

    QString m_binDir;
    std::unique_ptr<testsupport::TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestForm2::initTestCase()
{
    m_binDir = qEnvironmentVariable("GRAVELIN_BIN_DIR");
    QVERIFY(!m_binDir.isEmpty());
    app::SetProgramFolder(m_binDir);
    m_db = std::make_unique<testsupport::TempDatabase>();
    m_db->exec({"CREATE TABLE AB (ID INTEGER)", "CREATE TABLE A$B (ID INTEGER)",
                "CREATE TABLE ABC$ORDERS (ID INTEGER)", "CREATE TABLE \"MY TABLE\" (ID INTEGER)",
                "CREATE TABLE X (ID INTEGER)"});
    m_db->release();
}

void TestForm2::init()
{
    m_h = std::make_unique<Harness>();
}

void TestForm2::cleanup()
{
    CheckReports(m_h->services.messages.calls);
    m_h.reset();
}

ui::Form2 &TestForm2::logIn()
{
    ui::Form1 &login = m_h->windows.form1();
    login.Form_Load();
    login.findChild<QLineEdit *>("Text1")->setText(m_db->path());
    login.findChild<QLineEdit *>("Text2")->setText("lockstone");
    login.show();
    login.findChild<QPushButton *>("PushButton3")->click();
    return m_h->windows.form2();
}

void TestForm2::loadTableListAppliesTheDollarRule()
{
    QListWidget list;
    list.addItem("left over");
    ui::LoadTableList(&list, m_db->connectionString());
    const QStringList once = Items(&list);
    QVERIFY(once.contains("AB"));
    QVERIFY(once.contains("A$B"));            // '$' elsewhere than 4th
    QVERIFY(once.contains("MY TABLE"));       // a blank in the name
    QVERIFY(once.contains("X"));              // shorter than four
    QVERIFY(!once.contains("ABC$ORDERS"));    // '$' 4th: left out, user table or not
    QVERIFY(!once.contains("left over"));
    for (const QString &name : once)
        QVERIFY2(name.size() < 4 || name.at(3) != '$', qPrintable(name));
    QCOMPARE(once.size(), 4);
    ui::LoadTableList(&list, m_db->connectionString());
    QCOMPARE(Items(&list), once);             // no duplicates on a second call
}

void TestForm2::loadTableListKeepsTheListWhenTheDatabaseCannotBeOpened()
{
    QTemporaryDir dir;
    QListWidget list;
    list.addItems({"ONE", "TWO"});
    const QString broken = db::ConnectionString({dir.filePath("gone.fdb"), "SYSDBA", "x"});
    QVERIFY_THROWS_EXCEPTION(db::DbError, ui::LoadTableList(&list, broken));
    QCOMPARE(Items(&list), (QStringList{"ONE", "TWO"}));
}

void TestForm2::loginNextFillsAndSelects()
{
    ui::Form2 &chooser = logIn();
    QVERIFY(chooser.isVisible());
    QVERIFY(!m_h->windows.form1().isVisible());
    QCOMPARE(chooser.List1()->count(), 4);
    QCOMPARE(chooser.List1()->currentRow(), 0);
    QVERIFY(chooser.List1()->item(0)->isSelected());
    QVERIFY(m_h->services.messages.calls.isEmpty());
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    QVERIFY(ShowsWholeRows(chooser.List1()));
    QVERIFY(chooser.List1()->height() <= ui::Twips(1410));   // within its designed place
    chooser.hide();
}

void TestForm2::chooserLoad()
{
    ui::Form2 &chooser = m_h->windows.form2();
    QCOMPARE(chooser.windowTitle(), QStringLiteral("Gravelin"));
    QVERIFY(!chooser.windowIcon().isNull());
    QCOMPARE(chooser.size(), QSize(536, 202));
    QCOMPARE(chooser.findChild<QGroupBox *>("Frame1")->title(),
             QStringLiteral("Which table do you want edit?"));
    QCOMPARE(button("PushButton2")->text(), QStringLiteral("< Back"));
    QCOMPARE(button("PushButton3")->text(), QStringLiteral("Next >"));
    QCOMPARE(button("PushButton1")->text(), QStringLiteral("New Table"));
    QCOMPARE(button("PushButton3")->geometry(), QRect(272, 170, 256, 27));
    QVERIFY(!chooser.List1()->isSortingEnabled());
    QCOMPARE(chooser.List1()->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(chooser.palette().color(QPalette::Window), chooser.palette().color(QPalette::Button));
    QCOMPARE(TabOrder(button("PushButton2"), 4),
             (QStringList{"PushButton2", "PushButton3", "PushButton1", "List1"}));
}

void TestForm2::nextWithNothingSelected()
{
    ui::Form2 &chooser = logIn();
    chooser.List1()->setCurrentRow(-1);
    button("PushButton3")->click();
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    const Call &call = m_h->services.messages.calls.first();
    QCOMPARE(call.kind, Kind::Inform);
    QCOMPARE(call.text, QStringLiteral("Please select a table"));
    QCOMPARE(call.title, app::ShortTitle());
    QVERIFY(chooser.isVisible());
    QVERIFY(!m_h->windows.form3Loaded());
    QCOMPARE(m_h->windows.currentTable, QString());
    QCOMPARE(chooser.MousePointer(), 0);
    chooser.hide();
}

void TestForm2::nextShowsTheEditorWithItsHeading()
{
    ui::Form2 &chooser = logIn();
    const int row = int(Items(chooser.List1()).indexOf("MY TABLE"));
    chooser.List1()->setCurrentRow(row);
    button("PushButton3")->click();
    QVERIFY(m_h->windows.form3Loaded());
    ui::Form3 &editor = m_h->windows.form3();
    QVERIFY(editor.isVisible());
    QVERIFY(!chooser.isVisible());
    QCOMPARE(m_h->windows.currentTable, QStringLiteral("MY TABLE"));
    QCOMPARE(editor.Label2()->text(), QStringLiteral(" Now Editing: MY TABLE"));
    QCOMPARE(editor.boundTable(), QStringLiteral("MY TABLE"));
    QCOMPARE(editor.windowTitle(), QStringLiteral("Gravelin"));
    QCOMPARE(chooser.MousePointer(), 0);
    QVERIFY(m_h->services.messages.calls.isEmpty());
    editor.hide();
}

void TestForm2::nextAgainWithAnotherTable()
{
    ui::Form2 &chooser = logIn();
    chooser.List1()->setCurrentRow(0);
    button("PushButton3")->click();
    ui::Form3 &editor = m_h->windows.form3();
    editor.findChild<QPushButton *>("PushButton1")->click();   // < Back
    QVERIFY(chooser.isVisible());
    chooser.List1()->setCurrentRow(int(Items(chooser.List1()).indexOf("X")));
    button("PushButton3")->click();
    QCOMPARE(&m_h->windows.form3(), &editor);   // one editor, shown again
    QCOMPARE(editor.Label2()->text(), QStringLiteral(" Now Editing: X"));
    QCOMPARE(editor.boundTable(), QStringLiteral("X"));
    editor.hide();
}

void TestForm2::nextWithLostDatabaseIsReportedAndGoesOn()
{
    QTemporaryDir dir;
    ui::Form2 &chooser = logIn();
    m_h->windows.form1().findChild<QLineEdit *>("Text1")->setText(dir.filePath("moved.fdb"));
    button("PushButton3")->click();
    // One report for the connection, one for opening the table that needs it.
    QCOMPARE(m_h->services.messages.calls.size(), 2);
    const Call &call = m_h->services.messages.calls.first();
    QCOMPARE(call.kind, Kind::Warn);
    QVERIFY2(call.text.contains("moved.fdb"), qPrintable(call.text));
    QVERIFY(call.text.endsWith("\r\nin Quorvane2020/08/02.Form2.PushButton3_Click at line 110\r\r"));
    const Call &open = m_h->services.messages.calls.at(1);
    QCOMPARE(open.kind, Kind::Warn);
    QVERIFY(open.text.endsWith("\r\nin Quorvane2020/08/02.Form2.PushButton3_Click at line 122\r\r"));
    // The editor is still shown and the chooser hidden, pointer back to normal.
    QVERIFY(m_h->windows.form3().isVisible());
    QVERIFY(!chooser.isVisible());
    QCOMPARE(chooser.MousePointer(), 0);
    m_h->windows.form3().hide();
}

void TestForm2::backChains()
{
    ui::Form2 &chooser = logIn();
    button("PushButton3")->click();
    ui::Form3 &editor = m_h->windows.form3();
    editor.findChild<QPushButton *>("PushButton1")->click();
    QVERIFY(chooser.isVisible());
    QVERIFY(!editor.isVisible());
    QCOMPARE(editor.boundTable(), QStringLiteral("A$B"));   // the grid stays bound
    button("PushButton2")->click();
    QVERIFY(m_h->windows.form1().isVisible());
    QVERIFY(!chooser.isVisible());
    QCOMPARE(m_h->windows.form1().findChild<QLineEdit *>("Text1")->text(), m_db->path());
    m_h->windows.form1().hide();
}

void TestForm2::newTableRefreshesTheList()
{
    testsupport::TempDatabase db;
    db.exec("CREATE TABLE FIRST_ONE (ID INTEGER)");
    db.release();
    ui::Form1 &login = m_h->windows.form1();
    login.Form_Load();
    login.findChild<QLineEdit *>("Text1")->setText(db.path());
    login.findChild<QPushButton *>("PushButton3")->click();
    ui::Form2 &chooser = m_h->windows.form2();
    QCOMPARE(Items(chooser.List1()), QStringList{"FIRST_ONE"});
    int pointerInDialog = -1;
    m_h->newTable = [&] {
        pointerInDialog = chooser.MousePointer();
        db.exec("CREATE TABLE ZEBRA (ID INTEGER)");
        db.release();
    };
    chooser.List1()->setCurrentRow(-1);
    button("PushButton1")->click();
    QCOMPARE(m_h->dialogParents, QList<QWidget *>{&chooser});
    QCOMPARE(pointerInDialog, 0);
    QCOMPARE(Items(chooser.List1()), (QStringList{"FIRST_ONE", "ZEBRA"}));
    QCOMPARE(chooser.List1()->currentRow(), 1);   // the new table
    QVERIFY(chooser.isEnabled());
    QCOMPARE(chooser.MousePointer(), 0);
    QVERIFY(m_h->services.messages.calls.isEmpty());
    // Cancelled, the list is read again and its first entry selected.
    m_h->newTable = nullptr;
    button("PushButton1")->click();
    QCOMPARE(Items(chooser.List1()), (QStringList{"FIRST_ONE", "ZEBRA"}));
    QCOMPARE(chooser.List1()->currentRow(), 0);
    chooser.hide();
}

void TestForm2::newTableWithLostDatabase()
{
    QTemporaryDir dir;
    ui::Form2 &chooser = logIn();
    const QStringList before = Items(chooser.List1());
    m_h->windows.form1().findChild<QLineEdit *>("Text1")->setText(dir.filePath("moved.fdb"));
    button("PushButton1")->click();
    QCOMPARE(m_h->services.messages.calls.size(), 2);
    QVERIFY(m_h->services.messages.calls.at(0).text.endsWith("Form2.PushButton1_Click at line 110\r\r"));
    QVERIFY(m_h->services.messages.calls.at(1).text.endsWith("Form2.PushButton1_Click at line 114\r\r"));
    QCOMPARE(Items(chooser.List1()), before);
    QVERIFY(chooser.isEnabled());
    QCOMPARE(chooser.MousePointer(), 0);
    chooser.hide();
}

void TestForm2::hoverRule()
{
    ui::Form2 &chooser = m_h->windows.form2();
    MoveOver(button("PushButton1"));
    QCOMPARE(chooser.MousePointer(), 99);
    MoveOver(chooser.List1()->viewport());
    QCOMPARE(chooser.MousePointer(), 0);
    MoveOver(button("PushButton3"));
    QCOMPARE(chooser.MousePointer(), 99);
}

void TestForm2::closingEndsTheProgram()
{
    ui::Form2 &chooser = logIn();
    chooser.close();
    QCOMPARE(m_h->ended, 1);
}

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
