#include "app/files.h"
#include "ui/frmnewtable.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QTreeWidget>

#include "tst_schemadialog_harness.h"

using namespace formtest;
using testsupport::TempDatabase;

Q_DECLARE_METATYPE(formtest::ColumnInput)

namespace {

// The field list's rows by name, as shown.
QStringList RowNames(const QTreeWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0);
    return names;
}

} // namespace

// The new-table dialog against a real database: collecting, deleting and
// saving field rows, and the chooser's "New Table" around it.
class TestFrmNewTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR")); }
    void init();
    void cleanup();

    void shell();
    void save_data();
    void save();
    void cancelAndCloseExecuteNothing_data();
    void cancelAndCloseExecuteNothing();
    void chooserCreatesAndEditsTable();

private:
    std::unique_ptr<ui::frmNewTable> newDialog();
    void addRow(ui::frmNewTable &dialog, const ColumnInput &row);

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestFrmNewTable::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec("CREATE TABLE T (A INTEGER)");
    m_db->release();
    m_h = std::make_unique<Harness>();
    TypeProfile(*m_h, *m_db);
}

void TestFrmNewTable::cleanup()
{
    m_h.reset();
    m_db.reset();
}

std::unique_ptr<ui::frmNewTable> TestFrmNewTable::newDialog()
{
    auto dialog = std::make_unique<ui::frmNewTable>(m_h->windows, nullptr);
    dialog->Form_Load();
    dialog->show();
    return dialog;
}

// "Add" opens the new-column dialog in list mode over this one.
void TestFrmNewTable::addRow(ui::frmNewTable &dialog, const ColumnInput &row)
{
    WhenShown<ui::frmNewColumn>(&dialog, [row](ui::frmNewColumn &column) {
        Fill(column, row);
        column.findChild<QPushButton *>("PushButton1")->click();
    });
    dialog.findChild<QPushButton *>("PushButton4")->click();
}

void TestFrmNewTable::shell()
{
    auto dialog = newDialog();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Add New Table"));
    QCOMPARE(dialog->size(), QSize(536, 297));
    QCOMPARE(dialog->findChild<QGroupBox *>("Frame1")->title(), QStringLiteral("Field(s)"));
    QCOMPARE(dialog->findChild<QGroupBox *>("Frame2")->title(), QStringLiteral("Table Name"));
    QTreeWidget *list = dialog->ListView1();
    QCOMPARE(list->geometry(), QRect(16, 20, 488, 121));
    QStringList headers;
    QList<int> widths;
    for (int column = 0; column < list->columnCount(); ++column) {
        headers << list->headerItem()->text(column);
        widths << list->columnWidth(column);
    }
    QCOMPARE(headers, (QStringList{"Field Name", "Data Type", "Precision", "Autoincrement"}));
    QCOMPARE(widths, (QList<int>{100, 100, 67, 100}));
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(dialog->txtName()->text().isEmpty());
    const QList<QPair<const char *, QString>> buttons = {
        {"PushButton4", "Add"}, {"PushButton1", "Delete Selected"}, {"PushButton2", "Save"},
        {"PushButton3", "Cancel"}};
    for (const auto &[name, caption] : buttons)
        QCOMPARE(dialog->findChild<QPushButton *>(name)->text(), caption);
    QCOMPARE(TabOrder(dialog->findChild<QPushButton *>("PushButton4"), 6),
             (QStringList{"PushButton4", "PushButton1", "PushButton2", "PushButton3", "ListView1",
                          "txtName"}));
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

void TestFrmNewTable::save_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<ColumnInput>>("rows");
    QTest::addColumn<int>("deleted");          // row selected for "Delete Selected"; -1 none, -2 no click
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QString>("columns");     // of the new table; empty: dialog kept
    const QList<ColumnInput> abc = {{"A", "INTEGER"}, {"B", "DATE"}, {"C", "SMALLINT"}};
    QTest::newRow("id and varchar") << "PEOPLE"
        << QList<ColumnInput>{{"ID", "INTEGER", "", "", true}, {"NAME", "VARCHAR", "40"}} << -2
        << QStringList{} << "ID|NAME";
    QTest::newRow("delete selected") << "N" << abc << 1 << QStringList{} << "A|C";
    QTest::newRow("delete, none selected") << "N" << abc << -1 << QStringList{} << "A|B|C";
    QTest::newRow("odd name") << " Größe \"x\"" << abc << -2 << QStringList{} << "A|B|C";
    QTest::newRow("empty name") << "" << abc << -2 << QStringList{} << "";
    QTest::newRow("no rows") << "N" << QList<ColumnInput>{} << -2 << QStringList{} << "";
    QTest::newRow("delete on empty list") << "N" << QList<ColumnInput>{} << -1 << QStringList{} << "";
    QTest::newRow("table exists") << "T" << abc << -2 << QStringList{"report 124"} << "";
    QTest::newRow("name of 32 bytes") << QString(32, 'N') << abc << -2
                                      << QStringList{"report 124"} << "";
    QTest::newRow("same field twice") << "N" << QList<ColumnInput>{{"A", "DATE"}, {"A", "DATE"}}
                                      << -2 << QStringList{"report 124"} << "";
}

void TestFrmNewTable::save()
{
    QFETCH(QString, name);
    QFETCH(QList<ColumnInput>, rows);
    QFETCH(int, deleted);
    QFETCH(QStringList, said);
    QFETCH(QString, columns);
    auto dialog = newDialog();
    dialog->txtName()->setText(name);
    for (const ColumnInput &row : rows)
        addRow(*dialog, row);
    QTreeWidget *list = dialog->ListView1();
    QCOMPARE(list->topLevelItemCount(), rows.size());
    list->clearSelection();
    if (deleted >= 0)
        list->topLevelItem(deleted)->setSelected(true);
    if (deleted != -2)
        dialog->findChild<QPushButton *>("PushButton1")->click();
    const QStringList kept = RowNames(list);
    dialog->findChild<QPushButton *>("PushButton2")->click();
    QCOMPARE(Said(m_h->services.messages.calls), said);
    CheckReports(m_h->services.messages.calls);
    QCOMPARE(dialog->isVisible(), columns.isEmpty());
    QCOMPARE(dialog->MousePointer(), 0);
    if (columns.isEmpty()) {   // the dialog keeps what the user put in it
        QCOMPARE(dialog->txtName()->text(), name);
        QCOMPARE(RowNames(list), kept);
        return;
    }
    QCOMPARE(Columns(*m_db, name), columns);
}

void TestFrmNewTable::cancelAndCloseExecuteNothing_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

// Nothing is executed, and the next opening through the chooser is empty.
void TestFrmNewTable::cancelAndCloseExecuteNothing()
{
    QFETCH(bool, closeBox);
    auto dialog = newDialog();
    dialog->txtName()->setText("N");
    addRow(*dialog, {"A", "INTEGER"});
    if (closeBox)
        dialog->close();
    else
        dialog->findChild<QPushButton *>("PushButton3")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(Columns(*m_db, "N"), QStringLiteral("<null>"));   // no such table
    ui::Form2 &chooser = m_h->windows.form2();
    int rowsSeen = -1;
    QString nameSeen = "<not shown>";
    WhenShown<ui::frmNewTable>(&chooser, [&](ui::frmNewTable &next) {
        rowsSeen = next.ListView1()->topLevelItemCount();
        nameSeen = next.txtName()->text();
        next.findChild<QPushButton *>("PushButton3")->click();
    });
    ui::ShowNewTableDialog(m_h->windows, &chooser);
    QCOMPARE(rowsSeen, 0);
    QCOMPARE(nameSeen, QString());
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

// The chooser's "New Table" with the real dialog: the chooser lists the new
// table, and the editor fills in the identity of a row typed into it.
void TestFrmNewTable::chooserCreatesAndEditsTable()
{
    m_h->windows.showNewTableDialog = [this](QWidget *parent) {
        ui::ShowNewTableDialog(m_h->windows, parent);
    };
    ui::Form2 &chooser = m_h->windows.form2();
    chooser.show();
    WhenShown<ui::frmNewTable>(&chooser, [this](ui::frmNewTable &dialog) {
        dialog.txtName()->setText("PEOPLE");
        addRow(dialog, {"ID", "INTEGER", "", "", true});
        addRow(dialog, {"NAME", "VARCHAR", "40"});
        dialog.findChild<QPushButton *>("PushButton2")->click();
    });
    chooser.findChild<QPushButton *>("PushButton1")->click();
    QCOMPARE(chooser.List1()->findItems("PEOPLE", Qt::MatchExactly).size(), 1);
    m_db->exec("INSERT INTO PEOPLE (NAME) VALUES ('first')");
    m_db->release();
    QVERIFY(OpenAndFocus(*m_h, *m_db, "PEOPLE"));
    ui::GridView &grid = *m_h->windows.form3().grid();
    db::TableModel &model = *m_h->windows.form3().tableModel();
    m_h->windows.form3().findChild<QPushButton *>("PushButton8")->click();
    PressKey(grid, Qt::Key_Right);
    TypeInCell(grid, "Ann");
    PressKey(grid, Qt::Key_Return);
    PressKey(grid, Qt::Key_Up);
    QCOMPARE(ValueOf(*m_db, "SELECT CAST(ID AS VARCHAR(5)) FROM PEOPLE WHERE NAME = 'Ann'"),
             QStringLiteral("2"));
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("2"));
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

QTEST_MAIN(TestFrmNewTable)
#include "tst_frmnewtable.moc"
