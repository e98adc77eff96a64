// The workbook export: typed cells read back from the sheet's XML, names,
// splitting into sheets, and the editor's "XLS" item over scripted services.

#include "app/errorreport.h"
#include "app/spreadsheetcheck.h"
#include "export/workbookcells.h"
#include "export/workbookexport.h"
#include "tests/tst_form_harness.h"
#include "tests/tst_tablemodel_harness.h"
#include "ui/statusline.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace formtest;

namespace {

QByteArray Unzipped(const QString &workbook, const QString &entry)
{
    QProcess unzip;
    unzip.start("unzip", {"-p", workbook, entry});
    unzip.waitForFinished(30000);
    return unzip.readAllStandardOutput();
}

// A cell of a sheet: its type attribute ("" for a number, "b", "inlineStr")
// and its value or text.
struct SheetCell
{
    QString type;
    QString value;
    int style = 0;   // the cell's entry in the book's list of formats
    bool operator==(const SheetCell &other) const
    {
        return type == other.type && value == other.value;
    }
};
using Sheet = QMap<QString, SheetCell>;   // "B2" -> cell

Sheet ParseSheet(const QByteArray &xml)
{
    Sheet cells;
    QXmlStreamReader reader(xml);
    QString ref;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == u"c") {
            ref = reader.attributes().value("r").toString();
            cells[ref].type = reader.attributes().value("t").toString();
            cells[ref].style = reader.attributes().value("s").toInt();
        } else if (reader.name() == u"v" || reader.name() == u"t") {
            cells[ref].value = reader.readElementText();
        }
    }
    return reader.hasError() ? Sheet{{"error", {"", reader.errorString()}}} : cells;
}

// The number format codes of a book's cell styles, in style order.
QStringList StyleFormats(const QByteArray &styles)
{
    QHash<int, QString> codes;
    QStringList formats;
    QXmlStreamReader reader(styles);
    bool cellStyles = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.name() == u"cellXfs")
            cellStyles = reader.isStartElement();
        if (!reader.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.name() == u"numFmt")
            codes[attributes.value("numFmtId").toInt()] = attributes.value("formatCode").toString();
        else if (cellStyles && reader.name() == u"xf")
            formats << codes.value(attributes.value("numFmtId").toInt());
    }
    return formats;
}

// A number as a spreadsheet shows it in one of the export's date and time
// formats: rounded to the places the format shows, then formatted.
QString ShownAs(const QString &value, const QString &format)
{
    const bool millis = format.endsWith(".000");
    const double unit = millis ? 86'400'000.0 : 86'400.0;
    const qint64 count = qRound64(value.toDouble() * unit);
    const QDateTime origin(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    const QDateTime shown = origin.addMSecs(millis ? count : count * 1000);
    QString qtFormat = format;
    qtFormat.replace("yyyy-mm-dd", "yyyy-MM-dd").replace(".000", ".zzz");
    return shown.toString(qtFormat);
}

// What the process holds open of the files in `folder`, or of /dev/full.
QStringList FilesOpenIn(const QString &folder)
{
    QStringList open;
    const QDir descriptors("/proc/self/fd");
    for (const QString &fd : descriptors.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(descriptors.filePath(fd));
        if (target.startsWith(folder + '/') || target == "/dev/full")
            open << target;
    }
    return open;
}

db::sql::TableRead ReadOf(const QString &table)
{
    db::sql::TableRead read;
    read.table = table;
    return read;
}

} // namespace

class TestExportWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        modeltest::createEveryTypeTable(m_db);
        m_db.exec({"INSERT INTO V (ID) VALUES (4)",
                   "INSERT INTO V (ID, F, TM, TS) VALUES (5, 0.1, '23:59:59.9999', "
                   "'2021-12-24 23:59:59.9999')",
                   "INSERT INTO V (ID, F) VALUES (6, 3.9)",
                   "CREATE TABLE X (ID INTEGER NOT NULL PRIMARY KEY, D DECIMAL(18,4), B BIGINT, "
                   "T VARCHAR(20), DT DATE)",
                   "INSERT INTO X VALUES (1, 98765432109876.5432, 9007199254740993, 'abcdefgh', "
                   "'1899-12-31')",
                   "INSERT INTO X VALUES (2, -0.5, -9007199254740992, 'ab', '1900-03-01')",
                   "INSERT INTO X VALUES (3, 1, 3, '', NULL)",
                   "CREATE TABLE EMPTY (ID INTEGER)"});
        m_db.release();
    }

    void names_data()
    {
        QTest::addColumn<QString>("made");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sheet: forbidden characters") << exports::SheetName("a[b]:c*d?e/f\\g", 1)
                                                     << "a_b__c_d_e_f_g";
        QTest::newRow("sheet: 31 characters at most")
            << exports::SheetName(QString(40, 'x'), 1) << QString(31, 'x');
        QTest::newRow("sheet: the second, cut to fit")
            << exports::SheetName(QString(40, 'x'), 2) << QString(27, 'x') + " (2)";
        QTest::newRow("sheet: no apostrophe at the ends") << exports::SheetName("'quoted'", 1)
                                                          << "quoted";
        QTest::newRow("sheet: blank name") << exports::SheetName("  ", 1) << "Sheet";
        QTest::newRow("file: no folder in the name") << exports::WorkbookFileName("a/../b")
                                                     << "a_.._b.xlsx";
        QTest::newRow("file: blanks only") << exports::WorkbookFileName("  ") << "table.xlsx";
        QTest::newRow("file: dots") << exports::WorkbookFileName("..") << "table.xlsx";
    }
    void names()
    {
        QFETCH(QString, made);
        QFETCH(QString, expected);
        QCOMPARE(made, expected);
    }

    // Numbers as numbers, dates as date serials, booleans as booleans, text
    // as text, NULL as no cell at all. A float holds the decimal the grid
    // shows; a date or time, read back in its format, shows what the grid
    // shows, to the millisecond.
    void typedCells()
    {
        const Sheet sheet = writeAndParse("V");
        const QStringList formats = StyleFormats(Unzipped(m_path, "xl/styles.xml"));
        struct Expected
        {
            const char *ref;
            SheetCell cell;
            QString shown = {};   // as the cell's format shows it, where it has one
        };
        const QList<Expected> expected{
            {"A1", {"inlineStr", "ID"}},  {"A2", {"", "1"}},         {"C2", {"", "1"}},
            {"E2", {"", "1.5"}},          {"F2", {"", "1.25"}},      {"H2", {"", "1.5"}},
            {"I2", {"", "1.25"}},         {"J2", {"", "36526"}, "2000-01-01"},
            {"K2", {"", "0.4166782407407407"}, "10:00:01"},
            {"L2", {"", "36526.41666666666"}, "2000-01-01 10:00:00"}, {"M2", {"b", "1"}},
            {"N2", {"inlineStr", "u1"}},  {"S2", {"inlineStr", "tb1"}},
            {"V2", {"inlineStr", "(BLOB, 3 bytes)"}}, {"A5", {"", "4"}},
            {"H6", {"", "0.1"}},          {"H7", {"", "3.9"}},
            {"K6", {"", "0.999999988425926"}, "23:59:59.999"},
            {"L6", {"", "44554.99999998842"}, "2021-12-24 23:59:59.999"}};
        for (const Expected &want : expected) {
            const SheetCell cell = sheet.value(want.ref);
            QVERIFY2(cell == want.cell, qPrintable(QString(want.ref) + ": " + cell.type + " " + cell.value));
            if (!want.shown.isEmpty())
                QCOMPARE(ShownAs(cell.value, formats.value(cell.style)), want.shown);
        }
        QVERIFY(!sheet.contains("B5") && !sheet.contains("M5") && !sheet.contains("V5"));
        const QByteArray styles = Unzipped(m_path, "xl/styles.xml");
        for (const char *format : {"yyyy-mm-dd", "hh:mm:ss", "yyyy-mm-dd hh:mm:ss", "0.0000"})
            QVERIFY2(styles.contains(QByteArray("formatCode=\"") + format + '"'), format);
    }

    // Values a double cannot hold, and dates before the spreadsheet's
    // calendar, stay text with every digit.
    void exactValuesStayText()
    {
        const Sheet sheet = writeAndParse("X");
        QCOMPARE(sheet.value("B2"), (SheetCell{"inlineStr", "98765432109876.5432"}));
        QCOMPARE(sheet.value("C2"), (SheetCell{"inlineStr", "9007199254740993"}));
        QCOMPARE(sheet.value("E2"), (SheetCell{"inlineStr", "1899-12-31"}));
        QCOMPARE(sheet.value("B3"), (SheetCell{"", "-0.5"}));
        QCOMPARE(sheet.value("C3"), (SheetCell{"", "-9007199254740992"}));
        QCOMPARE(sheet.value("E3"), (SheetCell{"", "61"}));
    }

    // A full sheet goes on in a further one, captions first; long texts are
    // cut and counted.
    void splitAndCut()
    {
        const exports::ExportOutcome outcome = write("X", {2, 5});
        QVERIFY(outcome.finished());
        QCOMPARE(outcome.notice.left(2), QString("4 "));   // the numbers kept as text too
        const QByteArray book = Unzipped(m_path, "xl/workbook.xml");
        QVERIFY(book.contains("name=\"X\"") && book.contains("name=\"X (2)\""));
        const Sheet first = ParseSheet(Unzipped(m_path, "xl/worksheets/sheet1.xml"));
        const Sheet second = ParseSheet(Unzipped(m_path, "xl/worksheets/sheet2.xml"));
        QCOMPARE(first.value("D2").value, QString("abcde"));
        QVERIFY(first.contains("A3") && !first.contains("A4"));
        QCOMPARE(second.value("A1").value, QString("ID"));
        QCOMPARE(second.value("A2").value, QString("3"));
    }

    void failuresLeaveNoFile()
    {
        QTemporaryDir missing;
        const QString unwritable = missing.filePath("gone/X.xlsx");
        exports::TableGridView grid(m_db.connectionString(), ReadOf("X"), 3);
        const exports::ExportOutcome failed = exports::WriteWorkbook(grid, unwritable, "X", m_jobs);
        QVERIFY(failed.failed == exports::ExportOutcome::Failure::Writing);
        QCOMPARE(exports::WorkbookReportLine(failed), 150);

        exports::TableGridView again(m_db.connectionString(), ReadOf("X"), 3);
        exports::ExportControl control;
        control.cancelled = true;
        exports::WorkbookWriter writer(m_path, "X");
        const exports::ExportOutcome cancelled = exports::StreamRows(
            again, [&]() -> exports::TableWriter & { return writer; }, {}, control);
        QVERIFY(cancelled.cancelled);
        QVERIFY(!QFile::exists(unwritable));
    }

    // A full disk: the report gives the system's reason, and nothing of the
    // workbook stays open or on the disk.
    void fullDiskLeavesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("X.xlsx");
        QVERIFY(QFile::link("/dev/full", path));
        exports::TableGridView grid(m_db.connectionString(), ReadOf("X"), 3);
        const exports::ExportOutcome outcome = exports::WriteWorkbook(grid, path, "X", m_jobs);
        QVERIFY(outcome.failed == exports::ExportOutcome::Failure::Writing);
        const QString report = app::Describe(outcome.failure);
        QVERIFY2(report.contains(qt_error_string(ENOSPC)) && !report.contains("ZIP"),
                 qPrintable(report));
        QCOMPARE(FilesOpenIn(dir.path()), QStringList());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                            | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The workbook's folder stays only when kept.
    void workbookFolderGoesUnlessKept()
    {
        QString dropped, kept;
        {
            const exports::WorkbookFolder folder("T");
            dropped = QFileInfo(folder.workbookPath()).path();
            QFile workbook(folder.workbookPath());
            QVERIFY(workbook.open(QIODevice::WriteOnly));
        }
        {
            exports::WorkbookFolder folder("T");
            kept = QFileInfo(folder.workbookPath()).path();
            folder.keep();
        }
        QVERIFY(!QFileInfo::exists(dropped));
        QVERIFY(QFileInfo::exists(kept));
        QDir(kept).removeRecursively();
    }

    // The editor's item: nothing for an empty table, the message once
    // without a spreadsheet application, else a workbook handed to it.
    void editorItem_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("available");
        QTest::addColumn<int>("messages");
        QTest::addColumn<int>("opened");
        QTest::newRow("rows, an application") << "X" << true << 0 << 1;
        QTest::newRow("rows, no application") << "X" << false << 1 << 0;
        QTest::newRow("no rows: nothing at all") << "EMPTY" << false << 0 << 0;
    }
    void editorItem()
    {
        QFETCH(QString, table);
        QFETCH(bool, available);
        QFETCH(int, messages);
        Harness h;
        QVERIFY(OpenInEditor(h, m_db, table));
        h.services.spreadsheet.available = available;
        h.services.messages.calls.clear();
        h.windows.form3().mnuSaveAs()->findChild<QAction *>("mnuXLS")->trigger();
        QCOMPARE(h.services.messages.calls.size(), messages);
        if (!available && table == "X")
            QCOMPARE(h.services.messages.calls[0].text, QString(app::SpreadsheetMissingText));
        QFETCH(int, opened);
        QCOMPARE(h.services.spreadsheet.opened.size(), opened);
        if (opened) {
            const QString path = h.services.spreadsheet.opened[0];
            QVERIFY(path.endsWith("/X.xlsx"));
            QCOMPARE(h.windows.form3().statusLine()->text(), ui::ExportDoneText(3, path));
            QCOMPARE(ParseSheet(Unzipped(path, "xl/worksheets/sheet1.xml")).value("B2").value,
                     QString("98765432109876.5432"));
            QCOMPARE(QFile::permissions(QFileInfo(path).path()) & QFile::ReadOther,
                     QFile::Permissions());
            QDir(QFileInfo(path).path()).removeRecursively();
        }
        QCOMPARE(h.windows.form3().MousePointer(), int(ui::WindowPointer::Default));
    }

private:
    exports::ExportOutcome write(const QString &table, exports::WorkbookLimits limits = {})
    {
        exports::TableGridView grid(m_db.connectionString(), ReadOf(table), -1);
        return exports::WriteWorkbook(grid, m_path, table, m_jobs, limits);
    }
    Sheet writeAndParse(const QString &table)
    {
        if (!write(table).finished())
            return {};
        return ParseSheet(Unzipped(m_path, "xl/worksheets/sheet1.xml"));
    }

    testsupport::TempDatabase m_db;
    db::JobsHere m_jobs;
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath("book.xlsx");
};

QTEST_MAIN(TestExportWorkbook)
#include "tst_export_workbook.moc"
