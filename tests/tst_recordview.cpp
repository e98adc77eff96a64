// The record view: one row of the grid as a form, its edits written as
// leaving the row writes them, refusals told as the grid tells them.

#include "app/files.h"
#include "tests/tst_form_harness.h"
#include "ui/blobwindow.h"
#include "ui/recordview.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QDialogButtonBox>

using namespace formtest;
using testsupport::TempDatabase;

class TestRecordView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR")); }
    void init();
    void cleanup();

    void formShowsTheRow();
    void editsAreWrittenOnLeaving_data();
    void editsAreWrittenOnLeaving();
    void blobFieldOpensTheBlobWindow();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    ui::GridView &grid() { return *editor().grid(); }
    // Opens the view with Shift+Enter on the row and runs `script` in it.
    void inRecordView(int row, const std::function<void(ui::RecordView &)> &script);
    QString storedValue(const QString &column, int id)
    {
        return ValueOf(*m_db, QStringLiteral("SELECT CAST(%1 AS VARCHAR(20)) FROM T WHERE ID = %2")
                                  .arg(column).arg(id));
    }

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
};

void TestRecordView::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20) NOT NULL, "
                "QTY INTEGER CHECK (QTY >= 0), NOTE VARCHAR(20), DOC BLOB SUB_TYPE TEXT)",
                "INSERT INTO T VALUES (1, 'one', 1, 'a', 'first doc')",
                "INSERT INTO T VALUES (2, 'two', 2, NULL, NULL)",
                "INSERT INTO T VALUES (3, 'three', 3, 'c', NULL)"});
    m_db->release();
    m_h = std::make_unique<Harness>();
    QVERIFY(OpenAndFocus(*m_h, *m_db, "T"));
}

void TestRecordView::cleanup()
{
    m_h.reset();
    m_db.reset();
}

void TestRecordView::inRecordView(int row, const std::function<void(ui::RecordView &)> &script)
{
    grid().setCurrentIndex(editor().tableModel()->index(row, 1));
    bool ran = false;
    WhenShown<ui::RecordView>(&editor(), [&](ui::RecordView &view) {
        script(view);
        ran = true;
        if (view.isVisible())
            view.reject();
    });
    QTest::keyClick(&grid(), Qt::Key_Return, Qt::ShiftModifier);
    QVERIFY(ran);
}

void TestRecordView::formShowsTheRow()
{
    inRecordView(1, [](ui::RecordView &view) {
        QCOMPARE(view.windowTitle(), QStringLiteral("Record View: T, row 2"));
        QCOMPARE(view.field(1)->text(), QStringLiteral("two"));
        QVERIFY(view.nullBox(3)->isChecked());
        QVERIFY(!view.nullBox(1)->isEnabled());   // NOT NULL
        QVERIFY(view.findChildren<QLabel *>().size() > 10);
        QVERIFY(view.blobButton(4));
        QVERIFY(!view.field(4));
        view.cmdNext()->click();
        QCOMPARE(view.windowTitle(), QStringLiteral("Record View: T, row 3"));
        QCOMPARE(view.field(3)->text(), QStringLiteral("c"));
        QVERIFY(!view.nullBox(3)->isChecked());
    });
    QCOMPARE(grid().currentIndex().row(), 2);
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

// Each case edits a field of row 1 (ID 1) and leaves the row one way.
void TestRecordView::editsAreWrittenOnLeaving_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");   // "<null>": the NULL toggle
    QTest::addColumn<QString>("leave");   // next, previous or close
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("refused");
    QTest::newRow("text, Next") << 1 << "uno" << "next" << "uno" << false;
    QTest::newRow("number, Close") << 2 << "42" << "close" << "42" << false;
    QTest::newRow("NULL toggle, Previous") << 3 << "<null>" << "previous" << "<null>" << false;
    QTest::newRow("NULL and back gives the text back") << 3 << "<null><null>" << "next" << "a"
                                                       << false;
    QTest::newRow("check refused: stays on the row") << 2 << "-5" << "next" << "1" << true;
    QTest::newRow("refused on Close: stays open") << 2 << "-5" << "close" << "1" << true;
}

void TestRecordView::editsAreWrittenOnLeaving()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, leave);
    QFETCH(QString, stored);
    QFETCH(bool, refused);
    const QString name = editor().tableModel()->headerData(column, Qt::Horizontal).toString();
    bool stayedOpen = false;
    inRecordView(1, [&](ui::RecordView &view) {
        view.cmdPrevious()->click();   // to row 1 (ID 1)
        if (typed.startsWith("<null>")) {
            for (int clicks = typed.count("<null>"); clicks > 0; --clicks)
                view.nullBox(column)->click();
        } else {
            view.field(column)->setFocus();
            view.field(column)->selectAll();
            QTest::keyClicks(view.field(column), typed);
        }
        if (leave == "next")
            view.cmdNext()->click();
        else if (leave == "previous")
            view.cmdPrevious()->click();   // no row above: nothing is left
        else
            view.cmdClose()->click();
        stayedOpen = view.isVisible();
        if (leave == "previous")
            view.cmdClose()->click();
        if (refused) {
            QCOMPARE(view.windowTitle(), QStringLiteral("Record View: T, row 1"));
            view.cmdRevert()->click();
        }
    });
    QCOMPARE(storedValue(name, 1), stored);
    // Only Close leaves the form, and not when the write is refused.
    QCOMPARE(stayedOpen, refused || leave != "close");
    QCOMPARE(m_h->services.messages.calls.size(), refused ? 1 : 0);
}

// What the BLOB window hands back is an edit of the row, written at once.
void TestRecordView::blobFieldOpensTheBlobWindow()
{
    inRecordView(0, [&](ui::RecordView &view) {
        QVERIFY(QTest::qWaitFor([&] { return view.blobButton(4)->text() == "first doc"; }));
        WhenShown<ui::BlobWindow>(&grid(), [](ui::BlobWindow &window) {
            window.txtText()->selectAll();
            window.txtText()->insertPlainText("second doc");
            window.accept();
        });
        view.blobButton(4)->click();
        QVERIFY(QTest::qWaitFor([&] { return view.blobButton(4)->text() == "second doc"; }));
    });
    QCOMPARE(storedValue("DOC", 1), QStringLiteral("second doc"));
}

QTEST_MAIN(TestRecordView)
#include "tst_recordview.moc"
