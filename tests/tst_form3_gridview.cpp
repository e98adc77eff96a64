#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "ui/form3.h"
#include "ui/gridtexts.h"
#include "ui/gridview.h"

#include <QAction>
#include <QHeaderView>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;
using db::TableModel;
using testsupport::TempDatabase;

// The editor's grid beyond editing cells: deleting rows, sorting on the
// server, fitting the columns, and the texts it asks and reports with.
class TestForm3GridView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void texts();
    void cappedColumnWidth_data();
    void cappedColumnWidth();

    void contextMenu();
    void deleteAsksFirst();
    void deleteReportsFailures();
    void deleteOnlyTheNewRecordLineAsksNothing();
    void selectAllThenDelete();
    void deleteCancelledFromItsProgress();
    void sortByHeaderClick();
    void sortRefusedWithUnsavedRows();
    void blobColumnsAreNotSorted_data();
    void blobColumnsAreNotSorted();
    void readOnlyWhileSorting();
    void columnsFitTheFirstScreen();
    void readFailuresAndNoticesAreShown();
    void helpNamesTheRealKeys();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    ui::GridView &grid() { return *editor().grid(); }
    TableModel &model() { return *editor().tableModel(); }
    QList<Call> &calls() { return m_h->services.messages.calls; }
    void open(const QString &table);
    void selectRows(const QList<int> &rows);
    void clickHeader(int column);
    QStringList column(int c);

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestForm3GridView::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
}

void TestForm3GridView::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10), "
                "QTY INTEGER CHECK (QTY >= 0), DOC BLOB SUB_TYPE TEXT)",
                "INSERT INTO T VALUES (1, 'b', 1, 'one')", "INSERT INTO T VALUES (2, 'c', 2, NULL)",
                "INSERT INTO T VALUES (3, 'a', 3, NULL)", "ALTER TABLE T ADD ARR INTEGER[2]",
                "CREATE TABLE CHILD (ID INTEGER NOT NULL PRIMARY KEY, "
                "T_ID INTEGER REFERENCES T (ID))",
                "INSERT INTO CHILD VALUES (10, 1)"});
    m_db->release();
    m_h = std::make_unique<Harness>();
}

void TestForm3GridView::cleanup()
{
    m_h.reset();
    m_db.reset();
}

void TestForm3GridView::open(const QString &table)
{
    QVERIFY(OpenAndFocus(*m_h, *m_db, table));
}

void TestForm3GridView::selectRows(const QList<int> &rows)
{
    grid().selectionModel()->setCurrentIndex(model().index(rows.first(), 0),
                                             QItemSelectionModel::ClearAndSelect);
    for (int row : rows)
        grid().selectionModel()->select(model().index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TestForm3GridView::clickHeader(int column)
{
    QHeaderView *header = grid().horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

QStringList TestForm3GridView::column(int c)
{
    QStringList values;
    for (int row = 0; row < model().recordCount(); ++row)
        values << model().index(row, c).data().toString();
    return values;
}

void TestForm3GridView::texts()
{
    QCOMPARE(ui::DiscardQuestion("Order Lines"),
             QStringLiteral("Discard the unsaved changes to Order Lines?"));
    QCOMPARE(ui::BackQuestion(2, "T"), QStringLiteral("2 rows of T could not be saved. Go back anyway?"));
    QCOMPARE(ui::QuitQuestion(3), QStringLiteral("3 rows could not be saved. Quit and discard them?"));
    QCOMPARE(ui::QuitQuestion(1), QStringLiteral("1 row could not be saved. Quit and discard it?"));
    QCOMPARE(ui::DeleteQuestion(1), QStringLiteral("Delete the selected row from the database?"));
    QCOMPARE(ui::DeleteQuestion(4), QStringLiteral("Delete the 4 selected rows from the database?"));
    QCOMPARE(ui::DeleteFailuresText({"Row 2: no"}),
             QStringLiteral("A row could not be deleted:\r\n\r\nRow 2: no"));
    QCOMPARE(ui::DeleteFailuresText({"Row 2: no", "Row 5: never"}),
             QStringLiteral("2 rows could not be deleted:\r\n\r\nRow 2: no\r\nRow 5: never"));
}

void TestForm3GridView::cappedColumnWidth_data()
{
    QTest::addColumn<int>("wanted");
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("width");
    QTest::newRow("narrow stays") << 60 << 1000 << 60;
    QTest::newRow("at the cap") << 400 << 1000 << 400;
    QTest::newRow("capped") << 900 << 1000 << 400;
    QTest::newRow("tiny view keeps a usable width") << 300 << 100 << 80;
    QTest::newRow("tiny view, narrow column") << 50 << 100 << 50;
}

void TestForm3GridView::cappedColumnWidth()
{
    QFETCH(int, wanted);
    QFETCH(int, view);
    QFETCH(int, width);
    QCOMPARE(ui::CappedColumnWidth(wanted, view), width);
}

void TestForm3GridView::contextMenu()
{
    QCOMPARE(grid().contextMenuPolicy(), Qt::ActionsContextMenu);
    QStringList items;
    for (QAction *action : grid().actions())
        items << action->text() + " [" + action->shortcut().toString() + "]";
    QCOMPARE(items, (QStringList{"Copy [Ctrl+C]", "Copy with Headings [Ctrl+Shift+C]",
                                 "Paste [Ctrl+V]", "Set to NULL [Ctrl+0]", "Delete Selected Rows [Ctrl+Del]",
                                 "Revert Row\tEsc []", "Open BLOB… [Shift+F2]",
                                 "Record View…\tShift+Enter []", " []",
                                 "Refresh [F5]",
                                 "Filter Line [Ctrl+Shift+F]",
                                 "Import Rows\u2026 [Ctrl+Shift+I]"}));
}

void TestForm3GridView::deleteAsksFirst()
{
    open("T");
    selectRows({1, 2});
    QTest::keyClick(&grid(), Qt::Key_Delete, Qt::ControlModifier);   // no answer is No
    QCOMPARE(calls().size(), 1);
    QCOMPARE(calls().first().kind, Kind::Ask);
    QCOMPARE(calls().first().title, app::ShortTitle());
    QCOMPARE(calls().first().text, ui::DeleteQuestion(2));
    QCOMPARE(model().recordCount(), 3);
    QCOMPARE(ValueOf(*m_db, "SELECT CAST(COUNT(*) AS VARCHAR(5)) FROM T"), QStringLiteral("3"));
    m_h->services.messages.answers = {true};
    QTest::keyClick(&grid(), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(calls().size(), 2);
    QCOMPARE(ValueOf(*m_db, "SELECT CAST(LIST(ID) AS VARCHAR(20)) FROM T"), QStringLiteral("1"));
    QCOMPARE(model().recordCount(), 1);
    QCOMPARE(column(1), QStringList{"b"});
}

void TestForm3GridView::deleteReportsFailures()
{
    open("T");
    selectRows({0, 2});
    m_h->services.messages.answers = {true};
    grid().deleteRowsAction()->trigger();
    QCOMPARE(calls().size(), 2);
    const Call &report = calls().at(1);
    QCOMPARE(report.kind, Kind::Warn);
    QVERIFY2(report.text.startsWith("A row could not be deleted:\r\n\r\nRow 1: "),
             qPrintable(report.text));
    QVERIFY2(report.text.contains("FOREIGN KEY"), qPrintable(report.text));
    QCOMPARE(ValueOf(*m_db, "SELECT CAST(LIST(ID) AS VARCHAR(20)) FROM T"), QStringLiteral("1,2"));
    QCOMPARE(column(0), (QStringList{"1", "2"}));
}

void TestForm3GridView::deleteOnlyTheNewRecordLineAsksNothing()
{
    open("T");
    selectRows({model().newRecordRow()});
    QTest::keyClick(&grid(), Qt::Key_Delete, Qt::ControlModifier);
    QVERIFY2(calls().isEmpty(), qPrintable(calls().value(0).text));
    QCOMPARE(model().recordCount(), 3);
}

// Select All is one range: every record is asked for and deleted but the
// one a child row holds on to, which is reported.
void TestForm3GridView::selectAllThenDelete()
{
    open("T");
    grid().selectAll();
    m_h->services.messages.answers = {true};
    grid().deleteRowsAction()->trigger();
    QCOMPARE(calls().size(), 2);
    QCOMPARE(calls().at(0).text, ui::DeleteQuestion(3));
    QVERIFY2(calls().at(1).text.startsWith("A row could not be deleted:\r\n\r\nRow 1: "),
             qPrintable(calls().at(1).text));
    QCOMPARE(ValueOf(*m_db, "SELECT CAST(LIST(ID) AS VARCHAR(20)) FROM T"), QStringLiteral("1"));
    QCOMPARE(column(0), QStringList{"1"});
}

// A long delete shows its progress; Cancel stops it between rows, and the
// rows deleted so far are gone from the grid and the table alike.
void TestForm3GridView::deleteCancelledFromItsProgress()
{
    m_db->exec({"CREATE TABLE BIG (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))",
                "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 30000) DO BEGIN "
                "INSERT INTO BIG VALUES (:I, 'v'); I = I + 1; END END"});
    m_db->release();
    open("BIG");
    QTRY_VERIFY_WITH_TIMEOUT(model().countKnown(), 20000);
    grid().selectAll();
    m_h->services.messages.answers = {true};
    bool shown = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        auto *progress = editor().findChild<QProgressDialog *>();
        if (progress && !shown)
            progress->findChild<QPushButton *>()->click();
        shown = shown || progress;
    });
    watch.start(20);
    grid().deleteRowsAction()->trigger();
    if (!shown)
        QSKIP("the delete was over before its progress showed");
    const int left = ValueOf(*m_db, "SELECT CAST(COUNT(*) AS VARCHAR(9)) FROM BIG").toInt();
    QVERIFY2(left > 0 && left < 30000, qPrintable(QString::number(left)));
    QCOMPARE(model().recordCount(), left);
    QCOMPARE(calls().size(), 1);   // the question; a cancel is no failure
}

void TestForm3GridView::sortByHeaderClick()
{
    open("T");
    QHeaderView *header = grid().horizontalHeader();
    QVERIFY(!grid().isSortingEnabled());
    QCOMPARE(header->sortIndicatorSection(), -1);   // opened in table order
    QCOMPARE(column(1), (QStringList{"b", "c", "a"}));
    clickHeader(1);
    QCOMPARE(editor().MousePointer(), 11);
    QTRY_COMPARE(editor().MousePointer(), 0);
    QCOMPARE(column(1), (QStringList{"a", "b", "c"}));
    QCOMPARE(header->sortIndicatorSection(), 1);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    clickHeader(1);
    QCOMPARE(editor().MousePointer(), 11);
    QTRY_COMPARE(editor().MousePointer(), 0);
    QCOMPARE(column(1), (QStringList{"c", "b", "a"}));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    clickHeader(2);
    QTRY_COMPARE(editor().MousePointer(), 0);
    QCOMPARE(column(2), (QStringList{"1", "2", "3"}));
    QCOMPARE(header->sortIndicatorSection(), 2);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QVERIFY(calls().isEmpty());
    // Another table starts unsorted.
    editor().findChild<QPushButton *>("PushButton1")->click();
    open("CHILD");
    QCOMPARE(header->sortIndicatorSection(), -1);
}

void TestForm3GridView::sortRefusedWithUnsavedRows()
{
    open("T");
    QVERIFY(model().setData(model().index(0, 2), "-1"));   // fails when written
    clickHeader(1);
    QCOMPARE(editor().MousePointer(), 0);
    QCOMPARE(calls().size(), 1);
    QCOMPARE(calls().first().kind, Kind::Inform);
    QCOMPARE(calls().first().text, QStringLiteral("Save or revert the unsaved rows before sorting."));
    QCOMPARE(grid().horizontalHeader()->sortIndicatorSection(), -1);
    QCOMPARE(column(1), (QStringList{"b", "c", "a"}));
}

void TestForm3GridView::blobColumnsAreNotSorted_data()
{
    QTest::addColumn<int>("column");
    QTest::newRow("BLOB") << 3;
    QTest::newRow("ARRAY: refused here, not by the server") << 4;
}

void TestForm3GridView::blobColumnsAreNotSorted()
{
    open("T");
    QFETCH(int, column);
    clickHeader(column);
    QCOMPARE(calls().size(), 1);
    QCOMPARE(calls().first().kind, Kind::Inform);
    QCOMPARE(calls().first().title, app::ShortTitle());
    QCOMPARE(calls().first().text, QStringLiteral("BLOB and ARRAY columns cannot be sorted."));
    QCOMPARE(grid().horizontalHeader()->sortIndicatorSection(), -1);
}

void TestForm3GridView::readOnlyWhileSorting()
{
    open("T");
    grid().setCurrentIndex(model().index(0, 1));
    clickHeader(2);
    QVERIFY(grid().isReadOnly());
    QVERIFY(!grid().setNullAction()->isEnabled());
    QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
    grid().edit(grid().currentIndex());
    QVERIFY(!grid().indexWidget(grid().currentIndex()));
    QTRY_VERIFY(!grid().isReadOnly());
    QVERIFY(grid().setNullAction()->isEnabled());
    grid().setCurrentIndex(model().index(0, 1));
    grid().edit(grid().currentIndex());
    QVERIFY(grid().indexWidget(grid().currentIndex()));
}

void TestForm3GridView::columnsFitTheFirstScreen()
{
    m_db->exec({"CREATE TABLE W (ID INTEGER NOT NULL PRIMARY KEY, SHORT VARCHAR(10), "
                "WIDE VARCHAR(2000), LATER VARCHAR(500))",
                "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 300) DO BEGIN "
                "INSERT INTO W VALUES (:I, 'ab', 'w', 'l'); I = I + 1; END END",
                "UPDATE W SET WIDE = LPAD('', 1500, 'w') WHERE ID = 0",
                "UPDATE W SET LATER = LPAD('', 400, 'l') WHERE ID = 250"});
    m_db->release();
    open("W");
    // Capped at 40% of the view as it was when the rows came: never wider
    // than the whole grid allows, never narrower than today's viewport.
    const int view = grid().viewport()->width();
    QVERIFY(grid().columnWidth(2) >= ui::CappedColumnWidth(1 << 20, view));
    QVERIFY2(grid().columnWidth(2) <= ui::CappedColumnWidth(1 << 20, grid().width()),
             qPrintable(QString::number(grid().columnWidth(2))));
    QVERIFY(grid().columnWidth(1) < 100);                 // "ab" under a short heading
    QVERIFY(grid().columnWidth(1) >= grid().horizontalHeader()->sectionSizeHint(1));
    // Row 251 is off the screen: its 400 characters were not measured.
    QVERIFY2(grid().columnWidth(3) < 100, qPrintable(QString::number(grid().columnWidth(3))));
}

void TestForm3GridView::readFailuresAndNoticesAreShown()
{
    open("T");
    emit model().readFailed(QStringLiteral("connection lost"));
    emit model().notice(QStringLiteral("just so you know"));
    QCOMPARE(calls().size(), 2);
    QCOMPARE(calls().at(0).kind, Kind::Warn);
    QCOMPARE(calls().at(0).title, app::ShortTitle());
    QCOMPARE(calls().at(0).text, QStringLiteral("connection lost"));
    QCOMPARE(calls().at(1).kind, Kind::Inform);
    QCOMPARE(calls().at(1).text, QStringLiteral("just so you know"));
}

void TestForm3GridView::helpNamesTheRealKeys()
{
    const QString text = app::EditorHelpText();
    for (const char *key : {"Ctrl+0", "Ctrl+Delete", "Esc", "\"*\"", "\"!\"", "grey",
                            "Set to NULL", "Delete Selected Rows", "leave"})
        QVERIFY2(text.contains(QString::fromUtf8(key)), key);
    QVERIFY(!text.contains("<NULL>"));
    QVERIFY(!text.contains("duplicate rows"));
}

QTEST_MAIN(TestForm3GridView)
#include "tst_form3_gridview.moc"
