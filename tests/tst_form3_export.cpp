// The editor's export menu: the save dialog, the file it writes, and rows
// that could not be saved before the export.

#include "tests/support/exportfiles.h"
#include "tests/tst_form_harness.h"
#include "ui/csvoptionsdialog.h"
#include "ui/gridtexts.h"
#include "ui/statusline.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

using namespace formtest;

using testsupport::ReadFile;

namespace {


void Choose(ui::Form3 &editor, const char *item)
{
    editor.mnuSaveAs()->findChild<QAction *>(QString::fromLatin1(item))->trigger();
}

} // namespace

class TestForm3Export : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db.exec({"CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(3))",
                   "INSERT INTO P VALUES (1, 'Ann')", "INSERT INTO P VALUES (2, 'Bob')"});
        m_db.release();
        QVERIFY(OpenInEditor(m_h, m_db, "P"));
    }

    // Each menu item asks with its own filter, the dialog opening on the
    // name chosen last; a cancelled dialog writes nothing.
    void menuItemsWriteTheirFormat()
    {
        ui::Form3 &editor = m_h.windows.form3();
        platform::ScriptedFileDialogs &files = m_h.services.files;
        const QString txt = m_dir.filePath("p.txt"), csv = m_dir.filePath("p.csv");
        files.answers = {txt, csv, QString()};
        // Scrolled to the end, the grid still exports every row from the first.
        editor.DataGrid1()->setCurrentIndex(editor.tableModel()->index(1, 1));
        editor.DataGrid1()->scrollToBottom();
        Choose(editor, "mnuTXT");
        QCOMPARE(editor.statusLine()->text(), ui::ExportDoneText(2, txt));
        // CSV asks for its options after the file name; as they come.
        WhenShown<ui::CsvOptionsDialog>(&editor, [](ui::CsvOptionsDialog &dialog) { dialog.accept(); });
        Choose(editor, "mnuCSV");
        Choose(editor, "mnuXML");
        QCOMPARE(files.calls.size(), 3);
        QCOMPARE(files.calls[0].title, QString("Save"));
        QCOMPARE(files.calls[0].filter, QString("Text Files (*.txt)|*.txt"));
        QCOMPARE(files.calls[0].suggestedName, QString());
        QCOMPARE(files.calls[1].filter, QString("CSV Files (*.csv)|*.csv"));
        QCOMPARE(files.calls[1].suggestedName, txt);
        QCOMPARE(files.calls[2].filter, QString("XML Files (*.xml)|*.xml"));
        QCOMPARE(ReadFile(txt), QByteArray("ID\tNAME\t\r\n1\tAnn\t\r\n2\tBob\t\r\n"));
        QCOMPARE(ReadFile(csv), QByteArray("ID,NAME\r\n1,Ann\r\n2,Bob\r\n"));
        QCOMPARE(editor.MousePointer(), int(ui::WindowPointer::Default));
        QVERIFY(m_h.services.messages.calls.isEmpty());
        // The last export is said in the status line for a few seconds.
        QCOMPARE(editor.statusLine()->text(), ui::ExportDoneText(2, csv));
        QTRY_VERIFY_WITH_TIMEOUT(editor.statusLine()->text().startsWith("2 records"), 10000);
        QCOMPARE(ui::ExportDoneText(1, "/a/b.txt"), QString("1 row written to \"/a/b.txt\""));
    }

    // "PDF": the save dialog, the printer put back, the temporary text gone
    // whatever happened; a printer list without the PDF writer prints nothing.
    void pdfItem_data()
    {
        QTest::addColumn<bool>("writerListed");
        QTest::addColumn<QString>("answer");   // {} is the test's folder
        QTest::addColumn<bool>("printed");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("temporary");   // {} is a fresh folder
        QTest::newRow("printed where the user says") << true << "{}/p.pdf" << true << "" << "{}";
        QTest::newRow("Cancel in the dialog") << true << "" << false << "" << "{}";
        QTest::newRow("no PDF writer: no dialog") << false << "{}/p.pdf" << false << "" << "{}";
        QTest::newRow("a folder nobody may write: reported")
            << true << "/proc/p.pdf" << false << "mnuPDF_Click at line 112" << "{}";
        QTest::newRow("no temporary folder: the PDF's text reported")
            << true << "{}/p.pdf" << false << "PDF's temporary text" << "/dev/full";
    }
    void pdfItem()
    {
        QFETCH(bool, writerListed);
        QFETCH(QString, answer);
        QFETCH(bool, printed);
        QFETCH(QString, report);
        QFETCH(QString, temporary);
        answer.replace("{}", m_dir.path());
        QFile::remove(m_dir.filePath("p.pdf"));
        platform::ScriptedPrinters &printers = m_h.services.printers;
        printers.printerNames = {"Office Laser"};
        if (writerListed)
            printers.printerNames << "Vellacourt PDF Writer";
        printers.defaultName = "Office Laser";
        printers.defaultsSet.clear();
        m_h.services.files.calls.clear();
        m_h.services.files.answers = {answer};
        m_h.services.messages.calls.clear();
        QTemporaryDir temp;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temporary.replace("{}", temp.path()).toLocal8Bit());
        Choose(m_h.windows.form3(), "mnuPDF");
        qputenv("TMPDIR", oldTemp);

        QCOMPARE(QDir(temp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), {});
        QCOMPARE(printers.defaultName, QString("Office Laser"));
        // Without its temporary text the export ends before the printers.
        const bool textWritten = temporary != "/dev/full";
        QCOMPARE(printers.defaultsSet, !textWritten ? QStringList()
                     : writerListed ? QStringList({"Vellacourt PDF Writer", "Office Laser"})
                                    : QStringList({"Office Laser"}));
        const bool asked = writerListed && textWritten;
        QCOMPARE(m_h.services.files.calls.size(), asked ? 1 : 0);
        if (asked) {
            const platform::ScriptedFileDialogs::Call &call = m_h.services.files.calls[0];
            QCOMPARE(call.title, QString("Save PDF File"));
            QCOMPARE(call.filter, QString("PDF Files (*.pdf)|*.pdf"));
            QCOMPARE(QFileInfo(call.suggestedName).fileName(), QString("P.pdf"));
        }
        QCOMPARE(ReadFile(m_dir.filePath("p.pdf")).startsWith("%PDF-"), printed);
        QCOMPARE(m_h.services.messages.calls.size(), report.isEmpty() ? 0 : 1);
        if (!report.isEmpty())
            QVERIFY(m_h.services.messages.calls[0].text.contains(report));
        if (printed)
            QCOMPARE(m_h.windows.form3().statusLine()->text(),
                     ui::ExportDoneText(2, m_dir.filePath("p.pdf")));
        QCOMPARE(m_h.windows.form3().MousePointer(), int(ui::WindowPointer::Default));
    }

    // A row the database refuses: the stored values go out only when the
    // user says so, and the typed values stay in the grid either way.
    void unsavedRowsAsk_data()
    {
        QTest::addColumn<bool>("exportAnyway");
        QTest::newRow("No: nothing is written") << false;
        QTest::newRow("Yes: the stored values") << true;
    }
    void unsavedRowsAsk()
    {
        QFETCH(bool, exportAnyway);
        ui::Form3 &editor = m_h.windows.form3();
        db::TableModel *model = editor.tableModel();
        QVERIFY(model->setData(model->index(0, 1), "too long"));
        QVERIFY(!model->submitRow(0));
        m_h.services.messages.calls.clear();
        m_h.services.messages.answers = {exportAnyway};
        const QString path = m_dir.filePath("unsaved.txt");
        m_h.services.files.answers = {path};
        m_h.services.files.calls.clear();
        Choose(editor, "mnuTXT");
        QCOMPARE(m_h.services.messages.calls.size(), 1);
        QCOMPARE(m_h.services.messages.calls[0].text, ui::ExportQuestion(1));
        QCOMPARE(m_h.services.files.calls.size(), exportAnyway ? 1 : 0);
        QCOMPARE(ReadFile(path), exportAnyway ? QByteArray("ID\tNAME\t\r\n1\tAnn\t\r\n2\tBob\t\r\n")
                                              : QByteArray("<no file>"));
        QCOMPARE(model->index(0, 1).data().toString(), QString("too long"));
        model->revertRow(0);
    }

private:
    testsupport::TempDatabase m_db;
    Harness m_h;
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestForm3Export)
#include "tst_form3_export.moc"
