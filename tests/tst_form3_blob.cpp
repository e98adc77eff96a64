#include "app/files.h"
#include "ui/blobwindow.h"
#include "ui/griddelegate.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <memory>
#include <optional>

#include "tst_form_harness.h"

using namespace formtest;
using testsupport::TempDatabase;
using ui::BlobWindow;

namespace {

enum Column { Id, Note, Data, Name, Short };

// A BLOB as the database holds it, byte for byte; nullopt for NULL.
std::optional<QByteArray> BlobOf(const TempDatabase &db, const QString &sql)
{
    db::Attachment attachment = db.attach();
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement statement(tx, sql);
    db::Cursor cursor = statement.openCursor(tx);
    const unsigned char *row = cursor.fetch();
    const db::Column &c = statement.columns().at(0);
    if (!row || db::isNull(c, row))
        return std::nullopt;
    return db::readBlob(tx, db::valueBytes(c, row), db::CsNone);
}

QByteArray LargeText()
{
    QString text;
    for (int line = 0; text.size() < 850 * 1024; ++line)
        text += QStringLiteral("Zeile %1: Grüße aus Köln — 東京 ✓ naïve café\n").arg(line);
    return text.toUtf8();   // over 1 MB
}

QByteArray BytesWithNuls()
{
    QByteArray bytes(70000, '\0');
    for (int i = 0; i < bytes.size(); i += 3)
        bytes[i] = char(i * 7);
    return bytes;
}

} // namespace

// The BLOB window over the editor's grid: how it opens, what OK writes,
// what Cancel leaves, files in and out, and a view's BLOB read-only.
class TestForm3Blob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opens_data();
    void opens();
    void largeTextRoundTrips();
    void nullAndEmptyAreDistinct();
    void binaryFileInAndOut();
    void refusedValueStaysInTheRow();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void viewOpensReadOnly();

private:
    ui::Form3 &editor() { return m_h->windows.form3(); }
    ui::GridView &grid() { return *editor().grid(); }
    db::TableModel &model() { return *editor().tableModel(); }
    // Opens the window on a cell with Shift+F2 and runs `script` in it.
    void inWindow(int row, int column, std::function<void(BlobWindow &)> script);
    std::optional<QByteArray> stored(const char *column, int id = 1)
    {
        return BlobOf(*m_db, QStringLiteral("SELECT %1 FROM DOCS WHERE ID = %2").arg(column).arg(id));
    }

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
    QTemporaryDir m_files;
};

void TestForm3Blob::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
}

void TestForm3Blob::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE DOCS (ID INTEGER NOT NULL PRIMARY KEY, NOTE BLOB SUB_TYPE TEXT, "
                "DATA BLOB SUB_TYPE BINARY, NAME VARCHAR(20), "
                "SHORT BLOB SUB_TYPE TEXT CHECK (CHAR_LENGTH(SHORT) <= 5))",
                "INSERT INTO DOCS VALUES (1, 'hello', x'00FF00', 'a', 'ok')",
                "INSERT INTO DOCS VALUES (2, NULL, NULL, 'b', NULL)",
                "CREATE VIEW DJ (ID, NOTE, OTHER) AS SELECT A.ID, A.NOTE, B.NAME FROM DOCS A "
                "JOIN DOCS B ON B.ID = A.ID"});
    m_db->release();
    m_h = std::make_unique<Harness>();
    QVERIFY(OpenAndFocus(*m_h, *m_db, "DOCS"));
}

void TestForm3Blob::cleanup()
{
    m_h.reset();
    m_db.reset();
}

void TestForm3Blob::inWindow(int row, int column, std::function<void(BlobWindow &)> script)
{
    bool ran = false;
    WhenShown<BlobWindow>(&editor(), [&](BlobWindow &window) {
        script(window);
        ran = true;
        if (window.isVisible())
            window.reject();
    });
    // The offscreen platform leaves no window active once a dialog closed.
    editor().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&editor()));
    grid().setFocus();
    grid().setCurrentIndex(model().index(row, column));
    PressKey(grid(), Qt::Key_F2, Qt::ShiftModifier);
    QTRY_VERIFY(ran);
}

void TestForm3Blob::opens_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Shift+F2") << "key";
    QTest::newRow("context menu") << "menu";
    QTest::newRow("double-click") << "double-click";
}

void TestForm3Blob::opens()
{
    QFETCH(QString, how);
    QString title, text;
    WhenShown<BlobWindow>(&editor(), [&](BlobWindow &window) {
        title = window.windowTitle();
        text = window.txtText()->toPlainText();
        window.reject();
    });
    const QModelIndex cell = model().index(0, Note);
    grid().setCurrentIndex(cell);
    if (how == "key")
        PressKey(grid(), Qt::Key_F2, Qt::ShiftModifier);
    else if (how == "menu")
        grid().openBlobAction()->trigger();
    else
        DoubleClick(grid().viewport(), grid().visualRect(cell).center());
    QTRY_COMPARE(title, QStringLiteral("BLOB NOTE, row 1"));
    QCOMPARE(text, QStringLiteral("hello"));
    QVERIFY(!CellEditor(grid()));
}

// Over 1 MB of text with non-ASCII characters goes in whole, comes back
// whole into the window, and an edit of it is saved exactly.
void TestForm3Blob::largeTextRoundTrips()
{
    const QByteArray large = LargeText();
    QVERIFY(large.size() > 1024 * 1024);
    inWindow(1, Note, [&](BlobWindow &window) {
        window.chkNull()->setChecked(false);
        window.txtText()->insertPlainText(QString::fromUtf8(large));
        window.accept();
    });
    QCOMPARE(stored("NOTE", 2), large);
    QVERIFY(!model().isRowDirty(1));

    inWindow(1, Note, [&](BlobWindow &window) {
        QCOMPARE(window.txtText()->toPlainText().toUtf8(), large);
        window.txtText()->moveCursor(QTextCursor::Start);
        QTest::keyClicks(window.txtText(), "Typed ");
        window.txtText()->insertPlainText(QStringLiteral("äß "));
        window.accept();
    });
    QCOMPARE(stored("NOTE", 2), QStringLiteral("Typed äß ").toUtf8() + large);
    QCOMPARE(stored("NOTE", 1), QByteArray("hello"));
}

void TestForm3Blob::nullAndEmptyAreDistinct()
{
    inWindow(1, Note, [](BlobWindow &window) {
        QVERIFY(window.chkNull()->isChecked());
        QCOMPARE(window.txtText()->placeholderText(), QStringLiteral("NULL"));
        window.chkNull()->setChecked(false);
        window.accept();
    });
    QCOMPARE(stored("NOTE", 2), QByteArray(""));
    inWindow(1, Note, [](BlobWindow &window) {
        QVERIFY(!window.chkNull()->isChecked());
        window.chkNull()->setChecked(true);
        window.accept();
    });
    QCOMPARE(stored("NOTE", 2), std::nullopt);
}

// A file with NUL bytes goes into the database and back out unchanged,
// through the file dialogs.
void TestForm3Blob::binaryFileInAndOut()
{
    const QByteArray bytes = BytesWithNuls();
    const QString in = m_files.filePath("in.bin");
    const QString out = m_files.filePath("out.bin");
    QFile file(in);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    platform::ScriptedFileDialogs &dialogs = m_h->services.files;
    dialogs.answers = {in, out};
    inWindow(0, Data, [&](BlobWindow &window) {
        QCOMPARE(window.lblSize()->text(), QStringLiteral("3 bytes"));
        window.cmdLoad()->click();
        QCOMPARE(window.lblSize()->text(), QStringLiteral("70,000 bytes"));
        QCOMPARE(window.grdHex()->model()->rowCount(), 4375);
        window.accept();
    });
    QCOMPARE(stored("DATA"), bytes);
    QTRY_COMPARE(model().index(0, Data).data().toString(), QStringLiteral("(BLOB, 70000 bytes)"));
    QVERIFY(!ui::LookOf(model().index(0, Data)).background);   // changeable, so not greyed

    inWindow(0, Data, [&](BlobWindow &window) { window.cmdSave()->click(); });
    QFile written(out);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), bytes);
    QCOMPARE(dialogs.calls.size(), 2);
    QCOMPARE(dialogs.calls[1].kind, platform::ScriptedFileDialogs::Kind::Save);
    QVERIFY(m_h->services.messages.calls.isEmpty());
}

// A value the database refuses is told, and stays in its row as typed, to
// be corrected in the window again.
void TestForm3Blob::refusedValueStaysInTheRow()
{
    inWindow(0, Short, [](BlobWindow &window) {
        window.txtText()->moveCursor(QTextCursor::End);
        QTest::keyClicks(window.txtText(), " and more");
        window.accept();
    });
    QCOMPARE(stored("SHORT"), QByteArray("ok"));
    QVERIFY(model().isRowDirty(0));
    QCOMPARE(m_h->services.messages.calls.size(), 1);
    QCOMPARE(m_h->services.messages.calls[0].kind, Kind::Warn);
    QCOMPARE(stored("SHORT"), QByteArray("ok"));
    inWindow(0, Short, [](BlobWindow &window) {
        QCOMPARE(window.txtText()->toPlainText(), QStringLiteral("ok and more"));
        QTest::keyClick(window.txtText(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(window.txtText(), "fine");
        window.accept();
    });
    QCOMPARE(stored("SHORT"), QByteArray("fine"));
    QVERIFY(!model().isRowDirty(0));
}

void TestForm3Blob::cancelChangesNothing_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("change");
    QTest::newRow("text typed") << int(Note) << "type";
    QTest::newRow("text set to NULL") << int(Note) << "null";
    QTest::newRow("bytes loaded") << int(Data) << "load";
}

void TestForm3Blob::cancelChangesNothing()
{
    QFETCH(int, column);
    QFETCH(QString, change);
    const QString in = m_files.filePath("cancel.bin");
    QFile file(in);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("abc") == 3);
    file.close();
    m_h->services.files.answers = {in};
    const auto before = std::make_pair(stored("NOTE"), stored("DATA"));
    const QByteArray original = column == Note ? QByteArray("hello") : QByteArray("\0\xff\0", 3);
    inWindow(0, column, [&](BlobWindow &window) {
        if (change == "type")
            QTest::keyClicks(window.txtText(), "more");
        else if (change == "null")
            window.chkNull()->setChecked(true);
        else
            window.cmdLoad()->click();
        QVERIFY(!(window.value() == db::BlobValue{false, original}));
        window.buttons()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(std::make_pair(stored("NOTE"), stored("DATA")), before);
    QVERIFY(!model().isRowDirty(0));
}

void TestForm3Blob::viewOpensReadOnly()
{
    QVERIFY(OpenAndFocus(*m_h, *m_db, "DJ"));
    inWindow(0, 1, [](BlobWindow &window) {
        QVERIFY(window.isReadOnly());
        QVERIFY(window.txtText()->isReadOnly());
        QVERIFY(!window.chkNull()->isEnabled());
        QCOMPARE(window.lblLock()->text(),
                 QStringLiteral("Read-only: the rows of this view cannot be changed here."));
        QVERIFY(!window.buttons()->button(QDialogButtonBox::Ok));
        QTest::keyClicks(window.txtText(), "x");
        QCOMPARE(window.txtText()->toPlainText(), QStringLiteral("hello"));
    });
    QVERIFY(!model().isRowDirty(0));
}

QTEST_MAIN(TestForm3Blob)
#include "tst_form3_blob.moc"
