#include "app/files.h"
#include "db/grid/tablemodel.h"
#include "ui/form3.h"
#include "ui/gridclipboard.h"
#include "ui/griddelegate.h"
#include "ui/gridview.h"

#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;
using db::TableModel;
using testsupport::TempDatabase;

// The editor's grid under the keys and the clipboard: copying and pasting
// ranges, clearing cells, and the keys a spreadsheet user expects.
class TestForm3Hands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void copy_data();
    void copy();
    void delimitedRowsReadWhatCopyWrites();
    void paste_data();
    void paste();
    void refusedPastedRowKeepsItsValues();
    void deleteClearsCells();
    void opensOnTheFirstRecord();
    void enterCommitsAndMovesDown();
    void escRevertsTheCellThenTheRow();
    void ctrlHomeAndEndGoToFirstAndLastRecord();
    void refusedNewRecordShowsMark();
    void joinViewIsReadOnly();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    ui::GridView &grid() { return *editor().grid(); }
    TableModel &model() { return *editor().tableModel(); }
    QList<Call> &calls() { return m_h->services.messages.calls; }
    void open() { QVERIFY(OpenAndFocus(*m_h, *m_db, "C")); }
    void go(int row, int column) { grid().setCurrentIndex(model().index(row, column)); }
    void select(int top, int left, int bottom, int right);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { PressKey(grid(), key, modifiers); }
    QString rows();

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestForm3Hands::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
}

void TestForm3Hands::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE C (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20) NOT NULL, "
                "NOTE VARCHAR(20), QTY INTEGER CHECK (QTY >= 0))",
                "INSERT INTO C VALUES (1, 'one', 'a' || ASCII_CHAR(9) || 'b', 1)",
                "INSERT INTO C VALUES (2, 'two', NULL, 2)",
                "INSERT INTO C VALUES (3, 'th\"ree', 'x' || ASCII_CHAR(10) || 'y', 3)",
                "CREATE VIEW CJ (ID, NAME, OTHER) AS SELECT A.ID, A.NAME, B.NAME FROM C A "
                "JOIN C B ON B.ID = A.ID"});
    m_db->release();
    m_h = std::make_unique<Harness>();
}

void TestForm3Hands::cleanup()
{
    m_h.reset();
    m_db.reset();
}

void TestForm3Hands::select(int top, int left, int bottom, int right)
{
    go(top, left);
    grid().selectionModel()->select(
        QItemSelection(model().index(top, left), model().index(bottom, right)),
        QItemSelectionModel::ClearAndSelect);
}

// Every row of C as the database holds it, NULL as "~".
QString TestForm3Hands::rows()
{
    return ValueOf(*m_db, "SELECT CAST(LIST(ID || ':' || NAME || ':' || COALESCE(NOTE, '~') "
                          "|| ':' || COALESCE(QTY, -1), '|') AS VARCHAR(1000)) "
                          "FROM (SELECT * FROM C ORDER BY ID)");
}

void TestForm3Hands::copy_data()
{
    QTest::addColumn<QRect>("range");          // columns x..right, rows y..bottom
    QTest::addColumn<bool>("headings");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");
    QTest::newRow("2x3 range") << QRect(QPoint(1, 0), QPoint(3, 1)) << false
        << "one\t\"a\tb\"\t1\ntwo\t\t2\n"
        << "<table><tr><td>one</td><td>a\tb</td><td>1</td></tr>"
           "<tr><td>two</td><td></td><td>2</td></tr></table>";
    QTest::newRow("with headings, quote and newline") << QRect(QPoint(0, 2), QPoint(2, 2)) << true
        << "ID\tNAME\tNOTE\n3\t\"th\"\"ree\"\t\"x\ny\"\n"
        << "<table><tr><th>ID</th><th>NAME</th><th>NOTE</th></tr>"
           "<tr><td>3</td><td>th&quot;ree</td><td>x<br>y</td></tr></table>";
}

void TestForm3Hands::copy()
{
    QFETCH(QRect, range);
    QFETCH(bool, headings);
    QFETCH(QString, text);
    QFETCH(QString, html);
    open();
    select(range.top(), range.left(), range.bottom(), range.right());
    key(Qt::Key_C, headings ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied);
    QCOMPARE(copied->text(), text);
    QCOMPARE(copied->html(), html);
}

void TestForm3Hands::delimitedRowsReadWhatCopyWrites()
{
    const QList<ui::CellTexts> values{{"a\tb", std::nullopt, "say \"hi\""}, {"x\r\ny", "", "z"}};
    const QList<QStringList> read = ui::DelimitedRows(ui::CopiedRangeOf({}, values).text);
    QCOMPARE(read, (QList<QStringList>{{"a\tb", "", "say \"hi\""}, {"x\r\ny", "", "z"}}));
    QCOMPARE(ui::DelimitedRows("1\t2\r\n3\t4"), (QList<QStringList>{{"1", "2"}, {"3", "4"}}));
}

void TestForm3Hands::paste_data()
{
    QTest::addColumn<QPoint>("at");            // column, row
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("stored");
    QTest::newRow("into existing rows") << QPoint(1, 0) << "uno\t\t7\ndos\tn\t8\n" << false
        << "1:uno:~:7|2:dos:n:8|3:th\"ree:x\ny:3";
    QTest::newRow("past the end") << QPoint(0, 2) << "3\tdrei\n4\tvier\tv\t4\n5\tfuenf\n" << true
        << "1:one:a\tb:1|2:two:~:2|3:drei:x\ny:3|4:vier:v:4|5:fuenf:~:-1";
}

void TestForm3Hands::paste()
{
    QFETCH(QPoint, at);
    QFETCH(QString, text);
    QFETCH(bool, asked);
    QFETCH(QString, stored);
    open();
    go(at.y(), at.x());
    QGuiApplication::clipboard()->setText(text);
    m_h->services.messages.answers = {true};
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(calls().size(), asked ? 1 : 0);
    if (asked)
        QCOMPARE(calls().first().kind, Kind::Ask);
    QCOMPARE(rows(), stored);
    QVERIFY(!model().hasUnsavedRows());
    QCOMPARE(model().recordCount(), int(stored.count('|')) + 1);
}

// The second row breaks the CHECK: it stays unsaved with what was pasted,
// marked, while the rows around it are saved.
void TestForm3Hands::refusedPastedRowKeepsItsValues()
{
    open();
    go(0, 3);
    QGuiApplication::clipboard()->setText("10\n-5\n30\n");
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(rows(), QStringLiteral("1:one:a\tb:10|2:two:~:2|3:th\"ree:x\ny:30"));
    QCOMPARE(calls().size(), 1);
    QCOMPARE(calls().first().kind, Kind::Warn);
    QVERIFY2(calls().first().text.contains("Row 2"), qPrintable(calls().first().text));
    QCOMPARE(model().index(1, 3).data().toString(), QStringLiteral("-5"));
    QCOMPARE(model().headerData(1, Qt::Vertical).toString(), QStringLiteral("!"));
}

// NULL where the column allows it, an empty text in NAME (NOT NULL).
void TestForm3Hands::deleteClearsCells()
{
    open();
    select(0, 1, 1, 3);
    key(Qt::Key_Delete);
    go(2, 0);   // the current row is written when left
    QCOMPARE(rows(), QStringLiteral("1::~:-1|2::~:-1|3:th\"ree:x\ny:3"));
    QVERIFY(calls().isEmpty());
}

void TestForm3Hands::opensOnTheFirstRecord()
{
    open();
    QCOMPARE(grid().currentIndex(), model().index(0, 0));
}

// Enter writes the cell and the row it leaves; typing opens the editor.
void TestForm3Hands::enterCommitsAndMovesDown()
{
    open();
    go(0, 1);
    QTest::keyClick(&grid(), Qt::Key_N);
    QVERIFY(CellEditor(grid()));
    QTest::keyClicks(CellEditor(grid()), "eu");
    key(Qt::Key_Return);
    QCOMPARE(grid().currentIndex(), model().index(1, 1));
    QCOMPARE(ValueOf(*m_db, "SELECT NAME FROM C WHERE ID = 1"), QStringLiteral("neu"));
    // On the new-record line Enter commits the cell; the next one writes
    // the record and opens a fresh line.
    go(3, 0);
    TypeInCell(grid(), "9");
    key(Qt::Key_Return);
    go(3, 1);
    TypeInCell(grid(), "nine");
    key(Qt::Key_Return);
    QCOMPARE(ValueOf(*m_db, "SELECT NAME FROM C WHERE ID = 9"), QStringLiteral("<no row>"));
    key(Qt::Key_Return);
    QCOMPARE(ValueOf(*m_db, "SELECT NAME FROM C WHERE ID = 9"), QStringLiteral("nine"));
    QCOMPARE(grid().currentIndex(), model().index(4, 1));
    QVERIFY2(calls().isEmpty(), qPrintable(calls().value(0).text));
}

void TestForm3Hands::escRevertsTheCellThenTheRow()
{
    open();
    go(0, 1);
    TypeInCell(grid(), "a");
    grid().commitOpenEditor();
    go(0, 2);
    TypeInCell(grid(), "b");
    grid().commitOpenEditor();
    key(Qt::Key_Escape);
    QCOMPARE(model().index(0, 2).data().toString(), QStringLiteral("a\tb"));
    QCOMPARE(model().index(0, 1).data().toString(), QStringLiteral("a"));
    key(Qt::Key_Escape);
    QCOMPARE(model().index(0, 1).data().toString(), QStringLiteral("one"));
    QVERIFY(!model().hasUnsavedRows());
}

void TestForm3Hands::ctrlHomeAndEndGoToFirstAndLastRecord()
{
    open();
    go(1, 2);
    key(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(grid().currentIndex(), model().index(2, 2));
    key(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(grid().currentIndex(), model().index(0, 2));
}

void TestForm3Hands::refusedNewRecordShowsMark()
{
    open();
    go(3, 0);
    TypeInCell(grid(), "8");   // NAME is missing
    key(Qt::Key_Return);
    QVERIFY(calls().isEmpty());
    key(Qt::Key_Return);
    QCOMPARE(calls().size(), 1);
    QCOMPARE(model().headerData(3, Qt::Vertical).toString(), QStringLiteral("!"));
    QCOMPARE(model().index(3, 0).data().toString(), QStringLiteral("8"));
}

// No new-record line, cells greyed, a paste changes nothing.
void TestForm3Hands::joinViewIsReadOnly()
{
    QVERIFY(OpenAndFocus(*m_h, *m_db, "CJ"));
    QCOMPARE(model().rowCount(), 3);
    QCOMPARE(model().recordCount(), 3);
    QCOMPARE(ui::LookOf(model().index(0, 1)).background,
             std::optional<QColor>(ui::ReadOnlyCellColor));
    go(2, 1);
    QGuiApplication::clipboard()->setText("a\nb\n");
    key(Qt::Key_V, Qt::ControlModifier);
    QVERIFY(!model().hasUnsavedRows());
    QCOMPARE(model().rowCount(), 3);
    QVERIFY(calls().isEmpty());
}

QTEST_MAIN(TestForm3Hands)
#include "tst_form3_hands.moc"
