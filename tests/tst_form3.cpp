#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "platform/scriptedservices.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/rownavigator.h"
#include "ui/windows.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;

namespace {

// Stands in for the grid: counts records and remembers where it was sent.
class RecordingRows : public ui::RowNavigator
{
public:
    explicit RecordingRows(long long records) : m_records(records) {}
    long long recordCount() const override { return m_records; }
    void moveToRecord(long long record) override { moves << QString::number(record); }
    void moveToNewRecordLine() override { moves << "new"; }
    QStringList moves;

private:
    long long m_records;
};

} // namespace

class TestForm3 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_h = std::make_unique<Harness>(); }
    void cleanup() { m_h.reset(); }

    void shell();
    void gridFollowsTheWindowSize();
    void tabOrder();
    void exportMenu();
    void help();
    void addNewRow_data();
    void addNewRow();
    void addNewRowWithoutATable();
    void addNewRowWhoseCountFails();
    void back();
    void quitAndClose();
    void hoverRule();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    QPushButton *button(const char *name) { return editor().findChild<QPushButton *>(name); }

    std::unique_ptr<Harness> m_h;
};

void TestForm3::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
}

void TestForm3::shell()
{
    ui::Form3 &form = editor();
    QCOMPARE(form.windowTitle(), QStringLiteral("Gravelin"));
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.size(), QSize(960, 497));
    QCOMPARE(form.Label2()->text(), QStringLiteral(" Table: "));
    QCOMPARE(form.Label2()->objectName(), QStringLiteral("Label2"));
    QCOMPARE(form.DataGrid1()->objectName(), QStringLiteral("DataGrid1"));
    QCOMPARE(form.findChild<QLabel *>("DataGrid1Caption")->text(),
             QStringLiteral("Changes you make are automatically saved as you make them."));
    const QList<QPair<const char *, QString>> captions = {
        {"PushButton1", "< Back"}, {"PushButton4", "Help"}, {"PushButton8", "Add New Row"},
        {"PushButton7", "Add New Column"}, {"PushButton6", "Export Table As.."},
        {"PushButton3", "Quit"}};
    for (const auto &[name, caption] : captions) {
        QVERIFY2(button(name), name);
        QCOMPARE(button(name)->text(), caption);
        QCOMPARE(button(name)->font().pointSizeF(), 11.25);
        QVERIFY(button(name)->font().bold());
    }
    QCOMPARE(button("PushButton1")->geometry(), QRect(8, 464, 120, 27));
    QCOMPARE(button("PushButton3")->geometry(), QRect(832, 464, 120, 27));
    QCOMPARE(form.DataGrid1()->font().pointSizeF(), 9.0);
    QCOMPARE(form.DataGrid1()->font().family(), QStringLiteral("Arial"));
    QCOMPARE(form.DataGrid1()->model(), nullptr);   // nothing bound yet
}

void TestForm3::gridFollowsTheWindowSize()
{
    ui::Form3 &form = editor();
    form.show();
    const QRect grid = form.DataGrid1()->geometry();
    QCOMPARE(grid.left(), 8);
    QCOMPARE(grid.right() + 1, 952);
    QCOMPARE(grid.bottom() + 1, 24 + 435 - 20);   // the status line below it
    QCOMPARE(form.findChild<QWidget *>("StatusLine")->geometry().bottom() + 1, 24 + 435);
    form.resize(1200, 700);
    QCOMPARE(form.DataGrid1()->width(), grid.width() + 240);
    QCOMPARE(form.DataGrid1()->height(), grid.height() + 203);
    QCOMPARE(button("PushButton8")->pos(), QPoint(264, 464 + 203));
    QCOMPARE(form.Label2()->pos(), QPoint(16, 8));
    form.hide();
}

void TestForm3::tabOrder()
{
    QCOMPARE(TabOrder(editor().DataGrid1(), 7),
             (QStringList{"DataGrid1", "PushButton1", "PushButton3", "PushButton6", "PushButton4",
                          "PushButton8", "PushButton7"}));
}

void TestForm3::exportMenu()
{
    QMenu *menu = editor().mnuSaveAs();
    QCOMPARE(menu->objectName(), QStringLiteral("mnuSaveAs"));
    QCOMPARE(menu->title(), QStringLiteral("Save As"));
    QStringList items, names;
    for (QAction *action : menu->actions()) {
        items << action->text();
        names << action->objectName();
    }
    QCOMPARE(items, (QStringList{"TXT", "XLS", "CSV", "PDF", "XML"}));
    QCOMPARE(names, (QStringList{"mnuTXT", "mnuXLS", "mnuCSV", "mnuPDF", "mnuXML"}));
    editor().show();
    QVERIFY(!menu->isVisible());
    button("PushButton6")->click();
    QVERIFY(menu->isVisible());
    menu->hide();
    QVERIFY(m_h->services.messages.calls.isEmpty());
    editor().hide();
}

void TestForm3::help()
{
    button("PushButton4")->click();
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    const auto &call = m_h->services.messages.calls.first();
    QCOMPARE(call.kind, Kind::Inform);
    QCOMPARE(call.title, app::ShortTitle());
    QCOMPARE(call.text, app::EditorHelpText());
}

void TestForm3::addNewRow_data()
{
    QTest::addColumn<qlonglong>("records");
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<bool>("limitMessage");

    QTest::newRow("empty table") << 0LL << QStringList{"new"} << false;
    QTest::newRow("some records") << 12LL << QStringList{"new", "new"} << false;
    QTest::newRow("32765 records") << 32765LL << QStringList{"new", "new"} << false;
    QTest::newRow("32766 records") << 32766LL << QStringList{"32765"} << true;
    QTest::newRow("50000 records") << 50000LL << QStringList{"49999"} << true;
}

void TestForm3::addNewRow()
{
    QFETCH(qlonglong, records);
    QFETCH(QStringList, moves);
    QFETCH(bool, limitMessage);
    RecordingRows rows(records);
    editor().setRowNavigator(&rows);
    button("PushButton8")->click();
    QCOMPARE(rows.moves, moves);
    QCOMPARE(m_h->services.messages.calls.size(), limitMessage ? 1 : 0);
    if (limitMessage) {
        QCOMPARE(m_h->services.messages.calls.first().text, QStringLiteral("Row limit reached."));
        QCOMPARE(m_h->services.messages.calls.first().title, app::ShortTitle());
        QCOMPARE(m_h->services.messages.calls.first().kind, Kind::Inform);
    }
    editor().setRowNavigator(nullptr);
}

void TestForm3::addNewRowWithoutATable()
{
    button("PushButton8")->click();
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

void TestForm3::addNewRowWhoseCountFails()
{
    class Broken : public RecordingRows
    {
    public:
        Broken() : RecordingRows(0) {}
        long long recordCount() const override { throw std::runtime_error("grid gone"); }
    } rows;
    editor().setRowNavigator(&rows);
    button("PushButton8")->click();
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    QCOMPARE(m_h->services.messages.calls.first().text,
             QStringLiteral("grid gone\r\nin Quorvane2020/08/02.Form3.PushButton8_Click at line 102\r\r"));
    QVERIFY(!rows.moves.isEmpty());   // the guarded steps ran, and the handler went on
    editor().setRowNavigator(nullptr);
}

void TestForm3::back()
{
    editor().show();
    button("PushButton1")->click();
    QVERIFY(m_h->windows.form2().isVisible());
    QVERIFY(!editor().isVisible());
    m_h->windows.form2().hide();
}

void TestForm3::quitAndClose()
{
    button("PushButton3")->click();
    QCOMPARE(m_h->ended, 1);
    editor().show();
    editor().close();
    QCOMPARE(m_h->ended, 2);
}

void TestForm3::hoverRule()
{
    for (const char *name : {"PushButton1", "PushButton3", "PushButton4", "PushButton6",
                             "PushButton7", "PushButton8"}) {
        MoveOver(editor().DataGrid1()->viewport());
        QCOMPARE(editor().MousePointer(), 0);
        MoveOver(button(name));
        QCOMPARE(editor().MousePointer(), 99);
    }
    MoveOver(editor().Label2());
    QCOMPARE(editor().MousePointer(), 0);
}

QTEST_MAIN(TestForm3)
#include "tst_form3.moc"
