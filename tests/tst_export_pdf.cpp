// The PDF export: its layout decisions, and real tables made into PDFs
// read back with poppler's pdftotext, pdfinfo and pdftoppm.

#include "export/gridview.h"
#include "export/pdfexport.h"
#include "export/pdflayout.h"
#include "export/textexports.h"
#include "platform/scriptedservices.h"
#include "tests/support/exportfiles.h"
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

using testsupport::ReadFile;

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


// The values of NAME ("n0001" ...) on a page, in reading order.
QList<int> NamesOn(const QString &page)
{
    QList<int> names;
    static const QRegularExpression name(QStringLiteral("\\bn(\\d{4})\\b"));
    for (const QRegularExpressionMatch &match : name.globalMatch(page))
        names << match.captured(1).toInt();
    return names;
}

// A note of about five lines, and one far past the six a cell may take.
const QString LongNote = QStringLiteral("long ").repeated(50) + QStringLiteral("WHOLE");
const QString CutNote = QStringLiteral("cut ").repeated(250) + QStringLiteral("LOST");

QString Squeezed(QString text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return text.remove(blanks);
}

} // namespace

class TestExportPdf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db.exec({"CREATE TABLE PEOPLE (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(8), "
                   "AMOUNT DECIMAL(10,2), NOTE VARCHAR(1200))",
                   "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= 130) DO BEGIN "
                   "INSERT INTO PEOPLE VALUES (:i, 'n' || LPAD(:i, 4, '0'), :i * 1.25, "
                   "'note ' || :i); i = i + 1; END END",
                   "UPDATE PEOPLE SET NOTE = 'café é Ω Αλφα βήτα' WHERE ID = 3",
                   "UPDATE PEOPLE SET NOTE = 'two' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'lines' "
                   "WHERE ID = 5",
                   QString("UPDATE PEOPLE SET NOTE = '%1' WHERE ID = 7").arg(LongNote),
                   QString("UPDATE PEOPLE SET NOTE = '%1' WHERE ID = 9").arg(CutNote),
                   "CREATE TABLE EMPTY (ID INTEGER, NAME VARCHAR(8))",
                   // Twelve columns of ids, names, an e-mail, dates, a timestamp and a note.
                   "CREATE TABLE STAFF (STAFF_ID INTEGER, DEPARTMENT_ID INTEGER, FIRST_NAME "
                   "VARCHAR(20), LAST_NAME VARCHAR(20), EMAIL_ADDRESS VARCHAR(60), BIRTH_DATE DATE, "
                   "HIRE_DATE DATE, LAST_LOGIN TIMESTAMP, MANAGER_ID INTEGER, SALARY "
                   "DECIMAL(10,2), REMARKS VARCHAR(60), \"DATE OF THE LAST REVIEW\" DATE)",
                   "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= 60) DO BEGIN "
                   "INSERT INTO STAFF VALUES (:i, 10 + MOD(:i, 7), 'Alexandra', 'Montgomery-Smythe', "
                   "'alexandra.montgomery' || :i || '@example.com', '1985-03-14', '2019-11-02', "
                   "'2023-01-05 09:12:44.5000', 3, 54321.50, "
                   "'prefers remote work on Fridays, row ' || :i, '2022-12-01'); i = i + 1; END END"});
    }

    void pageFiller_data()
    {
        QTest::addColumn<Widths>("heights");
        QTest::addColumn<double>("room");
        QTest::addColumn<QList<int>>("starts");
        QTest::newRow("all on one page") << Widths{10, 10} << 25.0 << QList<int>{};
        QTest::newRow("exactly full") << Widths{10, 15, 10} << 25.0 << QList<int>{2};
        QTest::newRow("a tall row moves whole") << Widths{10, 10, 20, 5} << 25.0 << QList<int>{2};
        QTest::newRow("taller than a page: a page of its own")
            << Widths{10, 30, 10} << 25.0 << QList<int>{1, 2};
    }
    void pageFiller()
    {
        QFETCH(Widths, heights);
        QFETCH(double, room);
        QFETCH(QList<int>, starts);
        PageFiller filler(room);
        QList<int> found;
        for (int row = 0; row < int(heights.size()); ++row) {
            if (filler.startsNewPage(heights[row]))
                found << row;
        }
        QCOMPARE(found, starts);
    }

    // Every character one unit wide; at most two lines, then six.
    void wrapLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("fits") << "abc def" << 7.0 << QStringList{"abc def"};
        QTest::newRow("at the last blank that fits") << "abc def ghi" << 8.0
                                                     << QStringList{"abc def", "ghi"};
        QTest::newRow("a blank just past the edge") << "abc def" << 3.0
                                                    << QStringList{"abc", "def"};
        QTest::newRow("no blank: anywhere") << "abcdefgh" << 3.0
                                            << QStringList{"abc", "def", "gh"};
        QTest::newRow("blanks at a break dropped") << "ab    cd" << 3.0 << QStringList{"ab", "cd"};
        QTest::newRow("narrower than a character") << "abc" << 0.5 << QStringList{"a", "b", "c"};
    }
    void wrapLines()
    {
        QFETCH(QString, text);
        QFETCH(double, width);
        QFETCH(QStringList, lines);
        for (int cap : {2, 6}) {
            std::vector<TextLine> found;
            const bool cut = WrapLines(text, Widths(text.size(), 1.0), width, cap, found);
            QCOMPARE(cut, lines.size() > cap);
            QStringList texts;
            for (const TextLine &line : found)
                texts << text.mid(line.from, line.length);
            QCOMPARE(texts, lines.mid(0, cap));
        }
        const double advances[] = {1, 2, 3};
        QCOMPARE(CharsThatFit(advances, 3, 2.9), 1);
        QCOMPARE(CharsThatFit(advances, 3, 6), 3);
    }

    void fitColumnWidths_data()
    {
        QTest::addColumn<Widths>("natural");
        QTest::addColumn<Widths>("least");
        QTest::addColumn<double>("available");
        QTest::addColumn<Widths>("fitted");
        QTest::newRow("fits: unchanged") << Widths{10, 20} << Widths{} << 100.0 << Widths{10, 20};
        QTest::newRow("narrow ones keep, wide ones share")
            << Widths{10, 200, 300} << Widths{} << 110.0 << Widths{10, 50, 50};
        QTest::newRow("a freed share frees the next")
            << Widths{30, 45, 200} << Widths{} << 120.0 << Widths{30, 45, 45};
        QTest::newRow("all too wide: equal") << Widths{90, 90} << Widths{} << 100.0
                                             << Widths{50, 50};
        QTest::newRow("a caption's word is not squeezed")
            << Widths{30, 200, 200} << Widths{0, 90, 0} << 120.0 << Widths{15, 90, 15};
        QTest::newRow("words that cannot all fit: shared")
            << Widths{100, 100} << Widths{80, 80} << 100.0 << Widths{50, 50};
    }
    void fitColumnWidths()
    {
        QFETCH(Widths, natural);
        QFETCH(Widths, least);
        QFETCH(double, available);
        QFETCH(Widths, fitted);
        QCOMPARE(FitColumnWidths(natural, least, available), fitted);
        QCOMPARE(ChooseOrientation(539, 539), Orientation::Portrait);
        QCOMPARE(ChooseOrientation(540, 539), Orientation::Landscape);
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

    // Every row once, in order, rows of one line and of six on the same
    // pages, each page carrying on from the last, with its captions and its
    // number; the texts as they were.
    void rowsCaptionsAndPages()
    {
        QVERIFY(makePdf("PEOPLE"));
        const QStringList pages = pdfPages();
        QVERIFY2(pages.size() >= 2, qPrintable(pages.value(0)));
        QList<int> all;
        for (int p = 0; p < pages.size(); ++p) {
            const QString &page = pages[p];
            QVERIFY(page.contains(QString("Page %1 of %2").arg(p + 1).arg(pages.size())));
            const QRegularExpression captions("PEOPLE\\s*\\n\\s*ID\\s+NAME\\s+AMOUNT\\s+NOTE\\s*\\n");
            QVERIFY2(page.contains(captions), qPrintable(page.left(300)));
            all << NamesOn(page);
        }
        QList<int> expected(130);
        std::iota(expected.begin(), expected.end(), 1);
        QCOMPARE(all, expected);
        const QString text = pages.join(u'\f');
        QVERIFY(text.contains(QRegularExpression("n0003\\s+3.75\\s+café é Ω Αλφα βήτα\\n")));
        QVERIFY(text.contains(QRegularExpression("n0005\\s+6.25\\s+two lines\\n")));
    }

    // Long texts wrap within their column and show whole, up to six lines;
    // only a longer one is cut with an ellipsis. pdftotext may break a text
    // anywhere, so the text is compared without its blanks.
    void longTexts_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("shown");   // a pattern over the text without blanks
        QTest::addColumn<int>("times");       // -1: once on every page
        QTest::addColumn<QString>("absent");
        QTest::newRow("a long note whole")
            << "PEOPLE" << QRegularExpression::escape(Squeezed("n0007 8.75 " + LongNote)) << 1
            << "LOST";
        QTest::newRow("a longer note cut on its sixth line")
            << "PEOPLE" << "n000911.25(cut){40,}c?u?…10n0010" << 1 << "LOST";
        QTest::newRow("twelve columns: every timestamp")
            << "STAFF" << "2023-01-05.{0,200}?09:12:44\\.5000" << 60 << "…";
        QTest::newRow("twelve columns: every e-mail")
            << "STAFF" << "alexandra\\.[^@]{0,200}@e" << 60 << "…";
        QTest::newRow("twelve columns: a caption wrapped on every page")
            << "STAFF" << "STAFF_ID.{0,300}?DATEOFTHE.{0,300}?LASTREVIEW" << -1 << "…";
        QTest::newRow("twelve columns: every note")
            << "STAFF" << "prefersremote.{0,200}?workonFridays,.{0,200}?row\\d+" << 60 << "…";
    }
    void longTexts()
    {
        QFETCH(QString, table);
        QFETCH(QString, shown);
        QFETCH(int, times);
        QFETCH(QString, absent);
        QVERIFY(makePdf(table));
        const QStringList pages = pdfPages();
        const QString text = Squeezed(pages.join(u'\f'));
        times = times < 0 ? int(pages.size()) : times;
        QVERIFY2(text.count(QRegularExpression(shown)) == times, qPrintable(text.left(3000)));
        QVERIFY(!text.contains(absent));
    }

    void orientation_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("pageSize");
        QTest::newRow("four columns: portrait") << "PEOPLE" << "595 x 842 pts";
        QTest::newRow("twelve columns: landscape") << "STAFF" << "842 x 595 pts";
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
        return exports::SaveDataGridToFile(grid, m_text, {m_messages, m_jobs}).finished();
    }

    QStringList pdfPages()
    {
        QStringList pages = Run("pdftotext", {"-layout", m_pdf, "-"}).split(u'\f');
        pages.removeAll(QString());
        return pages;
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
    db::JobsHere m_jobs;
};

QTEST_MAIN(TestExportPdf)
#include "tst_export_pdf.moc"
