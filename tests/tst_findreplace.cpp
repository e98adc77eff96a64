// The find and replace bar: matching, walking the grid in its order, a
// replace as an edit of the row, and Replace All as one UPDATE on the
// server that refuses what a column cannot hold before writing anything.

#include "app/files.h"
#include "app/findtext.h"
#include "tests/tst_form_harness.h"
#include "ui/filterline.h"
#include "ui/findbar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

using namespace formtest;
using testsupport::TempDatabase;
using Scope = ui::FindBar::Scope;

class TestFindReplace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR")); }
    void init();
    void cleanup();

    void matching_data();
    void matching();
    void findWalksTheGrid_data();
    void findWalksTheGrid();
    void replaceOneIsAnEditOfTheRow();
    void replaceAll_data();
    void replaceAll();
    void keysOpenTheBar();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    ui::GridView &grid() { return *editor().grid(); }
    ui::FindBar &bar() { return *editor().findBar(); }
    void set(const QString &find, Scope scope, bool matchCase, bool wholeCell);
    QString found();
    QString rows()
    {
        return ValueOf(*m_db, "SELECT CAST(LIST(ID || ':' || COALESCE(NAME, '-') || ':' || "
                              "COALESCE(NOTE, '-') || ':' || COALESCE(QTY, '-'), ' ') "
                              "AS VARCHAR(400)) FROM (SELECT * FROM T ORDER BY ID)");
    }

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestFindReplace::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(8), "
                "NOTE VARCHAR(20), QTY INTEGER, CALC COMPUTED BY (QTY * 2))",
                "INSERT INTO T VALUES (1, 'Ann', 'plan a', 10)",
                "INSERT INTO T VALUES (2, 'Dan', NULL, 5)",
                "INSERT INTO T VALUES (3, 'ann', 'Anna''s', 10)",
                "INSERT INTO T VALUES (4, 'Bob', 'banana', NULL)"});
    m_db->release();
    m_h = std::make_unique<Harness>();
    QVERIFY(OpenAndFocus(*m_h, *m_db, "T"));
}

void TestFindReplace::cleanup()
{
    m_h.reset();
    m_db.reset();
}

void TestFindReplace::set(const QString &find, Scope scope, bool matchCase, bool wholeCell)
{
    bar().showReplace();
    bar().txtFind()->setText(find);
    bar().setScope(scope);
    bar().chkMatchCase()->setChecked(matchCase);
    bar().chkWholeCell()->setChecked(wholeCell);
}

// "row,column" of the cursor once the search has ended.
QString TestFindReplace::found()
{
    if (!QTest::qWaitFor([this] { return !bar().searching(); }))
        return "still searching";
    const QModelIndex cell = grid().currentIndex();
    return QStringLiteral("%1,%2").arg(cell.row() + 1).arg(cell.column());
}

void TestFindReplace::matching_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("find");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeCell");
    QTest::addColumn<QString>("replaced");   // with "x"; the cell itself: no match
    QTest::newRow("part, any case") << "Banana" << "AN" << false << false << "Bxxa";
    QTest::newRow("part, match case: none") << "Banana" << "AN" << true << false << "Banana";
    QTest::newRow("whole cell, any case") << "Ann" << "ANN" << false << true << "x";
    QTest::newRow("whole cell needs all of it") << "Anna" << "Ann" << false << true << "Anna";
    QTest::newRow("non-ASCII, any case") << "Größe" << "GRÖ" << false << false << "xße";
    QTest::newRow("nothing to find") << "abc" << "" << false << false << "abc";
}

void TestFindReplace::matching()
{
    QFETCH(QString, cell);
    QFETCH(QString, find);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeCell);
    QFETCH(QString, replaced);
    const app::FindOptions options{matchCase, wholeCell};
    QCOMPARE(app::CellMatches(cell, find, options), replaced != cell);
    QCOMPARE(app::ReplacedText(cell, find, "x", options), replaced);
}

// From the cursor at row 1, NAME, three presses of Next (or Previous).
void TestFindReplace::findWalksTheGrid_data()
{
    QTest::addColumn<QString>("find");
    QTest::addColumn<int>("scope");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeCell");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("all columns, in row order, wrapping")
        << "an" << int(Scope::AllColumns) << false << false << 1
        << QStringList{"1,2", "2,1", "3,1"};
    QTest::newRow("backwards")
        << "an" << int(Scope::AllColumns) << false << false << -1
        << QStringList{"4,2", "3,2", "3,1"};
    QTest::newRow("current column, match case")
        << "an" << int(Scope::CurrentColumn) << true << false << 1
        << QStringList{"2,1", "3,1", "2,1"};
    QTest::newRow("whole cell, any case")
        << "ANN" << int(Scope::AllColumns) << false << true << 1
        << QStringList{"3,1", "1,1", "3,1"};
    QTest::newRow("numbers by their text, computed ones too")
        << "10" << int(Scope::AllColumns) << false << true << 1
        << QStringList{"1,3", "2,4", "3,3"};
    QTest::newRow("not found: the cursor stays")
        << "zzz" << int(Scope::AllColumns) << false << false << 1
        << QStringList{"1,1", "1,1", "1,1"};
}

void TestFindReplace::findWalksTheGrid()
{
    QFETCH(QString, find);
    QFETCH(int, scope);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeCell);
    QFETCH(int, direction);
    QFETCH(QStringList, cells);
    grid().setCurrentIndex(editor().tableModel()->index(0, 1));
    set(find, Scope(scope), matchCase, wholeCell);
    QStringList got;
    for (int i = 0; i < cells.size(); ++i) {
        direction > 0 ? bar().findNext() : bar().findPrevious();
        got << found();
    }
    QCOMPARE(got, cells);
    QCOMPARE(bar().lblFound()->text().contains("not found"), find == "zzz");
}

void TestFindReplace::replaceOneIsAnEditOfTheRow()
{
    grid().setCurrentIndex(editor().tableModel()->index(0, 1));
    set("ann", Scope::CurrentColumn, false, false);
    bar().txtReplace()->setText("Jo");
    bar().replaceOne();   // row 1's NAME matches: replaced, then on to row 3
    QCOMPARE(found(), QStringLiteral("3,1"));
    QCOMPARE(rows().left(14), QStringLiteral("1:Jo:plan a:10"));
    bar().replaceOne();
    QCOMPARE(found(), QStringLiteral("3,1"));   // the only match left is itself
    QVERIFY(editor().tableModel()->isRowDirty(2));
    QCOMPARE(editor().tableModel()->index(2, 1).data().toString(), QStringLiteral("Jo"));
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

void TestFindReplace::replaceAll_data()
{
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<int>("scope");        // from the NOTE column
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeCell");
    QTest::addColumn<QString>("filter");   // in the ID filter box
    QTest::addColumn<QString>("said");     // the question, or the refusal
    QTest::addColumn<QString>("stored");
    const QString before = "1:Ann:plan a:10 2:Dan:-:5 3:ann:Anna's:10 4:Bob:banana:-";
    QTest::newRow("part of cells, all columns")
        << "an" << "AN" << int(Scope::AllColumns) << true << false << ""
        << "in 4 rows (columns NAME, NOTE)"
        << "1:Ann:plAN a:10 2:DAN:-:5 3:ANn:Anna's:10 4:Bob:bANANa:-";
    QTest::newRow("the filter holds rows back")
        << "an" << "AN" << int(Scope::AllColumns) << true << false << ">= 3"
        << "in 2 rows (columns NAME, NOTE, only rows the filter shows)"
        << "1:Ann:plan a:10 2:Dan:-:5 3:ANn:Anna's:10 4:Bob:bANANa:-";
    QTest::newRow("whole cells, any case, current column")
        << "ANN" << "Eve" << int(Scope::CurrentColumn) << false << true << ""
        << "not found" << before;
    QTest::newRow("whole numbers")
        << "10" << "11" << int(Scope::AllColumns) << false << true << ""
        << "in 2 rows (column QTY)" << "1:Ann:plan a:11 2:Dan:-:5 3:ann:Anna's:11 4:Bob:banana:-";
    QTest::newRow("a number column cannot hold text")
        << "10" << "ten" << int(Scope::AllColumns) << false << true << ""
        << "QTY (INTEGER) cannot hold \"ten\"" << before;
    QTest::newRow("a part of a number is refused")
        << "0" << "1" << int(Scope::AllColumns) << true << false << ""
        << "QTY (INTEGER) holds no text" << before;
    QTest::newRow("too long for its column")
        << "a" << "xxxxxxx" << int(Scope::AllColumns) << true << false << ""
        << "NAME holds at most 8 characters" << before;
    QTest::newRow("a part in any case needs match case")
        << "an" << "x" << int(Scope::AllColumns) << false << false << ""
        << "needs \"Match case\"" << before;
}

void TestFindReplace::replaceAll()
{
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(int, scope);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeCell);
    QFETCH(QString, filter);
    QFETCH(QString, said);
    QFETCH(QString, stored);
    if (!filter.isEmpty()) {
        grid().toggleFilterLine();
        grid().filterHeader()->box(0)->setText(filter);
        grid().applyFilter();
        QVERIFY(QTest::qWaitFor([this] { return !editor().tableModel()->isBusy(); }));
        QVERIFY(QTest::qWaitFor([this] { return editor().tableModel()->recordCount() == 2; }));
    }
    grid().setCurrentIndex(editor().tableModel()->index(0, 2));
    set(find, Scope(scope), matchCase, wholeCell);
    bar().txtReplace()->setText(replacement);
    m_h->services.messages.answers = {true};
    bar().replaceAll();
    const QList<Call> &calls = m_h->services.messages.calls;
    QVERIFY(!calls.isEmpty());
    QVERIFY2(calls.first().text.contains(said), qPrintable(calls.first().text));
    QCOMPARE(calls.first().kind, said.startsWith("in ") ? Kind::Ask : Kind::Inform);
    QCOMPARE(rows(), stored);
    if (said.startsWith("in ")) {
        // The grid reads the rows again and shows what the server holds.
        QVERIFY(QTest::qWaitFor([this] { return !editor().tableModel()->isBusy(); }));
        QVERIFY(bar().lblFound()->text().startsWith("replaced in "));
    }
}

// Ctrl+F opens the bar without its replace line, Ctrl+H with it, Esc
// closes it; Ctrl+Shift+F is still the filter line.
void TestFindReplace::keysOpenTheBar()
{
    QTest::keyClick(&grid(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar().isVisible());
    QVERIFY(!bar().isReplacing());
    QVERIFY(bar().txtFind()->hasFocus());
    QVERIFY(bar().geometry().top() >= grid().geometry().bottom());
    QTest::keyClick(bar().txtFind(), Qt::Key_H, Qt::ControlModifier);
    QVERIFY(bar().isReplacing());
    QTest::keyClick(bar().txtFind(), Qt::Key_Escape);
    QVERIFY(!bar().isVisible());
    QVERIFY(grid().hasFocus());
    QTest::keyClick(&grid(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(grid().filterHeader()->isFilterVisible());
    QVERIFY(!bar().isVisible());
}

QTEST_MAIN(TestFindReplace)
#include "tst_findreplace.moc"
