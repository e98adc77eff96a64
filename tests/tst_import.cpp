// Importing rows into real tables: a TXT or CSV export imported into an
// empty copy of its table gives the same table; bad input of every kind is
// refused with its line number and writes nothing; refused rows skipped
// into a report; rows with the same key updated; Cancel rolls back, also
// through a job runner.

#include "export/exportrun.h"
#include "export/gridview.h"
#include "export/importrun.h"
#include "tests/support/exportfiles.h"
#include "tests/tst_tablemodel_harness.h"
#include "ui/refusaltexts.h"

#include <QFile>
#include <QTemporaryDir>

using namespace modeltest;
using testsupport::ReadFile;

namespace {

const QString RoundTripColumns = QStringLiteral(
    "(ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, B BIGINT, N18 NUMERIC(18,4), "
    "D42 DECIMAL(4,2), F FLOAT, DP DOUBLE PRECISION, DT DATE, TM TIME, TS TIMESTAMP, "
    "BO BOOLEAN, VU VARCHAR(40), VW VARCHAR(40) CHARACTER SET WIN1252, "
    "VI VARCHAR(40) CHARACTER SET ISO8859_1, VN VARCHAR(40) CHARACTER SET NONE, CU CHAR(6), "
    "TB BLOB SUB_TYPE TEXT, TBW BLOB SUB_TYPE TEXT CHARACTER SET WIN1252)");

// Rows every format carries: plain values, NULLs, non-ASCII text, extremes,
// quotes and line breaks.
const QStringList CommonRows{
    "1, 1, 2, 3, 1.5, 1.25, 1.5, 2.25, '2000-01-01', '10:00:01', '2000-01-01 10:00:00', TRUE, "
    "'u', 'w', 'i', 'n', 'c', 'tb', 'tbw'",
    "2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
    "NULL, NULL, NULL, NULL",
    "3, -32768, -2147483648, 9223372036854775807, -99999999999999.9999, -99.99, 3.0e38, "
    "-1.7e308, '0001-01-01', '23:59:59.9999', '9999-12-31 23:59:59.9999', "
    "FALSE, 'Ünïcødé ΑΒΓ 中文', 'Müller € „x“', 'Søren Ærø', 'naïve', 'çà', "
    "'Łukasz Wójcik ' || CAST(LPAD('', 10000, 'ж') AS BLOB SUB_TYPE TEXT) || "
    "LPAD('', 10000, 'ж') || LPAD('', 10000, 'ж'), 'Grüße €'",
    "4, 0, 0, 0, 0, 0, 1e-30, 1e-300, '2024-02-29', '00:00:00', '2024-02-29 00:00:00.0001', "
    "TRUE, 'say \"hi\" ''there''', 'two' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'lines', "
    "'lf' || ASCII_CHAR(10) || 'only', 'a,b;c', 'x', 'tb' || ASCII_CHAR(13) || ASCII_CHAR(10) "
    "|| 'end', 'q\"q'",
};

// What only CSV carries: TABs, empty text beside NULL, the word NULL.
const QStringList CsvOnlyRows{
    "5, 1, 1, 1, 1, 1, 1, 1, '2000-01-01', '10:00:00', '2000-01-01 10:00:00', TRUE, "
    "'tab' || ASCII_CHAR(9) || 'in', '', 'NULL', ASCII_CHAR(9), '', '', NULL",
};

// Runs a job's one piece here, cancelling it first when asked, and keeps
// what its progress dialog would say at the end.
struct StepRunner : db::JobRunner
{
    explicit StepRunner(bool cancel) : cancel(cancel) {}
    void run(db::Job &job) override
    {
        QVERIFY(job.prepare() == db::Job::Step::Work);
        if (cancel)
            job.cancel();
        job.runWork();
        job.apply();
        progress = job.progressText();
        permille = job.progressPermille();
    }
    bool cancel;
    QString progress;
    int permille = -2;
};

exports::ImportRequest RequestFor(const TempDatabase &database, const QString &table,
                                  const QString &path)
{
    exports::ImportRequest request;
    request.path = path;
    request.connectionString = database.connectionString();
    request.table = table;
    request.targets = db::LoadImportTargets(database.connectionString(), table);
    request.wording = &ui::RefusalText;
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(65536) : QByteArray();
    exports::ImportOptions &options = request.options;
    options.layout = exports::SniffFile(head, path).layout;
    exports::ImportPreview preview = exports::ReadPreview(path, {}, options.layout);
    QStringList names;
    for (const db::ImportTarget &target : request.targets)
        names << target.column.name;
    const QStringList first = preview.records.empty() ? QStringList()
                                                      : preview.records.front().fields;
    options.captions = exports::LooksLikeCaptions(first, names);
    options.mapping = exports::DefaultMapping(request.targets, first, options.captions,
                                              int(first.size()));
    return request;
}

int Count(const TempDatabase &database, const QString &table)
{
    return rowsOf(database, "SELECT CAST(COUNT(*) AS VARCHAR(20)) FROM " + table).value(0).toInt();
}

// ID|NAME per row of P, in key order; NULL as <null>.
QStringList People(const TempDatabase &database, const QString &table = "P")
{
    return rowsOf(database, "SELECT ID || '|' || COALESCE(NAME, '<null>') FROM " + table
                                + " ORDER BY ID");
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db.exec("CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20) NOT NULL)");
    }

    void init()
    {
        m_db.exec("DELETE FROM P");
    }

    // Export, import into an empty copy, compare every stored byte.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("nullText");
        QTest::newRow("TXT") << "txt" << "";
        QTest::newRow("CSV, NULL as an empty field") << "csv" << "";
        QTest::newRow("CSV, NULL written and read as NULL") << "csv" << "NULL";
    }
    void roundTrip()
    {
        QFETCH(QString, format);
        QFETCH(QString, nullText);
        const QString source = "SRC_" + QString(QTest::currentDataTag()).left(3) + nullText;
        const QString copy = "DST_" + QString(QTest::currentDataTag()).left(3) + nullText;
        m_db.exec({"CREATE TABLE " + source + " " + RoundTripColumns,
                   "CREATE TABLE " + copy + " " + RoundTripColumns});
        QStringList rows = CommonRows;
        if (format == "csv")
            rows += CsvOnlyRows;
        for (const QString &row : rows)
            m_db.exec("INSERT INTO " + source + " VALUES (" + row + ")");

        const QString path = m_dir.filePath(source + "." + format);
        exports::CsvOptions csv;
        csv.nullText = nullText;
        db::sql::TableRead read;
        read.table = source;
        exports::TableGridView grid(m_db.connectionString(), read, -1);
        exports::ExportControl exportControl;
        const exports::ExportOutcome exported = exports::WriteTableFile(
            grid,
            [&](QIODevice &device) -> std::unique_ptr<exports::TableWriter> {
                if (format == "csv")
                    return std::make_unique<exports::CsvWriter>(device, csv);
                return std::make_unique<exports::DelimitedTextWriter>(device);
            },
            path, exportControl);
        QVERIFY(exported.finished());

        exports::ImportRequest request = RequestFor(m_db, copy, path);
        QCOMPARE(request.options.layout.trailingTab, format == "txt");
        QVERIFY(request.options.captions);
        request.options.nullText = nullText;
        exports::ImportControl control;
        const exports::ImportOutcome outcome = exports::RunImport(request, control);
        QVERIFY2(outcome.end == exports::ImportOutcome::End::Committed, qPrintable(outcome.failure));
        QCOMPARE(outcome.imported, qint64(rows.size()));
        QCOMPARE(control.rows.load(), qint64(rows.size()));
        QCOMPARE(tableSnapshot(m_db, copy), tableSnapshot(m_db, source));
    }

    // Each case: a clear message naming its line, and nothing written.
    void badInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("afterPreview");   // "delete", "grow" or nothing
        QTest::addColumn<qint64>("line");
        QTest::addColumn<QString>("words");
        QTest::addColumn<bool>("inPreview");         // the preview says so already
        const QByteArray good("ID,NAME\r\n1,Ann\r\n");
        QTest::newRow("more fields than the first line")
            << good + "2,Bob,x\r\n" << "" << qint64(3) << "has 3 fields, the first line has 2"
            << true;
        QTest::newRow("fewer fields than the first line")
            << good + "2\r\n3,Cy\r\n" << "" << qint64(3) << "has 1 field, the first line has 2"
            << true;
        QTest::newRow("unterminated quote at the end of the file")
            << good + "2,\"Bob\r\n3,Cy\r\n" << "" << qint64(3) << "not closed" << true;
        QTest::newRow("a 10 MB field") << good + "2," + QByteArray(10 << 20, 'x') + "\r\n"
                                       << "" << qint64(3) << "column NAME: At most 20 characters"
                                       << false;
        QTest::newRow("invalid UTF-8") << good + "2,M\xFCller\r\n" << "" << qint64(3)
                                       << "not valid UTF-8" << true;
        QTest::newRow("a binary file") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0", 18)
                                       << "" << qint64(3) << "binary data" << true;
        QTest::newRow("an empty file") << QByteArray() << "" << qint64(1) << "empty" << true;
        QTest::newRow("deleted after the preview")
            << good << "delete" << qint64(1) << "deleted or moved" << false;
        QTest::newRow("grown after the preview")
            << good << "grow" << qint64(1) << "changed after its preview" << false;
        QTest::newRow("a value the server refuses: NULL in a NOT NULL column")
            << good + "2,\r\n" << "" << qint64(3) << "NAME may not be empty (NULL)" << false;
        QTest::newRow("a duplicate key: the server's refusal sentence and its text")
            << good + "1,Bob\r\n" << "" << qint64(3) << "Another record already has ID = 1"
            << false;
    }
    void badInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, afterPreview);
        QFETCH(qint64, line);
        QFETCH(QString, words);
        QFETCH(bool, inPreview);
        const QString path = write("bad.csv", bytes);
        exports::ImportRequest request = RequestFor(m_db, "P", path);
        const exports::ImportPreview preview =
            exports::ReadPreview(path, {}, request.options.layout);
        QCOMPARE(preview.problem.contains(QString("Line %1: ").arg(line)), inPreview);
        if (request.options.mapping.empty() || request.options.mapping[0] < 0)
            request.options.mapping = {0, 1};
        request.options.captions = true;
        request.previewedSize = preview.fileSize;
        if (afterPreview == "delete")
            QVERIFY(QFile::remove(path));
        if (afterPreview == "grow")
            write("bad.csv", bytes + "2,Bob\r\n");
        exports::ImportControl control;
        const exports::ImportOutcome outcome = exports::RunImport(request, control);
        QVERIFY(outcome.end == exports::ImportOutcome::End::Failed);
        QVERIFY2(outcome.failure.startsWith("Nothing was imported."), qPrintable(outcome.failure));
        QVERIFY2(outcome.failure.contains(QString("Line %1").arg(line)), qPrintable(outcome.failure));
        QVERIFY2(outcome.failure.contains(words), qPrintable(outcome.failure));
        QCOMPARE(Count(m_db, "P"), 0);
        QVERIFY(outcome.reportPath.isEmpty());
    }

    // Refused lines go to the report beside the file; the others commit.
    void skipRefusedRows()
    {
        const QString path = write("people.csv", "ID,NAME\r\n1,Ann\r\n2,\r\nx,Cy\r\n3,Di,extra\r\n"
                                                 "4,Ed\r\n1,Dup\r\n");
        exports::ImportRequest request = RequestFor(m_db, "P", path);
        request.options.skipRefused = true;
        exports::ImportControl control;
        const exports::ImportOutcome outcome = exports::RunImport(request, control);
        QVERIFY2(outcome.end == exports::ImportOutcome::End::Committed, qPrintable(outcome.failure));
        QCOMPARE(outcome.imported, qint64(2));
        QCOMPARE(People(m_db), QStringList({"1|Ann", "4|Ed"}));
        QCOMPARE(outcome.reportPath, m_dir.filePath("people.refused.txt"));
        const QStringList lines = QString::fromUtf8(ReadFile(outcome.reportPath)).split("\r\n");
        QCOMPARE(lines.size(), 7);   // heading, column names, 4 lines, the last line end
        QCOMPARE(lines[1], QString("Line\tColumn\tReason"));
        QVERIFY2(lines[2].startsWith("3\tNAME\tNAME may not be empty"), qPrintable(lines[2]));
        QVERIFY2(lines[3].startsWith("4\tID\tNot a number"), qPrintable(lines[3]));
        QVERIFY2(lines[4].startsWith("5\t\tThis line has 3 fields"), qPrintable(lines[4]));
        QVERIFY2(lines[5].startsWith("7\t\tAnother record already has ID = 1"), qPrintable(lines[5]));
    }

    void updateRowsWithTheSameKey()
    {
        m_db.exec({"INSERT INTO P VALUES (1, 'Ann')", "INSERT INTO P VALUES (2, 'Bob')"});
        const QString path = write("update.csv", "ID,NAME\r\n2,Robert\r\n3,Cy\r\n");
        exports::ImportRequest request = RequestFor(m_db, "P", path);
        request.options.updateSameKey = true;
        exports::ImportControl control;
        const exports::ImportOutcome outcome = exports::RunImport(request, control);
        QVERIFY2(outcome.end == exports::ImportOutcome::End::Committed, qPrintable(outcome.failure));
        QCOMPARE(People(m_db), QStringList({"1|Ann", "2|Robert", "3|Cy"}));
    }

    void cancelRollsBack()
    {
        const QString path = write("cancel.csv", "ID,NAME\r\n1,Ann\r\n2,Bob\r\n");
        exports::ImportRequest request = RequestFor(m_db, "P", path);
        exports::ImportControl control;
        control.cancelled = true;
        const exports::ImportOutcome outcome = exports::RunImport(request, control);
        QVERIFY(outcome.end == exports::ImportOutcome::End::Cancelled);
        QCOMPARE(Count(m_db, "P"), 0);
    }

    // Through a job runner: the progress line counts the lines out of the
    // preview's count, and a cancel that reaches the job after it began
    // rolls the import back.
    void asAJob_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<int>("permille");
        QTest::newRow("to the end") << false << "2 of about 3 rows imported" << 666;
        QTest::newRow("cancelled") << true << "0 of about 3 rows imported" << 0;
    }
    void asAJob()
    {
        QFETCH(bool, cancel);
        QFETCH(QString, progress);
        QFETCH(int, permille);
        const QString path = write("job.csv", "ID,NAME\r\n1,Ann\r\n2,Bob\r\n");
        const exports::ImportRequest request = RequestFor(m_db, "P", path);
        StepRunner jobs(cancel);
        const exports::ImportOutcome outcome = exports::RunImport(jobs, request, {3, true});
        QCOMPARE(jobs.progress, progress);
        QCOMPARE(jobs.permille, permille);
        QVERIFY(outcome.end == (cancel ? exports::ImportOutcome::End::Cancelled
                                       : exports::ImportOutcome::End::Committed));
        QCOMPARE(People(m_db), cancel ? QStringList() : QStringList({"1|Ann", "2|Bob"}));
    }

    // Identity and computed columns are left to the database by default;
    // empty cells may be taken as empty text.
    void defaultsOfTheMapping()
    {
        m_db.exec("CREATE TABLE G (ID INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
                  "NAME VARCHAR(10), TWICE COMPUTED BY (CHAR_LENGTH(NAME) * 2))");
        const QString path = write("g.csv", "ID,NAME,TWICE\r\n7,ab,0\r\n8,,0\r\n");
        exports::ImportRequest request = RequestFor(m_db, "G", path);
        QCOMPARE(request.options.mapping, std::vector<int>({-1, 1, -1}));
        request.options.emptyIsNull = false;
        exports::ImportControl control;
        const exports::ImportOutcome outcome = exports::RunImport(request, control);
        QVERIFY2(outcome.end == exports::ImportOutcome::End::Committed, qPrintable(outcome.failure));
        QCOMPARE(rowsOf(m_db, "SELECT ID || '|' || NAME || '|' || TWICE FROM G ORDER BY ID"),
                 QStringList({"1|ab|4", "2||0"}));
    }

private:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return path;
    }

    TempDatabase m_db;
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
