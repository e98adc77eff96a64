#include "app/files.h"
#include "db/grid/tablemodel.h"
#include "ui/form3.h"
#include "ui/filterline.h"
#include "ui/gridview.h"
#include "ui/statusline.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;
using db::TableModel;
using testsupport::TempDatabase;

Q_DECLARE_METATYPE(ui::StatusFacts)

// The editor's grid as a whole table: reading it again, the status line
// under it, what the headings tell, and the filter line.
class TestForm3Table : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void refreshKeepsUnsavedRowsAndTheCell();
    void statusTexts_data();
    void statusTexts();
    void statusLineFollowsTheCursor();
    void headingsTellTheColumn();
    void filterLineInUse();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    ui::GridView &grid() { return *editor().grid(); }
    TableModel &model() { return *editor().tableModel(); }
    QList<Call> &calls() { return m_h->services.messages.calls; }
    void open() { QVERIFY(OpenAndFocus(*m_h, *m_db, "C")); }
    void go(int row, int column) { grid().setCurrentIndex(model().index(row, column)); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { PressKey(grid(), key, modifiers); }
    // The grid's values of a column, top to bottom, records only.
    QStringList column(int c);
    bool settled() { return QTest::qWaitFor([this] { return !model().isBusy(); }, 10000); }
    QString status() { return editor().statusLine()->text(); }
    ui::FilterHeader &header() { return *grid().filterHeader(); }
    // Under offscreen too, a picture to look at (kept out of the sources).
    void shoot(QWidget *widget, const QString &name);

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestForm3Table::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
}

void TestForm3Table::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE C (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20) NOT NULL, "
                "NOTE VARCHAR(20) DEFAULT 'none', QTY INTEGER CHECK (QTY >= 0), "
                "TWICE COMPUTED BY (QTY * 2), BORN DATE)",
                "INSERT INTO C VALUES (1, 'one', 'it''s 100%', 1, '2001-01-01')",
                "INSERT INTO C VALUES (2, 'two', NULL, 2, '2002-02-02')",
                "INSERT INTO C VALUES (3, 'Three', '100 percent', 3, NULL)",
                "INSERT INTO C VALUES (4, 'four', 'x_y', NULL, '2004-04-04')"});
    m_db->release();
    m_h = std::make_unique<Harness>();
}

void TestForm3Table::cleanup()
{
    m_h.reset();
    m_db.reset();
}

QStringList TestForm3Table::column(int c)
{
    QStringList values;
    for (int row = 0; row < model().recordCount(); ++row)
        values << model().index(row, c).data().toString();
    return values;
}

// Rows added and changed elsewhere show up; a row being edited and a row
// the database refused keep their values, found by key after the order
// moved them; the cursor stays on its cell.
void TestForm3Table::refreshKeepsUnsavedRowsAndTheCell()
{
    open();
    grid().sortBy(0, Qt::DescendingOrder);
    QVERIFY(settled());
    QCOMPARE(column(0), QStringList({"4", "3", "2", "1"}));
    QVERIFY(model().setData(model().index(2, 3), "-5"));   // ID 2: refused by the CHECK
    QVERIFY(!model().submitRow(2));
    go(3, 1);                                               // ID 1, being edited
    QVERIFY(model().setData(model().index(3, 1), "uno"));
    m_db->exec({"INSERT INTO C (ID, NAME) VALUES (5, 'five')",
                "UPDATE C SET NOTE = 'changed' WHERE ID = 3"});
    key(Qt::Key_F5);
    QVERIFY(settled());
    QVERIFY(QTest::qWaitFor([this] { return grid().currentIndex().row() == 4; }));
    QCOMPARE(column(0), QStringList({"5", "4", "3", "2", "1"}));
    QCOMPARE(column(2).at(2), QStringLiteral("changed"));
    QCOMPARE(grid().currentIndex().column(), 1);
    QCOMPARE(column(1).at(4), QStringLiteral("uno"));
    QVERIFY(model().isRowDirty(4));
    QCOMPARE(model().headerData(3, Qt::Vertical).toString(), QStringLiteral("!"));
    QCOMPARE(column(3).at(3), QStringLiteral("-5"));
    QCOMPARE(grid().sortColumn(), 0);
    QVERIFY(calls().isEmpty());
}

void TestForm3Table::shoot(QWidget *widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("GRAVELIN_SHOTS");
    if (!folder.isEmpty() && QDir().mkpath(folder))
        widget->grab().save(folder + "/" + name + ".png");
}

void TestForm3Table::statusTexts_data()
{
    QTest::addColumn<ui::StatusFacts>("facts");
    QTest::addColumn<QString>("text");
    QTest::newRow("counting") << ui::StatusFacts{false, 0, {}, -1, false, false, {}}
                              << "counting…";
    QTest::newRow("one record, clean row")
        << ui::StatusFacts{true, 1, {}, 0, false, false, {}} << "1 record  ·  row 1";
    QTest::newRow("filtered, changed row")
        << ui::StatusFacts{true, 12, "QTY > 4", 4, false, true, {}}
        << "12 records  ·  filter: QTY > 4  ·  row 5: changed, not saved";
    QTest::newRow("refused new record")
        << ui::StatusFacts{true, 3, {}, 3, true, true, "NAME may not be empty (NULL).\ndetail"}
        << "3 records  ·  new record: could not be saved: NAME may not be empty (NULL).";
}

void TestForm3Table::statusTexts()
{
    QFETCH(ui::StatusFacts, facts);
    QFETCH(QString, text);
    QCOMPARE(ui::StatusText(facts), text);
}

void TestForm3Table::statusLineFollowsTheCursor()
{
    open();
    QVERIFY(QTest::qWaitFor([this] { return model().countKnown(); }));
    QCOMPARE(status(), QStringLiteral("4 records  ·  row 1"));
    go(1, 3);
    QVERIFY(model().setData(model().index(1, 3), "-1"));
    QCOMPARE(status(), QStringLiteral("4 records  ·  row 2: changed, not saved"));
    QVERIFY(!model().submitRow(1));
    QVERIFY2(status().startsWith("4 records  ·  row 2: could not be saved: "), qPrintable(status()));
    model().revertRow(1);
    go(4, 0);
    QCOMPARE(status(), QStringLiteral("4 records  ·  new record"));
    QVERIFY(calls().isEmpty());
    editor().show();
    shoot(&editor(), "status-line");
}

// The tooltip in the schema dialogs' words; the key column is marked.
void TestForm3Table::headingsTellTheColumn()
{
    open();
    const auto tip = [this](int c) { return model().headerData(c, Qt::Horizontal, Qt::ToolTipRole); };
    QCOMPARE(tip(0).toString(), QStringLiteral("ID\nINTEGER\nNOT NULL\nPrimary key"));
    QCOMPARE(tip(2).toString(),
             QStringLiteral("NOTE\nVARCHAR (20), character set UTF8\nNULL allowed\nDefault: 'none'"));
    QCOMPARE(tip(4).toString(), QStringLiteral("TWICE\nBIGINT\nNULL allowed\n"
                                               "Computed by (QTY * 2): read-only"));
    QVERIFY(model().headerData(0, Qt::Horizontal, TableModel::KeyColumnRole).toBool());
    QVERIFY(!model().headerData(1, Qt::Horizontal, TableModel::KeyColumnRole).toBool());
    QCOMPARE(model().headerData(0, Qt::Horizontal).toString(), QStringLiteral("ID"));
    // The mark makes the fitted key column wider than its name alone.
    QVERIFY(header().sectionSize(0) >= header().fontMetrics().horizontalAdvance(ui::KeyMark + "ID"));
    editor().show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor()));
    const QPoint at(header().sectionViewportPosition(2) + 5, 5);
    QHelpEvent help(QEvent::ToolTip, at, header().viewport()->mapToGlobal(at));
    QApplication::sendEvent(header().viewport(), &help);
    QVERIFY(QTest::qWaitFor([] { return QToolTip::isVisible(); }));
    QCOMPARE(QToolTip::text(), tip(2).toString());
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->inherits("QTipLabel"))
            shoot(top, "heading-tooltip");
    }
    shoot(&editor(), "heading-key-mark");
}

// Ctrl+Shift+F shows the boxes under their columns; Enter reads the rows
// that match, and the count, the status line and an export follow; a
// text that cannot be read is said and reads nothing; Esc empties a box.
void TestForm3Table::filterLineInUse()
{
    open();
    editor().show();
    QVERIFY(QTest::qWaitForWindowActive(&editor()));
    grid().setFocus();
    go(0, 2);
    QTest::keyClick(&grid(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(header().isFilterVisible());
    QLineEdit *note = header().box(2);
    QVERIFY(note->isVisible() && note->hasFocus());
    grid().setColumnWidth(2, 150);
    QCOMPARE(note->geometry().left(), header().sectionViewportPosition(2));
    QCOMPARE(note->width(), 150);
    QCOMPARE(note->geometry().bottom(), header().height() - 1);
    grid().setColumnWidth(1, 2000);   // wider than the window: it scrolls
    QVERIFY(QTest::qWaitFor([this] { return grid().horizontalScrollBar()->maximum() > 0; }));
    grid().horizontalScrollBar()->setValue(1);
    QVERIFY(header().offset() > 0);
    QCOMPARE(note->geometry().left(), header().sectionViewportPosition(2));
    grid().horizontalScrollBar()->setValue(0);
    grid().setColumnWidth(1, 60);

    QTest::keyClicks(note, "it's 100%");
    QTest::keyClick(note, Qt::Key_Return);
    QVERIFY(settled());
    model().fetchAll();
    QVERIFY(QTest::qWaitFor([this] { return model().countKnown() && model().allRowsFetched(); }));
    QCOMPARE(column(0), QStringList({"1"}));   // not "100 percent"
    QCOMPARE(status(), QStringLiteral("1 record  ·  filter: NOTE contains \"it's 100%\"  ·  row 1"));
    shoot(&editor(), "filter-line");

    QTemporaryDir dir;
    const QString path = dir.filePath("c.txt");
    m_h->services.files.answers = {path};
    editor().mnuSaveAs()->findChild<QAction *>("mnuTXT")->trigger();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("ID\tNAME\tNOTE\tQTY\tTWICE\tBORN\t\r\n"
                                        "1\tone\tit's 100%\t1\t2\t2001-01-01\t\r\n"));

    QLineEdit *qty = header().box(3);
    QTest::keyClicks(qty, "abc");
    QTest::keyClick(qty, Qt::Key_Return);
    QVERIFY(!model().isBusy());
    QCOMPARE(calls().size(), 1);
    QCOMPARE(calls()[0].text, QStringLiteral("Filter on QTY: \"abc\" cannot be read: Not a number."));
    qty->clear();

    QTest::keyClick(note, Qt::Key_Escape);
    QVERIFY(note->text().isEmpty());
    QVERIFY(settled());
    QVERIFY(QTest::qWaitFor([this] { return model().recordCount() == 4; }));
    QVERIFY(model().filterText().isEmpty());
    QTest::keyClick(note, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!header().isFilterVisible() && !note->isVisible());
}

QTEST_MAIN(TestForm3Table)
#include "tst_form3_table.moc"
