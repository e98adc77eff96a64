#include "app/files.h"
#include "db/grid/tablemodel.h"
#include "ui/form3.h"
#include "ui/gridtexts.h"
#include "ui/gridview.h"

#include <QLabel>
#include <QTest>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;
using db::TableModel;
using testsupport::TempDatabase;

// The editor letting a table go: to another table, at the end of the
// program, and not while rows that could not be written would be lost.
class TestForm3Release : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void anotherTableReleasesTheOld();
    void backWithUnsavedRowAsks();
    void quitWithUnsavedRowAsks();
    void quitCommitsTheOpenEditor();
    void endingReleasesTheTable();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    ui::GridView &grid() { return *editor().grid(); }
    TableModel &model() { return *editor().tableModel(); }
    QList<Call> &calls() { return m_h->services.messages.calls; }
    void open(const QString &table);
    // Leaves row 0 with a value its CHECK refuses.
    void failRow();
    void type(const QString &text) { TypeInCell(grid(), text); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { PressKey(grid(), key, modifiers); }

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestForm3Release::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
}

void TestForm3Release::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20) NOT NULL, "
                "QTY INTEGER CHECK (QTY >= 0))",
                "INSERT INTO T VALUES (1, 'one', 1)", "INSERT INTO T VALUES (2, 'two', 2)",
                "INSERT INTO T VALUES (3, 'three', 3)",
                "CREATE TABLE U (CODE VARCHAR(5) NOT NULL PRIMARY KEY, LABEL VARCHAR(20))",
                "INSERT INTO U VALUES ('A', 'alpha')"});
    m_db->release();
    m_h = std::make_unique<Harness>();
}

void TestForm3Release::cleanup()
{
    m_h.reset();
    m_db.reset();
}

void TestForm3Release::open(const QString &table)
{
    QVERIFY(OpenAndFocus(*m_h, *m_db, table));
}

void TestForm3Release::failRow()
{
    grid().setCurrentIndex(model().index(0, 2));
    type("-1");
    key(Qt::Key_Down);
    QCOMPARE(calls().size(), 1);
    QCOMPARE(calls().first().kind, Kind::Warn);
}

void TestForm3Release::anotherTableReleasesTheOld()
{
    open("T");
    TableModel *first = editor().tableModel();
    editor().findChild<QPushButton *>("PushButton1")->click();   // < Back
    QCOMPARE(model().table(), QStringLiteral("T"));              // still bound
    open("U");
    QCOMPARE(editor().tableModel(), first);   // one model for the window's life
    QCOMPARE(editor().Label2()->text(), QStringLiteral(" Now Editing: U"));
    QCOMPARE(model().columnCount(), 2);
    QCOMPARE(model().rowCount(), 2);
    QCOMPARE(model().index(0, 1).data().toString(), QStringLiteral("alpha"));
    // Nobody holds T any more: it can be dropped.
    m_db->exec("DROP TABLE T");
    QCOMPARE(ValueOf(*m_db, "SELECT CAST(COUNT(*) AS VARCHAR(9)) FROM RDB$RELATIONS "
                            "WHERE RDB$RELATION_NAME = 'T'"),
             QStringLiteral("0"));
    QVERIFY(calls().isEmpty());
}

// "< Back" asks at once; No keeps the editor on the row, Yes gives the row
// up, so the next table opens without another question.
void TestForm3Release::backWithUnsavedRowAsks()
{
    open("T");
    failRow();
    m_h->services.messages.answers = {false};
    editor().findChild<QPushButton *>("PushButton1")->click();
    QCOMPARE(calls().size(), 2);
    QCOMPARE(calls().at(1).kind, Kind::Ask);
    QCOMPARE(calls().at(1).text, QStringLiteral("1 row of T could not be saved. Go back anyway?"));
    QVERIFY(editor().isVisible());
    QVERIFY(!m_h->windows.form2().isVisible());
    QCOMPARE(model().index(0, 2).data().toString(), QStringLiteral("-1"));
    m_h->services.messages.answers = {true};
    editor().findChild<QPushButton *>("PushButton1")->click();
    QCOMPARE(calls().size(), 3);
    QVERIFY(!editor().isVisible());
    QVERIFY(!model().hasUnsavedRows());
    QVERIFY(OpenInEditor(*m_h, *m_db, "U"));
    QCOMPARE(calls().size(), 3);
    QCOMPARE(editor().Label2()->text(), QStringLiteral(" Now Editing: U"));
    QCOMPARE(ValueOf(*m_db, "SELECT CAST(QTY AS VARCHAR(5)) FROM T WHERE ID = 1"),
             QStringLiteral("1"));
}

void TestForm3Release::quitWithUnsavedRowAsks()
{
    open("T");
    failRow();
    editor().findChild<QPushButton *>("PushButton3")->click();   // Quit; no answer is No
    QCOMPARE(calls().size(), 2);
    QCOMPARE(calls().at(1).kind, Kind::Ask);
    QCOMPARE(calls().at(1).text, ui::QuitQuestion(1));
    QCOMPARE(m_h->ended, 0);
    QVERIFY(editor().isVisible());
    editor().close();
    QCOMPARE(calls().size(), 3);
    QVERIFY(editor().isVisible());   // the close was refused
    m_h->services.messages.answers = {true};
    editor().findChild<QPushButton *>("PushButton3")->click();
    QCOMPARE(m_h->ended, 1);
}

void TestForm3Release::quitCommitsTheOpenEditor()
{
    open("T");
    grid().setCurrentIndex(model().index(2, 1));
    type("drei");
    editor().findChild<QPushButton *>("PushButton3")->click();
    QCOMPARE(m_h->ended, 1);
    QVERIFY(calls().isEmpty());
    QCOMPARE(ValueOf(*m_db, "SELECT NAME FROM T WHERE ID = 3"), QStringLiteral("drei"));
}

void TestForm3Release::endingReleasesTheTable()
{
    open("T");
    m_h.reset();
    m_db->exec("DROP TABLE T");
    QCOMPARE(ValueOf(*m_db, "SELECT CAST(COUNT(*) AS VARCHAR(9)) FROM RDB$RELATIONS "
                            "WHERE RDB$RELATION_NAME = 'T'"),
             QStringLiteral("0"));
}

QTEST_MAIN(TestForm3Release)
#include "tst_form3_release.moc"
