// Column layouts kept per table: the stored text, the order it gives, and
// the grid's heading menu, drag and reset on a real table.

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include "app/columnlayout.h"
#include "app/files.h"
#include "tests/support/exportfiles.h"
#include "tests/tst_form_harness.h"
#include "ui/columnlayouts.h"
#include "ui/statusline.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTemporaryDir>

using namespace formtest;
using app::ColumnLayout;
using testsupport::TempDatabase;

namespace {

const QString Section = QStringLiteral("Gravelin/ColumnLayouts");

} // namespace

class TestColumnLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void arranged_data();
    void arranged();
    void storedTextRoundTrips_data();
    void storedTextRoundTrips();
    void keysKeepDatabaseAndTableApart();

    void hiddenColumnIsKeptAndSaid();
    void draggedOrderAndWidthComeBack();
    void resetGoesBackToTheTable();
    void exportWritesEveryColumnInTableOrder();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    QHeaderView *header() { return editor().grid()->horizontalHeader(); }
    QString stored() const;
    QStringList shownOrder();
    void trigger(int column, const char *action);
    void reopen();

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestColumnLayout::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
}

void TestColumnLayout::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), "
                "QTY INTEGER, NOTE VARCHAR(20))",
                "INSERT INTO T VALUES (1, 'one', 10, 'a')",
                "INSERT INTO T VALUES (2, 'two', 20, NULL)"});
    m_db->release();
    m_h = std::make_unique<Harness>();
    QVERIFY(OpenAndFocus(*m_h, *m_db, "T"));
}

void TestColumnLayout::cleanup()
{
    m_h.reset();
    m_db.reset();
}

QString TestColumnLayout::stored() const
{
    return m_h->services.settings.get(Section, app::ColumnLayoutKey(m_db->path(), "T"),
                                      "<absent>");
}

QStringList TestColumnLayout::shownOrder()
{
    QStringList names;
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int column = header()->logicalIndex(visual);
        if (!header()->isSectionHidden(column))
            names << editor().tableModel()->headerData(column, Qt::Horizontal).toString();
    }
    return names;
}

void TestColumnLayout::trigger(int column, const char *action)
{
    std::unique_ptr<QMenu> menu(editor().columnLayouts()->headingMenu(column, nullptr));
    QAction *item = menu->findChild<QAction *>(QString::fromLatin1(action));
    QVERIFY(item);
    item->trigger();
}

// Back to the chooser and the same table again, as a user opens it later.
void TestColumnLayout::reopen()
{
    editor().findChild<QPushButton *>("PushButton1")->click();
    QVERIFY(OpenAndFocus(*m_h, *m_db, "T"));
}

void TestColumnLayout::arranged_data()
{
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QList<int>>("order");
    const QStringList table{"ID", "NAME", "QTY"};
    QTest::newRow("nothing kept: the table's order") << table << QStringList() << QList<int>{0, 1, 2};
    QTest::newRow("moved") << table << QStringList{"QTY", "ID", "NAME"} << QList<int>{2, 0, 1};
    QTest::newRow("a column added since goes last")
        << table << QStringList{"NAME", "ID"} << QList<int>{1, 0, 2};
    QTest::newRow("a column dropped since is passed over")
        << table << QStringList{"GONE", "QTY", "NAME", "ID"} << QList<int>{2, 1, 0};
    QTest::newRow("a name twice counts once")
        << table << QStringList{"QTY", "QTY", "ID"} << QList<int>{2, 0, 1};
}

void TestColumnLayout::arranged()
{
    QFETCH(QStringList, table);
    QFETCH(QStringList, kept);
    QFETCH(QList<int>, order);
    ColumnLayout layout;
    for (const QString &name : kept)
        layout.push_back({name, 50, false});
    const std::vector<int> got = app::ArrangedColumns(table, layout);
    QCOMPARE(QList<int>(got.begin(), got.end()), order);
}

void TestColumnLayout::storedTextRoundTrips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("plain") << "ID" << 80 << false;
    QTest::newRow("hidden") << "NOTE" << 120 << true;
    QTest::newRow("quotes, comma and non-ASCII") << "Größe \"a,b\"" << 64 << false;
    QTest::newRow("fitted width") << "X" << 0 << true;
}

void TestColumnLayout::storedTextRoundTrips()
{
    QFETCH(QString, name);
    QFETCH(int, width);
    QFETCH(bool, hidden);
    const ColumnLayout layout{{"FIRST", 10, false}, {name, width, hidden}};
    QCOMPARE(app::ParseColumnLayout(app::ColumnLayoutText(layout)), layout);
    QCOMPARE(app::ParseColumnLayout("not json"), ColumnLayout());
    QCOMPARE(app::ColumnLayoutText({}), QString());
}

// Neither part can run into the other, and no separator of the settings
// file survives in the key.
void TestColumnLayout::keysKeepDatabaseAndTableApart()
{
    QVERIFY(app::ColumnLayoutKey("a|b", "c") != app::ColumnLayoutKey("a", "b|c"));
    QCOMPARE(app::ColumnLayoutKey("/data/shop.fdb", "ORDERS"),
             QStringLiteral("%2Fdata%2Fshop.fdb|ORDERS"));
    QVERIFY(!app::ColumnLayoutKey("host:C:\\db\\x.fdb", "a/b").contains(QRegularExpression("[/\\\\]")));
}

void TestColumnLayout::hiddenColumnIsKeptAndSaid()
{
    trigger(1, "actionHideColumn");
    trigger(3, "actionHideColumn");
    QCOMPARE(shownOrder(), QStringList({"ID", "QTY"}));
    QVERIFY2(editor().statusLine()->text().contains("2 columns hidden"),
             qPrintable(editor().statusLine()->text()));
    QVERIFY(stored().contains("\"hidden\":true"));
    reopen();
    QCOMPARE(shownOrder(), QStringList({"ID", "QTY"}));
    // Shown again from the heading's list of columns.
    std::unique_ptr<QMenu> menu(editor().columnLayouts()->headingMenu(0, nullptr));
    QMenu *list = menu->findChild<QMenu *>("menuShowColumns");
    QCOMPARE(list->actions().size(), 4);
    list->actions().at(1)->trigger();
    QCOMPARE(shownOrder(), QStringList({"ID", "NAME", "QTY"}));
    QVERIFY(editor().statusLine()->text().contains("1 column hidden"));
}

// A drag and a resize are kept when the mouse button is let go.
void TestColumnLayout::draggedOrderAndWidthComeBack()
{
    header()->moveSection(2, 0);
    header()->resizeSection(1, 177);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header()->viewport(), &release);
    QVERIFY(QTest::qWaitFor([this] { return stored() != "<absent>"; }));
    reopen();
    QCOMPARE(shownOrder(), QStringList({"QTY", "ID", "NAME", "NOTE"}));
    QCOMPARE(header()->sectionSize(1), 177);
    // A table of the same database with no layout of its own is untouched.
    QCOMPARE(m_h->services.settings.get(Section, app::ColumnLayoutKey(m_db->path(), "U"),
                                        "<absent>"),
             QString("<absent>"));
}

void TestColumnLayout::resetGoesBackToTheTable()
{
    trigger(0, "actionHideColumn");
    header()->moveSection(2, 0);
    trigger(1, "actionResetColumns");
    QCOMPARE(shownOrder(), QStringList({"ID", "NAME", "QTY", "NOTE"}));
    QCOMPARE(stored(), QString());
    QVERIFY(!editor().statusLine()->text().contains("hidden"));
}

void TestColumnLayout::exportWritesEveryColumnInTableOrder()
{
    trigger(1, "actionHideColumn");
    header()->moveSection(3, 0);
    QTemporaryDir dir;
    const QString file = dir.filePath("t.csv");
    m_h->services.files.answers = {file};
    // The CSV options that follow the file name are taken as they are offered.
    QTimer::singleShot(0, [] {
        if (auto *options = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            options->accept();
    });
    editor().mnuSaveAs()->findChild<QAction *>("mnuCSV")->trigger();
    QCOMPARE(testsupport::ReadFile(file), QByteArray("ID,NAME,QTY,NOTE\r\n1,one,10,a\r\n2,two,20,\r\n"));
}

QTEST_MAIN(TestColumnLayout)
#include "tst_columnlayout.moc"
