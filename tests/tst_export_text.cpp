// The text exports (TXT, CSV, XML) from real tables: exact bytes, values
// that read back, the grid's order and texts, failures that leave no file.

#include "export/gridview.h"
#include "export/pdfexport.h"
#include "export/textexports.h"
#include "platform/scriptedservices.h"
#include "tests/support/exportfiles.h"
#include "tests/tst_tablemodel_harness.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

using namespace modeltest;
using testsupport::ReadCsv;
using testsupport::ReadFile;
using exports::ExportOutcome;

namespace {

using SaveFunction = ExportOutcome (*)(exports::GridView &, const QString &, exports::ExportUi);

SaveFunction SaveFor(const QString &format)
{
    if (format == "TXT")
        return exports::SaveDataGridToFile;
    if (format == "CSV")
        return [](exports::GridView &grid, const QString &path, exports::ExportUi ui) {
            return exports::SaveDataGridToCsvFile(grid, path, ui);
        };
    return exports::SaveDataGridToXMLFile;
}

db::sql::TableRead ReadOf(const QString &table)
{
    db::sql::TableRead read;
    read.table = table;
    return read;
}



// Values that need care in every format, one row each.
const QStringList TrickyValues{
    "a,b", "say \"hi\"", "two\r\nlines", "cr\ronly", "lf\nonly", "<&> ]]>",
    "Ünïcødé ΑΒΓ 中文", "", "  blanks  ",
};

} // namespace

class TestExportText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db.exec({"CREATE TABLE T1 (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))",
                   "INSERT INTO T1 VALUES (1, 'Ann')",
                   "CREATE TABLE T2 (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))",
                   "INSERT INTO T2 VALUES (1, 'Ann')", "INSERT INTO T2 VALUES (2, 'Bob')",
                   "CREATE TABLE EMPTY (ID INTEGER, NAME VARCHAR(20))",
                   "CREATE TABLE Q (ID INTEGER NOT NULL PRIMARY KEY, \"A B\" VARCHAR(40), "
                   "\"x<y\" INTEGER, \"1st\" VARCHAR(5))"});
        for (int i = 0; i < TrickyValues.size(); ++i) {
            QString literal = TrickyValues[i];
            literal.replace("'", "''").replace("\r", "' || ASCII_CHAR(13) || '")
                .replace("\n", "' || ASCII_CHAR(10) || '");
            m_db.exec(QString("INSERT INTO Q VALUES (%1, '%2', NULL, '')").arg(i).arg(literal));
        }
        m_db.exec("INSERT INTO Q VALUES (99, 'bell' || ASCII_CHAR(7) || 'end', 5, NULL)");
        createEveryTypeTable(m_db);
        m_db.exec("INSERT INTO V (ID) VALUES (4)");
    }

    void exactBytes_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("TXT: TAB after every field, CR LF, no empty last line")
            << "TXT" << "T2" << QByteArray("ID\tNAME\t\r\n1\tAnn\t\r\n2\tBob\t\r\n");
        QTest::newRow("XML: six lines, none after </xml>") << "XML" << "T1"
            << QByteArray("<xml>\r\n<row>\r\n<ID>1</ID>\r\n<NAME>Ann</NAME>\r\n</row>\r\n</xml>");
        QTest::newRow("CSV: a heading line and a record per row")
            << "CSV" << "T2" << QByteArray("ID,NAME\r\n1,Ann\r\n2,Bob\r\n");
        QTest::newRow("TXT, no rows: the heading line") << "TXT" << "EMPTY"
                                                        << QByteArray("ID\tNAME\t\r\n");
        QTest::newRow("CSV, no rows") << "CSV" << "EMPTY" << QByteArray("ID,NAME\r\n");
        QTest::newRow("XML, no rows") << "XML" << "EMPTY" << QByteArray("<xml>\r\n</xml>");
    }
    void exactBytes()
    {
        QFETCH(QString, format);
        QFETCH(QString, table);
        QFETCH(QByteArray, expected);
        QCOMPARE(exportBytes(format, table), expected);
        QVERIFY(m_messages.calls.isEmpty());
    }

    void csvReadsBack()
    {
        const QByteArray bytes = exportBytes("CSV", "Q");
        // NULL is an empty field, empty text an empty pair of quotes.
        QVERIFY(bytes.contains("\r\n0,\"a,b\",,\"\"\r\n1,\"say \"\"hi\"\"\",,\"\"\r\n"));
        const QList<QStringList> records = ReadCsv(QString::fromUtf8(bytes));
        QCOMPARE(records.size(), TrickyValues.size() + 2);
        QCOMPARE(records.first(), QStringList({"ID", "A B", "x<y", "1st"}));
        for (int i = 0; i < TrickyValues.size(); ++i)
            QCOMPARE(records[i + 1], QStringList({QString::number(i), TrickyValues[i], "", ""}));
    }

    void xmlReadsBack()
    {
        QXmlStreamReader xml(exportBytes("XML", "Q"));
        QList<QStringList> rows;
        QStringList names;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"xml")
                continue;
            QStringList row;
            while (xml.readNextStartElement()) {
                if (rows.isEmpty())
                    names << xml.name().toString();
                row << xml.readElementText();
            }
            rows << row;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(names, QStringList({"ID", "A_B", "x_y", "_1st"}));
        QCOMPARE(rows.size(), TrickyValues.size() + 1);
        for (int i = 0; i < TrickyValues.size(); ++i)
            QCOMPARE(rows[i], QStringList({QString::number(i), TrickyValues[i], "", ""}));
        QCOMPARE(rows.last(), QStringList({"99", "bellend", "5", ""}));
        // The dropped bell is counted once, after the export.
        QCOMPARE(m_messages.calls.size(), 1);
        QVERIFY(m_messages.calls[0].text.startsWith("1 characters"));
    }

    // Names every XML reader takes, the older rules' too (U+FFFD found by
    // fuzzing: a name character for XML 1.0's fifth edition only).
    void elementNames_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        QTest::newRow("blank") << "A B" << "A_B";
        QTest::newRow("digit first") << "1st" << "_1st";
        QTest::newRow("letters outside ASCII") << "Größe" << "Größe";
        QTest::newRow("replacement character") << QString::fromUtf8("\xef\xbf\xbdk") << "_k";
        QTest::newRow("empty") << "" << "_";
    }
    void elementNames()
    {
        QFETCH(QString, caption);
        QFETCH(QString, name);
        QCOMPARE(exports::XmlElementName(caption), name);
        QXmlStreamReader xml("<" + name + "/>");
        QVERIFY2(xml.readNextStartElement() && !xml.hasError(), qPrintable(xml.errorString()));
    }

    // Every type as the grid shows it; NULL as an empty field, text blobs
    // whole, booleans as their text.
    void cellsAsTheGridShowsThem()
    {
        TableModel model;
        QVERIFY(bindAll(model, m_db, "V"));
        const QList<QByteArray> lines = exportBytes("TXT", "V").split('\n');
        QCOMPARE(lines.size(), model.recordCount() + 2);
        for (int row = 0; row < model.recordCount(); ++row) {
            const QStringList fields = QString::fromUtf8(lines[row + 1]).split('\t');
            for (int c = 0; c < model.columnCount(); ++c) {
                const QModelIndex index = model.index(row, c);
                const bool blob = model.headerData(c, Qt::Horizontal).toString().startsWith("TB");
                const QString shown = isNullAt(model, row, c) ? QString()
                    : blob || display(model, row, c).isEmpty() ? index.data(Qt::EditRole).toString()
                                                               : display(model, row, c);
                QCOMPARE(fields[c], shown);
            }
        }
        QVERIFY(lines[1].contains("\t(BLOB, 3 bytes)\t"));
    }

    // The grid's order, whatever it scrolled to: sorted descending here.
    void gridOrder()
    {
        TableModel model;
        QVERIFY(bindAll(model, m_db, "T2"));
        model.sort(1, Qt::DescendingOrder);
        QVERIFY(QTest::qWaitFor([&] { return !model.isBusy() && display(model, 0, 1) == "Bob"; }));
        exports::TableGridView grid(model.connectionString(), model.currentRead(), 2);
        QVERIFY(save("TXT", grid).finished());
        QCOMPARE(ReadFile(m_path), QByteArray("ID\tNAME\t\r\n2\tBob\t\r\n1\tAnn\t\r\n"));
    }

    void failuresLeaveNoFile_data()
    {
        QTest::addColumn<QString>("path");   // {} is the test's folder
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("line");
        QTest::newRow("missing folder") << "{}/missing/out.txt" << "T2" << 134;
        QTest::newRow("a folder as the file") << "{}" << "T2" << 134;
        QTest::newRow("a folder nobody may write") << "/proc/out.txt" << "T2" << 134;
        QTest::newRow("disk full") << "/dev/full" << "T2" << 134;
        QTest::newRow("unreadable table, existing file") << "{}/old.txt" << "NO_SUCH" << 126;
    }
    void failuresLeaveNoFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, table);
        QFETCH(int, line);
        path.replace("{}", m_dir.path());
        QFile old(m_dir.filePath("old.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);
        exports::TableGridView grid(m_db.connectionString(), ReadOf(table), -1);
        QCOMPARE(int(save("TXT", grid, path).failed != ExportOutcome::Failure::None), 1);
        QCOMPARE(m_messages.calls.size(), 1);
        QVERIFY(m_messages.calls[0].text.contains(
            QString("SaveDataGridToFile at line %1").arg(line)));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), before);
        QCOMPARE(ReadFile(old.fileName()), QByteArray("old"));
    }

    // A file the user did not choose is reported in the words of the
    // export's caller, with the system's reason.
    void writeFailureInTheCallersWords()
    {
        exports::TableGridView grid(m_db.connectionString(), ReadOf("T2"), -1);
        const auto restate = [](const exports::FileWriteError &error) {
            return exports::PdfTemporaryTextFailure(error.reason());
        };
        exports::SaveDataGridToFile(grid, "/dev/full", {m_messages, m_jobs, restate});
        QCOMPARE(m_messages.calls.size(), 1);
        const QString report = m_messages.calls[0].text;
        QVERIFY2(report.startsWith(exports::PdfTemporaryTextFailure(qt_error_string(ENOSPC))),
                 qPrintable(report));
        QVERIFY(!report.contains("/dev/full"));
    }

    // A disk that fills up while the last of the text is written (here a
    // file size limit): the failure is reported, and nothing is left.
    void fullDiskAtTheEnd()
    {
        exports::AtomicFile file(m_path);
        file.open();
        exports::WriteAll(file.device(), QByteArray(100, 'x'));
        // The file may not grow past 10 bytes: writes fail as on a full disk.
        const sighandler_t oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 10;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString failure;
        try {
            file.commit();
        } catch (const exports::FileWriteError &error) {
            failure = error.reason();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!failure.isEmpty());
        QVERIFY(!QFile::exists(m_path));
    }

    void readOnlyFolder()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        exports::TableGridView grid(m_db.connectionString(), ReadOf("T2"), -1);
        const ExportOutcome outcome = save("CSV", grid);
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(outcome.failed == ExportOutcome::Failure::Writing);
        QVERIFY(!QFile::exists(m_path));
    }

    void cancelWritesNothing()
    {
        QFile existing(m_path);
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("keep") == 4);
        existing.close();
        exports::TableGridView grid(m_db.connectionString(), ReadOf("T2"), 2);
        exports::ExportControl control;
        control.cancelled = true;
        const ExportOutcome outcome = exports::WriteTableFile(
            grid, [](QIODevice &d) { return std::make_unique<exports::CsvWriter>(d); }, m_path,
            control);
        QVERIFY(outcome.cancelled);
        QCOMPARE(ReadFile(m_path), QByteArray("keep"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"out"});
    }

    void cleanup()
    {
        m_messages.calls.clear();
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(m_dir.filePath(name));
    }

private:
    ExportOutcome save(const QString &format, exports::GridView &grid, const QString &path = {})
    {
        return SaveFor(format)(grid, path.isEmpty() ? m_path : path, {m_messages, m_jobs});
    }

    QByteArray exportBytes(const QString &format, const QString &table)
    {
        exports::TableGridView grid(m_db.connectionString(), ReadOf(table), -1);
        const ExportOutcome outcome = save(format, grid);
        if (!outcome.finished())
            return "<failed>";
        return ReadFile(m_path);
    }

    TempDatabase m_db;
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath("out");
    platform::ScriptedMessageBoxes m_messages;
    db::JobsHere m_jobs;
};

QTEST_MAIN(TestExportText)
#include "tst_export_text.moc"
