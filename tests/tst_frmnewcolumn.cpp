#include "app/files.h"
#include "ui/frmnewtable.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include "tst_schemadialog_harness.h"

using namespace formtest;
using testsupport::TempDatabase;

Q_DECLARE_METATYPE(formtest::ColumnInput)

// The new-column dialog in both modes, and the editor's "Add New Column"
// around it, against a real database.
class TestFrmNewColumn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR")); }
    void init();
    void cleanup();

    void shell();
    void tableMode_data();
    void tableMode();
    void listMode_data();
    void listMode();
    void sizeBoxesFollowTheType_data();
    void sizeBoxesFollowTheType();
    void closeBoxExecutesNothing();
    void heldTableFailsInTime();
    void editorAddsColumn_data();
    void editorAddsColumn();

private:
    std::unique_ptr<ui::frmNewColumn> newDialog(const char *callingform);

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestFrmNewColumn::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE T (A INTEGER, NAME VARCHAR(20))", "INSERT INTO T VALUES (1, 'one')",
                "INSERT INTO T VALUES (2, 'two')", "CREATE TABLE E (NAME VARCHAR(20))"});
    m_db->release();
    m_h = std::make_unique<Harness>();
    TypeProfile(*m_h, *m_db);
    m_h->windows.currentTable = QStringLiteral("T");
}

void TestFrmNewColumn::cleanup()
{
    m_h.reset();
    m_db.reset();
}

std::unique_ptr<ui::frmNewColumn> TestFrmNewColumn::newDialog(const char *callingform)
{
    auto dialog = std::make_unique<ui::frmNewColumn>(m_h->windows, nullptr);
    dialog->callingform = QString::fromLatin1(callingform);
    dialog->Form_Load();
    dialog->show();
    return dialog;
}

void TestFrmNewColumn::shell()
{
    auto dialog = newDialog("Form3");
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Add a New Column"));
    QCOMPARE(dialog->size(), QSize(536, 178));
    QCOMPARE(dialog->txtName()->geometry(), QRect(72, 8, 456, 22));
    QCOMPARE(dialog->txtD()->geometry(), QRect(336, 64, 192, 22));
    QCOMPARE(dialog->findChild<QPushButton *>("PushButton1")->geometry(), QRect(8, 144, 520, 27));
    QCOMPARE(dialog->chkAutoInc()->text(), QStringLiteral("Auto Increment"));
    QVERIFY(!dialog->chkAutoInc()->isChecked());
    for (const auto &[name, caption] : {std::pair{"Label2", "Data Type:"}, {"Label1", "M:"},
                                       {"Label3", "Default:"}, {"Label4", "D:"}, {"Label5", "Name:"}})
        QCOMPARE(dialog->findChild<QLabel *>(name)->text(), QString::fromLatin1(caption));
    QStringList entries;
    for (int i = 0; i < dialog->cboDataType()->count(); ++i)
        entries << dialog->cboDataType()->itemText(i);
    QCOMPARE(entries, db::sql::DataTypeEntries());
    QCOMPARE(dialog->cboDataType()->currentIndex(), 0);
    QVERIFY(dialog->txtDefault()->toolTip().contains("'abc'"));
    QCOMPARE(TabOrder(dialog->txtName(), 7),
             (QStringList{"txtName", "cboDataType", "txtM", "txtD", "txtDefault", "chkAutoInc",
                          "PushButton1"}));
    QCOMPARE(dialog->MousePointer(), 0);
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

void TestFrmNewColumn::tableMode_data()
{
    QTest::addColumn<ColumnInput>("input");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("columns");
    const QString before = "A|NAME";
    QTest::newRow("with a default") << ColumnInput{"NOTE", "VARCHAR", "10", "", false, "'abc'"}
        << QStringList{"Column added."} << true << before + "|NOTE DEFAULT 'abc'";
    QTest::newRow("odd name") << ColumnInput{" Größe \"x\"", "DATE", "", "", false, ""}
        << QStringList{"Column added."} << true << before + "| Größe \"x\"";
    QTest::newRow("default refused") << ColumnInput{"N2", "INTEGER", "", "", false, "abc"}
        << QStringList{"report 126", "Column added, without its default value."} << true
        << before + "|N2";
    QTest::newRow("column refused") << ColumnInput{"A", "INTEGER", "", "", false, ""}
        << QStringList{"report 120"} << false << before;
    QTest::newRow("identity on a table with rows") << ColumnInput{"ID", "INT64", "", "", true, ""}
        << QStringList{"report 120"} << false << before;
    QTest::newRow("name of 32 bytes") << ColumnInput{QString(32, 'N'), "INTEGER", "", "", false, ""}
        << QStringList{"report 120"} << false << before;
    QTest::newRow("VARCHAR without M") << ColumnInput{"V", "VARCHAR", "", "", false, ""}
        << QStringList{"VARCHAR needs a length: type it in M, for example 40."} << false << before;
    QTest::newRow("blank name") << ColumnInput{"   ", "INTEGER", "", "", false, ""}
        << QStringList{} << false << before;
}

void TestFrmNewColumn::tableMode()
{
    QFETCH(ColumnInput, input);
    QFETCH(QStringList, said);
    QFETCH(bool, closed);
    QFETCH(QString, columns);
    auto dialog = newDialog("Form3");
    Fill(*dialog, input);
    dialog->findChild<QPushButton *>("PushButton1")->click();
    QCOMPARE(Said(m_h->services.messages.calls), said);
    CheckReports(m_h->services.messages.calls);
    QCOMPARE(!dialog->isVisible(), closed);
    QCOMPARE(dialog->MousePointer(), 0);
    QCOMPARE(dialog->txtName()->text(), input.name);   // what was typed is still there
    QCOMPARE(dialog->txtDefault()->text(), input.defaultValue);
    dialog.reset();
    QCOMPARE(Columns(*m_db, "T"), columns);
}

void TestFrmNewColumn::listMode_data()
{
    QTest::addColumn<ColumnInput>("input");
    QTest::addColumn<QStringList>("cells");   // empty: no row, a message instead
    QTest::newRow("blanks, autoincrement") << ColumnInput{" a b ", "INT64", "", "", true, ""}
        << QStringList{" a b ", "INT64", "", "GENERATED BY DEFAULT AS IDENTITY"};
    QTest::newRow("M and D") << ColumnInput{"P", "DECIMAL", "10", "2", false, ""}
        << QStringList{"P", "DECIMAL", "(10, 2)", ""};
    QTest::newRow("M blank, D filled") << ColumnInput{"Q", "NUMERIC", "", "2", false, ""}
        << QStringList{"Q", "NUMERIC", "", ""};
    QTest::newRow("identity on DATE") << ColumnInput{"R", "DATE", "", "", true, ""} << QStringList{};
}

void TestFrmNewColumn::listMode()
{
    QFETCH(ColumnInput, input);
    QFETCH(QStringList, cells);
    QTreeWidget list;
    list.setColumnCount(4);
    auto dialog = newDialog("frmNewTable");
    dialog->fieldList = &list;
    QVERIFY(!dialog->txtDefault()->isEnabled());
    Fill(*dialog, input);
    dialog->findChild<QPushButton *>("PushButton1")->click();
    QCOMPARE(dialog->isVisible(), cells.isEmpty());
    QCOMPARE(list.topLevelItemCount(), cells.isEmpty() ? 0 : 1);
    QCOMPARE(m_h->services.messages.calls.size(), cells.isEmpty() ? 1 : 0);
    if (cells.isEmpty())
        return;
    QStringList shown;
    for (int column = 0; column < 4; ++column)
        shown << list.topLevelItem(0)->text(column);
    QCOMPARE(shown, cells);
    const db::sql::ColumnSpec row = ui::FieldRows(&list).first();
    QCOMPARE((QStringList{row.name, row.type, row.m, row.d}),
             (QStringList{input.name, input.type, input.m, input.d}));
    QCOMPARE(row.autoIncrement, input.autoIncrement);
}

void TestFrmNewColumn::sizeBoxesFollowTheType_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("boxes");   // the boxes enabled: "", "M" or "MD"
    const char *const enabled[] = {"", "M", "", "", "MD", "M", "MD", "", "MD", "", "MD", "M", "",
                                   ""};
    const QStringList entries = db::sql::DataTypeEntries();
    for (int i = 0; i < entries.size(); ++i)
        QTest::addRow("%d %s", i + 1, qPrintable(entries[i])) << i << QString(enabled[i]);
}

// M and D are enabled only while the chosen type takes them; a size typed
// for another type stays in its box, unused, and counts again when a type
// takes it.
void TestFrmNewColumn::sizeBoxesFollowTheType()
{
    QFETCH(int, entry);
    QFETCH(QString, boxes);
    QTreeWidget list;
    list.setColumnCount(4);
    auto dialog = newDialog("frmNewTable");
    dialog->fieldList = &list;
    dialog->cboDataType()->setCurrentText("DECIMAL");
    dialog->txtM()->setText("12");
    dialog->txtD()->setText("3");
    dialog->txtName()->setText("C");
    dialog->cboDataType()->setCurrentIndex(entry);
    QCOMPARE(dialog->txtM()->isEnabled(), boxes.contains('M'));
    QCOMPARE(dialog->findChild<QLabel *>("Label1")->isEnabled(), boxes.contains('M'));
    QCOMPARE(dialog->txtD()->isEnabled(), boxes.contains('D'));
    QCOMPARE(dialog->findChild<QLabel *>("Label4")->isEnabled(), boxes.contains('D'));
    QCOMPARE(dialog->txtM()->text(), QStringLiteral("12"));
    QCOMPARE(dialog->txtD()->text(), QStringLiteral("3"));
    dialog->findChild<QPushButton *>("PushButton1")->click();
    QCOMPARE(Said(m_h->services.messages.calls), QStringList());
    const QString precision = boxes == "MD" ? "(12, 3)" : boxes == "M" ? "(12)" : "";
    QCOMPARE(list.topLevelItem(0)->text(2), precision);
}

void TestFrmNewColumn::closeBoxExecutesNothing()
{
    auto dialog = newDialog("Form3");
    Fill(*dialog, {"NOTE", "INTEGER", "", "", false, "1"});
    dialog->close();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    dialog.reset();
    QCOMPARE(Columns(*m_db, "T"), QStringLiteral("A|NAME"));
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

// Another connection's uncommitted change holds the column: "Add" gives up
// within the lock timeout with the server's message, the dialog kept.
void TestFrmNewColumn::heldTableFailsInTime()
{
    db::Attachment other = m_db->attach();
    db::Transaction holding = other.begin(db::TxMode::Write);
    db::Statement(holding, "ALTER TABLE T ADD HELD INTEGER").execute(holding);
    auto dialog = newDialog("Form3");
    Fill(*dialog, {"HELD", "INTEGER", "", "", false, ""});
    QElapsedTimer blocked;
    blocked.start();
    dialog->findChild<QPushButton *>("PushButton1")->click();
    QVERIFY(blocked.elapsed() < (db::SchemaLockTimeoutSeconds + 2) * 1000);
    QCOMPARE(Said(m_h->services.messages.calls), QStringList{"report 120"});
    QVERIFY(m_h->services.messages.calls.first().text.contains("UNIQUE KEY"));
    QVERIFY(dialog->isVisible());
}

void TestFrmNewColumn::editorAddsColumn_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<ColumnInput>("input");   // no name: the dialog is closed instead
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("typed");       // into the first column of the new-record line
    QTest::addColumn<QString>("newCell");     // the new column's cell in that row
    QTest::addColumn<QString>("later");       // a row added behind the grid's back, then reopened
    QTest::newRow("default") << "T" << ColumnInput{"NOTE", "VARCHAR", "10", "", false, "'abc'"}
                             << QStringList{"A", "NAME", "NOTE"} << "7" << "abc" << "";
    QTest::newRow("closed") << "T" << ColumnInput{} << QStringList{"A", "NAME"} << "" << "" << "";
    for (const char *type : {"SMALLINT", "INTEGER", "INT64"}) {
        QTest::addRow("identity %s", type) << "E" << ColumnInput{"ID", type, "", "", true, ""}
                                          << QStringList{"NAME", "ID"} << "x" << "2"
                                          << "INSERT INTO E (NAME) VALUES ('first')";
    }
}

// The grid is opened afresh after the dialog, whatever happened in it, keeps
// its sort, and a row typed into it gets the new column's default or identity.
void TestFrmNewColumn::editorAddsColumn()
{
    QFETCH(QString, table);
    QFETCH(ColumnInput, input);
    QFETCH(QStringList, headers);
    QFETCH(QString, typed);
    QFETCH(QString, newCell);
    QFETCH(QString, later);
    QVERIFY(OpenAndFocus(*m_h, *m_db, table));
    ui::Form3 &editor = m_h->windows.form3();
    ui::GridView &grid = *editor.grid();
    db::TableModel &model = *editor.tableModel();
    grid.sortBy(0, Qt::DescendingOrder);
    QVERIFY(QTest::qWaitFor([&] { return !model.isBusy(); }, 5000));
    WhenShown<ui::frmNewColumn>(&editor, [input](ui::frmNewColumn &dialog) {
        if (input.name.isEmpty())
            return void(dialog.close());
        Fill(dialog, input);
        dialog.findChild<QPushButton *>("PushButton1")->click();
    });
    editor.findChild<QPushButton *>("PushButton7")->click();
    QStringList shown;
    for (int column = 0; column < model.columnCount(); ++column)
        shown << model.headerData(column, Qt::Horizontal).toString();
    QCOMPARE(shown, headers);
    QCOMPARE(grid.sortColumn(), 0);
    QCOMPARE(grid.sortOrder(), Qt::DescendingOrder);
    QVERIFY(QTest::qWaitFor([&] { return !model.isBusy(); }, 5000));
    QCOMPARE(Said(m_h->services.messages.calls),
             input.name.isEmpty() ? QStringList{} : QStringList{"Column added."});
    if (typed.isEmpty())
        return;
    if (!later.isEmpty()) {
        m_db->exec(later);
        m_db->release();
        WhenShown<ui::frmNewColumn>(&editor, [](ui::frmNewColumn &dialog) { dialog.close(); });
        editor.findChild<QPushButton *>("PushButton7")->click();
        QVERIFY(QTest::qWaitFor([&] { return !model.isBusy(); }, 5000));
    }
    model.fetchAll();
    QVERIFY(QTest::qWaitFor([&] { return model.allRowsFetched(); }, 5000));
    editor.findChild<QPushButton *>("PushButton8")->click();
    TypeInCell(grid, typed);
    PressKey(grid, Qt::Key_Return);
    PressKey(grid, Qt::Key_Up);   // leaving the row writes it
    QCOMPARE(Said(m_h->services.messages.calls), QStringList{"Column added."});
    const int row = model.recordCount() - 1;
    QCOMPARE(model.index(row, 0).data().toString(), typed);
    QCOMPARE(model.index(row, headers.size() - 1).data().toString(), newCell);
}

QTEST_MAIN(TestFrmNewColumn)
#include "tst_frmnewcolumn.moc"
