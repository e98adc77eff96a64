// Foreign keys: read from the catalogue, told in the heading's tooltip,
// their parent rows looked up page by page, and picked into the grid.

#include "app/files.h"
#include "db/grid/referencelookup.h"
#include "db/grid/tableschema.h"
#include "tests/support/referencetables.h"
#include "tests/tst_form_harness.h"
#include "ui/referencepicker.h"

#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>

using namespace formtest;
using testsupport::TempDatabase;

namespace {

QStringList Described(const QList<db::ForeignKey> &keys)
{
    QStringList texts;
    for (const db::ForeignKey &key : keys)
        texts << key.columns.join(",") + " " + db::ReferenceText(key);
    return texts;
}

QStringList Keys(const QList<db::ReferencedRow> &rows)
{
    QStringList keys;
    for (const db::ReferencedRow &row : rows)
        keys << row.key.join("/") + (row.label.isEmpty() ? "" : "=" + row.label);
    return keys;
}

} // namespace

class TestReferencePicker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void foreignKeysAreRead_data();
    void foreignKeysAreRead();
    void lookupReadsPageByPage_data();
    void lookupReadsPageByPage();
    void pickingFillsTheKey_data();
    void pickingFillsTheKey();
    void pickerStartsAtTheCellsKey_data();
    void pickerStartsAtTheCellsKey();
    void otherColumnsHaveNoPicker();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    ui::GridView &grid() { return *editor().grid(); }
    void go(const QString &table, int row, const QString &column);

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestReferencePicker::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
    m_db = std::make_unique<TempDatabase>();
    testsupport::CreateReferenceTables(*m_db, 120);
    m_db->release();
}

void TestReferencePicker::cleanupTestCase()
{
    m_db.reset();
}

void TestReferencePicker::cleanup()
{
    m_h.reset();
}

void TestReferencePicker::go(const QString &table, int row, const QString &column)
{
    if (!m_h)
        m_h = std::make_unique<Harness>();
    QVERIFY(OpenAndFocus(*m_h, *m_db, table));
    db::TableModel &model = *editor().tableModel();
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() == column)
            grid().setCurrentIndex(model.index(row, c));
    }
    QCOMPARE(model.headerData(grid().currentIndex().column(), Qt::Horizontal).toString(), column);
}

void TestReferencePicker::foreignKeysAreRead_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("one column") << "EMPLOYEE"
                                << QStringList{"DEPT_NO references DEPARTMENT (DEPT_NO)"};
    QTest::newRow("composite, and one more")
        << "ASSIGNMENT"
        << QStringList{"PROJ_ID,YEAR_NO references PROJECT (PROJ_ID, YEAR_NO)",
                       "EMP_NO references EMPLOYEE (EMP_NO)"};
    QTest::newRow("none") << "DEPARTMENT" << QStringList();
}

void TestReferencePicker::foreignKeysAreRead()
{
    QFETCH(QString, table);
    QFETCH(QStringList, keys);
    db::Attachment attachment = m_db->attach();
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    const db::TableSchema schema = db::LoadTableSchema(tx, table);
    QStringList got = Described(schema.foreignKeys);
    got.sort();
    keys.sort();
    QCOMPARE(got, keys);
    // The heading's tooltip of each referencing column says so.
    for (const db::ForeignKey &key : schema.foreignKeys) {
        for (const QString &column : key.columns) {
            const QString tip = db::ColumnDescription(column, schema.traits.value(column), -1,
                                                      0, false);
            QVERIFY2(tip.endsWith("\n" + db::ReferenceText(key)), qPrintable(tip));
        }
    }
}

void TestReferencePicker::lookupReadsPageByPage_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("first");   // the first page of 3
    QTest::addColumn<bool>("more");          // a second page follows
    QTest::newRow("everything, in key order")
        << "EMPLOYEE" << "" << QStringList{"D000=Dept 0", "D001=Dept 1", "D002=Dept 2"} << true;
    QTest::newRow("key starts with")
        << "EMPLOYEE" << "D11" << QStringList{"D110=Dept 110", "D111=Dept 111", "D112=Dept 112"}
        << true;
    QTest::newRow("label contains, any case")
        << "EMPLOYEE" << "dept 119" << QStringList{"D119=Dept 119"} << false;
    QTest::newRow("nothing matches") << "EMPLOYEE" << "zzz" << QStringList() << false;
    QTest::newRow("composite key")
        << "ASSIGNMENT" << "APOLL" << QStringList{"APOLL/2024=Apollo", "APOLL/2025=Apollo again"}
        << false;
}

void TestReferencePicker::lookupReadsPageByPage()
{
    QFETCH(QString, table);
    QFETCH(QString, search);
    QFETCH(QStringList, first);
    QFETCH(bool, more);
    db::Attachment attachment = m_db->attach();
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    const db::TableSchema schema = db::LoadTableSchema(tx, table);
    const db::ForeignKey *key = nullptr;
    for (const db::ForeignKey &candidate : schema.foreignKeys) {
        if (candidate.parent != "EMPLOYEE")
            key = &candidate;
    }
    QVERIFY(key);
    db::ReferenceLookup lookup(m_db->connectionString(), *key);
    QList<QList<db::ReferencedRow>> pages;
    QList<bool> ends;
    connect(&lookup, &db::ReferenceLookup::rowsArrived, this,
            [&](const QList<db::ReferencedRow> &rows, bool atEnd, const QStringList &) {
                pages << rows;
                ends << atEnd;
            });
    lookup.search("not this one", 3);   // replaced before it is read: never delivered
    lookup.search(search, 3);
    QVERIFY(QTest::qWaitFor([&] { return !pages.isEmpty(); }));
    QCOMPARE(Keys(pages.first()), first);
    QCOMPARE(ends.first(), !more);
    if (!more)
        return;
    lookup.fetchMore(3);
    QVERIFY(QTest::qWaitFor([&] { return pages.size() == 2; }));
    QCOMPARE(pages[1].size(), 3);
    QVERIFY(pages[1].first().key.first() > first.last().left(4));
}

// F4, Alt+Down or the button in the cell; the search narrows the list and
// Enter puts the key into the row, written when the row is left.
void TestReferencePicker::pickingFillsTheKey_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("counted");
    QTest::newRow("F4") << "EMPLOYEE" << "DEPT_NO" << "F4" << "Dept 42" << "D042" << "1 row";
    QTest::newRow("Alt+Down") << "EMPLOYEE" << "DEPT_NO" << "Alt+Down" << "D07" << "D070"
                              << "10 rows";
    QTest::newRow("button, composite key fills both cells")
        << "ASSIGNMENT" << "YEAR_NO" << "button" << "zeus" << "ZEUS /2025" << "1 row";
}

void TestReferencePicker::pickingFillsTheKey()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, how);
    QFETCH(QString, search);
    QFETCH(QString, stored);
    QFETCH(QString, counted);
    go(table, 0, column);
    ui::ReferencePicking &picking = *editor().referencePicking();
    QVERIFY(QTest::qWaitFor([&] { return picking.button()->isVisible(); }));
    if (how == "F4")
        QTest::keyClick(&grid(), Qt::Key_F4);
    else if (how == "Alt+Down")
        QTest::keyClick(&grid(), Qt::Key_Down, Qt::AltModifier);
    else
        picking.button()->click();
    ui::ReferencePicker *picker = picking.picker();
    QVERIFY(picker && picker->isVisible());
    QVERIFY(QTest::qWaitFor([&] { return picker->list()->topLevelItemCount() > 0; }));
    QVERIFY(picker->list()->topLevelItemCount() <= ui::ReferencePicker::PageRows);
    QTest::keyClicks(picker->searchBox(), search);
    QVERIFY(QTest::qWaitFor([&] {
        return picker->list()->topLevelItemCount() > 0
               && picker->list()->topLevelItem(0)->text(0).startsWith(stored.left(4));
    }));
    QCOMPARE(picker->findChild<QLabel *>("lblState")->text(), counted);
    QTest::keyClick(picker->searchBox(), Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return !picking.picker(); }));
    const int row = grid().currentIndex().row();
    QVERIFY(editor().tableModel()->isRowDirty(row));
    QVERIFY(grid().writeRow(row));
    const QString sql = table == "EMPLOYEE"
        ? "SELECT DEPT_NO FROM EMPLOYEE WHERE EMP_NO = 1"
        : "SELECT PROJ_ID || '/' || YEAR_NO FROM ASSIGNMENT WHERE ID = 1";
    QCOMPARE(ValueOf(*m_db, sql), stored);
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

// The list opens on the key the cell holds, typed or read, so that Enter
// keeps it; a NULL cell is offered the first row.
void TestReferencePicker::pickerStartsAtTheCellsKey_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("current");
    QTest::newRow("typed key") << "EMPLOYEE" << 0 << "DEPT_NO" << "DEPT_NO=D042" << "D042";
    QTest::newRow("NULL") << "EMPLOYEE" << 1 << "DEPT_NO" << "" << "D000";
    QTest::newRow("composite") << "ASSIGNMENT" << 0 << "YEAR_NO" << "PROJ_ID=APOLL;YEAR_NO=2025"
                               << "APOLL/2025";
}

void TestReferencePicker::pickerStartsAtTheCellsKey()
{
    QFETCH(QString, table);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QString, current);
    for (const QString &cell : typed.split(';', Qt::SkipEmptyParts)) {
        go(table, row, cell.section('=', 0, 0));
        grid().model()->setData(grid().currentIndex(), cell.section('=', 1), Qt::EditRole);
        QCOMPARE(grid().currentIndex().data().toString().trimmed(), cell.section('=', 1));
    }
    go(table, row, column);
    QVERIFY(editor().referencePicking()->open());
    ui::ReferencePicker *picker = editor().referencePicking()->picker();
    QVERIFY(QTest::qWaitFor([&] { return picker->list()->currentItem() != nullptr; }));
    const QStringList key = picker->list()->currentItem()->data(0, Qt::UserRole).toStringList();
    QCOMPARE(key.join("/").remove(' '), current);
    picker->close();
}

void TestReferencePicker::otherColumnsHaveNoPicker()
{
    go("EMPLOYEE", 0, "FULL_NAME");
    QTest::keyClick(&grid(), Qt::Key_F4);
    QVERIFY(!editor().referencePicking()->picker());
    QVERIFY(!editor().referencePicking()->button()->isVisible());
    QVERIFY(editor().tableModel()->headerData(2, Qt::Horizontal, Qt::ToolTipRole)
                .toString().endsWith("references DEPARTMENT (DEPT_NO)"));
}

QTEST_MAIN(TestReferencePicker)
#include "tst_referencepicker.moc"
