#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "ui/frmnewcolumn.h"
#include "ui/frmnewtable.h"

#include <QAccessible>
#include <QKeyEvent>

#include <functional>
#include <memory>

#include "tst_form_harness.h"

using namespace formtest;

// The keyboard: Enter in the login window and the chooser, double-click and
// typed letters in the chooser's list, F1 in every window, and a name for
// every control that assistive tools can read.
class TestFormKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_h = std::make_unique<Harness>(); }
    void cleanup();

    void enterInTheLoginWindow_data();
    void enterInTheLoginWindow();
    void chooserOpensTheEntry_data();
    void chooserOpensTheEntry();
    void typedLettersJumpToTheTable_data();
    void typedLettersJumpToTheTable();
    void helpKey_data();
    void helpKey();
    void everyControlIsNamed_data();
    void everyControlIsNamed();

private:
    ui::Form2 &logIn();
    QWidget *window(const QString &name);
    void windows_data();

    std::unique_ptr<testsupport::TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
    std::unique_ptr<QDialog> m_dialog;
};

void TestFormKeys::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
    m_db = std::make_unique<testsupport::TempDatabase>();
    m_db->exec({"CREATE TABLE APPLES (ID INTEGER)", "CREATE TABLE MY_TABLE (ID INTEGER)",
                "CREATE TABLE MANGOES (ID INTEGER)", "CREATE TABLE X (ID INTEGER)"});
    m_db->release();
}

void TestFormKeys::cleanup()
{
    CheckReports(m_h->services.messages.calls);
    m_dialog.reset();
    m_h.reset();
}

ui::Form2 &TestFormKeys::logIn()
{
    TypeProfile(*m_h, *m_db);
    m_h->windows.form1().show();
    m_h->windows.form1().findChild<QPushButton *>("PushButton3")->click();
    return m_h->windows.form2();
}

// The windows by name, each loaded; a dialog lives until the test ends.
QWidget *TestFormKeys::window(const QString &name)
{
    if (name == "Form1") {
        m_h->windows.form1().Form_Load();
        return &m_h->windows.form1();
    }
    if (name == "Form2")
        return &logIn();
    if (name == "Form3")
        return &m_h->windows.form3();
    if (name == "frmNewColumn")
        m_dialog = std::make_unique<ui::frmNewColumn>(m_h->windows, nullptr);
    else
        m_dialog = std::make_unique<ui::frmNewTable>(m_h->windows, nullptr);
    return m_dialog.get();
}

void TestFormKeys::windows_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"Form1", "Form2", "Form3", "frmNewColumn", "frmNewTable"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestFormKeys::enterInTheLoginWindow_data()
{
    QTest::addColumn<QString>("focused");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("chooser");   // else the help text

    QTest::newRow("Enter in the database box") << "Text1" << Qt::Key_Return << true;
    QTest::newRow("keypad Enter in the password box") << "Text2" << Qt::Key_Enter << true;
    QTest::newRow("Enter on Next >") << "PushButton3" << Qt::Key_Return << true;
    QTest::newRow("Enter on a focused Help presses Help") << "PushButton2" << Qt::Key_Return << false;
}

void TestFormKeys::enterInTheLoginWindow()
{
    QFETCH(QString, focused);
    QFETCH(Qt::Key, key);
    QFETCH(bool, chooser);
    TypeProfile(*m_h, *m_db);
    ui::Form1 &login = m_h->windows.form1();
    login.show();
    QVERIFY(login.findChild<QPushButton *>("PushButton3")->isDefault());
    auto *target = login.findChild<QWidget *>(focused);
    target->setFocus();
    QTest::keyClick(target, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(m_h->windows.form2Loaded() && m_h->windows.form2().isVisible(), chooser);
    QCOMPARE(login.isVisible(), !chooser);
    if (!chooser) {
        QCOMPARE(m_h->services.messages.calls.size(), 1);
        QCOMPARE(m_h->services.messages.calls.first().text, app::LoginHelpText());
    }
    login.hide();
    if (m_h->windows.form2Loaded())
        m_h->windows.form2().hide();
}

void TestFormKeys::chooserOpensTheEntry_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("keypad Enter") << "keypad";
    QTest::newRow("double-click") << "double-click";
}

void TestFormKeys::chooserOpensTheEntry()
{
    QFETCH(QString, how);
    ui::Form2 &chooser = logIn();
    QListWidget *list = chooser.List1();
    QCOMPARE(chooser.focusWidget(), list);   // the list has the keys at once
    QListWidgetItem *mangoes = list->findItems("MANGOES", Qt::MatchExactly).first();
    list->setCurrentItem(mangoes);
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    if (how == "double-click")
        DoubleClick(list->viewport(), list->visualItemRect(mangoes).center());
    else if (how == "keypad")
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    else
        QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(m_h->windows.form3Loaded());
    QVERIFY(m_h->windows.form3().isVisible());
    QVERIFY(!chooser.isVisible());
    QCOMPARE(m_h->windows.form3().boundTable(), QStringLiteral("MANGOES"));
    m_h->windows.form3().hide();
}

void TestFormKeys::typedLettersJumpToTheTable_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("table");
    QTest::newRow("x") << "x" << "X";
    QTest::newRow("capitals MY") << "MY" << "MY_TABLE";
    QTest::newRow("ma") << "ma" << "MANGOES";
    QTest::newRow("a") << "a" << "APPLES";
}

void TestFormKeys::typedLettersJumpToTheTable()
{
    QFETCH(QString, typed);
    QFETCH(QString, table);
    ui::Form2 &chooser = logIn();
    chooser.List1()->setCurrentRow(int(chooser.List1()->count()) - 1);
    QTest::keyClicks(chooser.List1(), typed);
    QCOMPARE(chooser.List1()->currentItem()->text(), table);
    QVERIFY(chooser.List1()->currentItem()->isSelected());
    chooser.hide();
}

void TestFormKeys::helpKey_data()
{
    windows_data();
}

void TestFormKeys::helpKey()
{
    QFETCH(QString, name);
    const QHash<QString, std::function<QString()>> texts = {
        {"Form1", app::LoginUsageText}, {"Form2", app::ChooserUsageText},
        {"Form3", app::EditorUsageText}, {"frmNewColumn", app::NewColumnUsageText},
        {"frmNewTable", app::NewTableUsageText}};
    QWidget *shown = window(name);
    m_h->services.messages.calls.clear();
    // From the focused control, as the user presses it.
    QWidget *focused = shown->focusWidget() ? shown->focusWidget() : shown;
    QTest::keyClick(focused, Qt::Key_F1);
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    const Call &call = m_h->services.messages.calls.first();
    QCOMPARE(call.kind, Kind::Inform);
    QCOMPARE(call.title, app::ShortTitle());
    QCOMPARE(call.text, texts.value(name)());
    QVERIFY(call.text.contains("Keys:"));
    shown->hide();
}

void TestFormKeys::everyControlIsNamed_data()
{
    windows_data();
}

void TestFormKeys::everyControlIsNamed()
{
    QFETCH(QString, name);
    QWidget *shown = window(name);
    const auto children = shown->findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *control : children) {
        if (control->focusPolicy() == Qt::NoFocus || control->objectName().isEmpty())
            continue;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible);
        const QString spoken = accessible->text(QAccessible::Name);
        QVERIFY2(spoken.contains(QRegularExpression("[A-Za-z]{2}")),
                 qPrintable(control->objectName() + ": '" + spoken + "'"));
        ++checked;
    }
    QVERIFY(checked >= 3);
    shown->hide();
}

QTEST_MAIN(TestFormKeys)
#include "tst_form_keys.moc"
