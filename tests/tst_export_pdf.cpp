// The PDF export: its layout decisions, and real tables made into PDFs
// read back with poppler's pdftotext, pdfinfo and pdftoppm.

#include "export/gridview.h"
#include "export/pdfexport.h"
#include "export/pdflayout.h"
#include "export/textexports.h"
#include "platform/scriptedservices.h"
#include "tests/support/tempdatabase.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using exports::ExportOutcome;
using namespace exports::pdf;

namespace {

using Widths = std::vector<double>;

// A poppler tool's standard output, as text.
QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(program, process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// The values of NAME ("n0001" ...) on a page, in reading order.
QList<int> NamesOn(const QString &page)
{
    QList<int> names;
    static const QRegularExpression name(QStringLiteral("\\bn(\\d{4})\\b"));
    for (const QRegularExpressionMatch &match : name.globalMatch(page))
        names << match.captured(1).toInt();
    return names;
}

const QString LongNote = QStringLiteral("long ").repeated(60) + QStringLiteral("END");

} // namespace

class TestExportPdf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db.exec({"CREATE TABLE PEOPLE (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(8), "
                   "NOTE VARCHAR(400), AMOUNT DECIMAL(10,2))",
                   "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= 130) DO BEGIN "
                   "INSERT INTO PEOPLE VALUES (:i, 'n' || LPAD(:i, 4, '0'), 'note ' || :i, "
                   ":i * 1.25); i = i + 1; END END",
                   "UPDATE PEOPLE SET NOTE = 'café é Ω Αλφα βήτα' WHERE ID = 3",
                   "UPDATE PEOPLE SET NOTE = 'two' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'lines' "
                   "WHERE ID = 5",
                   QString("UPDATE PEOPLE SET NOTE = '%1' WHERE ID = 7").arg(LongNote),
                   "CREATE TABLE EMPTY (ID INTEGER, NAME VARCHAR(8))"});
        QStringList columns, values;
        for (int c = 1; c <= 12; ++c) {
            columns << QString("C%1 VARCHAR(60)").arg(c);
            values << QString("'wide value number %1 of the row'").arg(c);
        }
        m_db.exec({"CREATE TABLE WIDE (" + columns.join(", ") + ")",
                   "INSERT INTO WIDE VALUES (" + values.join(", ") + ")"});
    }

    void pageCount_data()
    {
        QTest::addColumn<qint64>("rows");
        QTest::addColumn<qint64>("perPage");
        QTest::addColumn<qint64>("pages");
        QTest::newRow("no rows: the captions' page") << 0LL << 50LL << 1LL;
        QTest::newRow("one short page") << 1LL << 50LL << 1LL;
        QTest::newRow("exactly full") << 100LL << 50LL << 2LL;
        QTest::newRow("one row over") << 101LL << 50LL << 3LL;
        QTest::newRow("a page too small for a row") << 3LL << 0LL << 3LL;
    }
    void pageCount()
    {
        QFETCH(qint64, rows);
        QFETCH(qint64, perPage);
        QFETCH(qint64, pages);
        QCOMPARE(PageCount(rows, perPage), pages);
    }

    void rowsPerPageAndOrientation()
    {
        QCOMPARE(RowsPerPage(100, 10, 10), 9);
        QCOMPARE(RowsPerPage(15, 10, 10), 1);
        QCOMPARE(ChooseOrientation(500, 539), Orientation::Portrait);
        QCOMPARE(ChooseOrientation(539, 539), Orientation::Portrait);
        QCOMPARE(ChooseOrientation(540, 539), Orientation::Landscape);
    }

    void fitColumnWidths_data()
    {
        QTest::addColumn<Widths>("natural");
        QTest::addColumn<double>("available");
        QTest::addColumn<Widths>("fitted");
        QTest::newRow("fits: unchanged") << Widths{10, 20} << 100.0 << Widths{10, 20};
        QTest::newRow("narrow ones keep, wide ones share")
            << Widths{10, 200, 300} << 110.0 << Widths{10, 50, 50};
        QTest::newRow("a freed share frees the next") << Widths{30, 45, 200} << 120.0
                                                      << Widths{30, 45, 45};
        QTest::newRow("all too wide: equal") << Widths{90, 90} << 100.0 << Widths{50, 50};
    }
    void fitColumnWidths()
    {
        QFETCH(Widths, natural);
        QFETCH(double, available);
        QFETCH(Widths, fitted);
        QCOMPARE(FitColumnWidths(natural, available), fitted);
    }

    void safeFileName_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "CUSTOMERS" << "CUSTOMERS";
        QTest::newRow("path and Windows characters")
            << "../a/b\\c:d*e?f\"g<h>i|j" << "_a_b_c_d_e_f_g_h_i_j";
        QTest::newRow("blanks and dots at the ends") << " .Ordré Ω. " << "Ordré Ω";
        QTest::newRow("nothing left") << ".." << "table";
        QTest::newRow("control characters") << QString("a\tb\nc") << "a_b_c";
    }
    void safeFileName()
    {
        QFETCH(QString, table);
        QFETCH(QString, name);
        QCOMPARE(SafeFileName(table), name);
    }

    void textParts()
    {
        for (const char *number : {"0", "-12", "+3.50", ".5", "1e10", "2.5E-3"})
            QVERIFY2(LooksNumeric(QString(number)), number);
        for (const char *text : {"", "-", "1.2.3", "12a", "1e", "2020-01-01", "1 000"})
            QVERIFY2(!LooksNumeric(QString(text)), text);
        QCOMPARE(SplitRecord(u"a\tb\tc", 2), QStringList({"a", "b\tc"}));
        QCOMPARE(SplitRecord(u"a", 3), QStringList({"a", "", ""}));
        QCOMPARE(OneLine(u"a\r\nb\tc\nd"), QString("a b c d"));
    }

    // Every row once, in order, each page carrying on from the last, with
    // its captions and its number; the texts as they were.
    void rowsCaptionsAndPages()
    {
        QVERIFY(makePdf("PEOPLE"));
        QStringList pages = Run("pdftotext", {"-layout", m_pdf, "-"}).split(u'\f');
        pages.removeAll(QString());
        QVERIFY2(pages.size() >= 2, qPrintable(pages.value(0)));
        QList<int> all;
        for (int p = 0; p < pages.size(); ++p) {
            const QString &page = pages[p];
            QVERIFY(page.contains(QString("Page %1 of %2").arg(p + 1).arg(pages.size())));
            const QRegularExpression captions("PEOPLE\\s*\\n\\s*ID\\s+NAME\\s+NOTE\\s+AMOUNT\\s*\\n");
            QVERIFY2(page.contains(captions), qPrintable(page.left(300)));
            all << NamesOn(page);
        }
        QList<int> expected(130);
        std::iota(expected.begin(), expected.end(), 1);
        QCOMPARE(all, expected);
        const QString text = pages.join(u'\f');
        QVERIFY(text.contains(QRegularExpression("n0003\\s+café é Ω Αλφα βήτα\\s+3.75\\n")));
        QVERIFY(text.contains(QRegularExpression("n0005\\s+two lines\\s+6.25\\n")));
        // The long note is cut short of the next column, not run into it.
        QVERIFY(text.contains(QRegularExpression("n0007\\s+(long )+[lon]*…\\s+8.75\\n")));
        QVERIFY(!text.contains("END"));
    }

    void orientation_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("pageSize");
        QTest::newRow("four columns: portrait") << "PEOPLE" << "595 x 842 pts";
        QTest::newRow("twelve wide columns: landscape") << "WIDE" << "842 x 595 pts";
        QTest::newRow("no rows: captions only") << "EMPTY" << "595 x 842 pts";
    }
    void orientation()
    {
        QFETCH(QString, table);
        QFETCH(QString, pageSize);
        QVERIFY(makePdf(table));
        const QString info = Run("pdfinfo", {m_pdf});
        QVERIFY2(info.contains(QRegularExpression("Page size: +" + pageSize)), qPrintable(info));
        QVERIFY(Run("pdffonts", {m_pdf}).contains("DejaVuSans"));
        QVERIFY(Run("pdftotext", {"-layout", m_pdf, "-"}).contains("Page 1 of"));
    }

    // Page 1 at 50 dpi has ink on it.
    void pageIsDrawn()
    {
        QVERIFY(makePdf("PEOPLE"));
        const QString prefix = m_dir.filePath("page");
        Run("pdftoppm", {"-png", "-r", "50", "-f", "1", "-l", "1", "-singlefile", m_pdf, prefix});
        const QImage image(prefix + ".png");
        QVERIFY(!image.isNull());
        int dark = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        }
        QVERIFY2(dark > 2000, qPrintable(QString::number(dark)));
    }

    // A target that cannot be written, or a Cancel: no PDF, and a file of
    // that name stays as it was.
    void failuresWriteNothing_data()
    {
        QTest::addColumn<QString>("path");   // {} is the test's folder
        QTest::addColumn<bool>("cancel");
        QTest::newRow("a folder nobody may write") << "/proc/x.pdf" << false;
        QTest::newRow("missing folder") << "{}/missing/x.pdf" << false;
        QTest::newRow("Cancel, an existing file") << "{}/old.pdf" << true;
    }
    void failuresWriteNothing()
    {
        QFETCH(QString, path);
        QFETCH(bool, cancel);
        path.replace("{}", m_dir.path());
        QVERIFY(writeText("PEOPLE"));
        QFile old(m_dir.filePath("old.pdf"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);
        exports::ExportControl control;
        control.cancelled = cancel;
        const ExportOutcome outcome = exports::WritePdfFromText(m_text, path, "PEOPLE", control);
        QCOMPARE(outcome.cancelled, cancel);
        QCOMPARE(bool(outcome.failure), !cancel);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), before);
        QCOMPARE(ReadFile(old.fileName()), QByteArray("old"));
    }

    void cleanup()
    {
        QVERIFY(m_messages.calls.isEmpty());
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(m_dir.filePath(name));
    }

private:
    bool writeText(const QString &table)
    {
        db::sql::TableRead read;
        read.table = table;
        exports::TableGridView grid(m_db.connectionString(), read, -1);
        return exports::SaveDataGridToFile(grid, m_text, {m_messages, nullptr}).finished();
    }

    bool makePdf(const QString &table)
    {
        exports::ExportControl control;
        return writeText(table)
            && exports::WritePdfFromText(m_text, m_pdf, table, control).finished()
            && ReadFile(m_pdf).startsWith("%PDF-");
    }

    testsupport::TempDatabase m_db;
    QTemporaryDir m_dir;
    QString m_text = m_dir.filePath("grid.txt");
    QString m_pdf = m_dir.filePath("out.pdf");
    platform::ScriptedMessageBoxes m_messages;
};

QTEST_MAIN(TestExportPdf)
#include "tst_export_pdf.moc"
