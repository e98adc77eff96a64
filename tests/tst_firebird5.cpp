// Firebird 5 embedded, through its own client: files of ODS 12 and 13 in
// one process, and the types of Firebird 4 and newer through the grid, the
// clipboard's text and every export, compared with what isql prints.

#include "db/client/clientlibrary.h"
#include "db/client/connectionstring.h"
#include "db/client/firebird.h"
#include "db/client/odsheader.h"
#include "export/gridview.h"
#include "export/pdfexport.h"
#include "export/textexports.h"
#include "export/workbookexport.h"
#include "platform/scriptedservices.h"
#include "tests/support/exportfiles.h"
#include "tests/support/firebird5.h"
#include "tests/support/newtypes.h"
#include "tests/tst_tablemodel_harness.h"
#include "ui/gridclipboard.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace modeltest;
using namespace testsupport;

namespace {

// The cells of the first sheet: reference -> (type, value).
QHash<QString, QPair<QString, QString>> sheetCells(const QString &workbook)
{
    QProcess unzip;
    unzip.start("unzip", {"-p", workbook, "xl/worksheets/sheet1.xml"});
    unzip.waitForFinished(30000);
    QXmlStreamReader xml(unzip.readAllStandardOutput());
    QHash<QString, QPair<QString, QString>> cells;
    QString ref;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"c") {
            ref = xml.attributes().value("r").toString();
            cells[ref].first = xml.attributes().value("t").toString();
        } else if (xml.name() == u"v" || xml.name() == u"t") {
            cells[ref].second = xml.readElementText();
        }
    }
    return cells;
}

QString cellReference(int column, int row)
{
    return QString(QChar(u'A' + column)) + QString::number(row + 1);
}

} // namespace

class TestFirebird5 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_root = testsupport::Firebird5Root();
        if (m_root.isEmpty())
            QSKIP(qPrintable(testsupport::Firebird5Missing()));
        testsupport::UseFirebird5Client(m_root);
        m_db = std::make_unique<testsupport::TempDatabase>();
        m_db->exec({QStringLiteral("CREATE TABLE T (%1)").arg(Columns),
                    QStringLiteral("CREATE TABLE E (%1)").arg(Columns)});
        for (int id = 1; id <= CaseCount; ++id) {
            m_db->exec(QStringLiteral("INSERT INTO T (ID, %1) VALUES (%2, '%3')")
                           .arg(caseOf(id).column).arg(id).arg(caseOf(id).typed));
            m_db->exec(QStringLiteral("INSERT INTO E (ID) VALUES (%1)").arg(id));
        }
        m_db->release();
        m_isql = listedRows(testsupport::RunIsql(
            m_root, QStringLiteral("CONNECT '%1' PASSWORD '%2'; SET LIST ON; "
                                   "SELECT * FROM T ORDER BY ID;")
                        .arg(m_db->path(), testsupport::TempDatabase::Password)));
        QCOMPARE(m_isql.size(), CaseCount);
        QVERIFY(bindAll(m_model, *m_db, "T"));
        QCOMPARE(m_model.recordCount(), CaseCount);
    }

    void clientAndEngines()
    {
        const db::ClientInfo client = db::LoadedClient();
        QCOMPARE(client.version, QStringLiteral("5.0.4"));
        QVERIFY(client.library.startsWith(m_root));
        QVERIFY(!client.engines.empty());
        QCOMPARE(client.engines.front().version, QStringLiteral("5.0.4"));
        QCOMPARE(client.engines.front().odsMajor, 13);
        QCOMPARE(client.engines.front().odsMinor, 1);
        QVERIFY(db::ClientInfoText(client).contains("Firebird 5.0.4 (ODS 13.1)"));
        QCOMPARE(db::fb::ReadFileOds(m_db->path()).text(), QStringLiteral("13.1"));
    }

    // A file of Firebird 3 (made by its own isql) and one of Firebird 5,
    // each opened by its own engine in this one process.
    void bothStructuresInOneProcess()
    {
        if (!QFileInfo::exists(db::DefaultClientSearch().systemRoot + "/plugins/libEngine12.so"))
            QSKIP("Firebird 3's engine (firebird3.0-server-core) is not installed: skipped");
        QTemporaryDir dir;
        const QString old = dir.filePath("ods12.fdb");
        const QString made = testsupport::RunIsql(
            {}, QStringLiteral("CREATE DATABASE '%1' PASSWORD 'x'; CREATE TABLE OLD3 (ID INTEGER); "
                               "COMMIT;").arg(old));
        QVERIFY2(QFileInfo::exists(old), qPrintable(made));
        QCOMPARE(db::fb::ReadFileOds(old).text(), QStringLiteral("12.0"));
        const QString engine = "SELECT RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION') FROM RDB$DATABASE";
        QCOMPARE(valueOf(*m_db, engine), QStringLiteral("5.0.4"));
        const QString oldString = db::ConnectionString({old, "SYSDBA", "x"});
        QCOMPARE(db::UserTableNames(oldString), QStringList{"OLD3"});
        db::Attachment attachment = db::Attachment::open(oldString);
        db::Transaction tx = attachment.begin(db::TxMode::Browse);
        db::Statement statement(tx, engine);
        db::Cursor cursor = statement.openCursor(tx);
        const unsigned char *row = cursor.fetch();
        QVERIFY(row);
        QCOMPARE(QString::fromUtf8(db::valueBytes(statement.columns().at(0), row)),
                 QStringLiteral("3.0.11"));
        QVERIFY(!attachment.sendsNewTypesAsText());
    }

    // A header the engines here cannot open: what it is and where it opens.
    void wrongStructure_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("says");
        QTest::newRow("Firebird 2.5") << 11 << 2 << "ODS) 11.2, which Firebird 2.5 writes";
        QTest::newRow("Firebird 6") << 14 << 0 << "ODS) 14, which Firebird 6.0 or newer writes";
    }
    void wrongStructure()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QByteArray page(8192, '\0');
        page[0] = 1;
        page[16] = char(0x00);
        page[17] = char(0x20);   // 8192
        page[18] = char(major);
        page[19] = char(0x80);
        page[major <= 11 ? 62 : 64] = char(minor);
        QFile file(dir.filePath("x.fdb"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(page.repeated(4)) > 0);
        file.close();
        try {
            db::Attachment::open(db::ConnectionString({file.fileName(), "SYSDBA", "x"}));
            QFAIL("a file of another structure opened");
        } catch (const db::DbError &error) {
            QVERIFY2(error.message().contains(says), qPrintable(error.message()));
            QVERIFY2(error.message().contains(major > 13 ? "newer than" : "older than"),
                     qPrintable(error.message()));
        }
    }

    void shownAsIsqlPrintsIt_data() { addCaseRows(); }
    void shownAsIsqlPrintsIt()
    {
        QFETCH(int, id);
        const TypeCase &c = caseOf(id);
        QCOMPARE(m_isql[id][c.column], QString::fromLatin1(c.shown));
        QCOMPARE(display(m_model, id - 1, columnOf(m_model, c.column)), QString::fromLatin1(c.shown));
    }

    // The text copied from the grid, pasted into an empty row, is saved and
    // comes back the same: the server reads its own format.
    void copiedTextPastesBack_data() { addCaseRows(); }
    void copiedTextPastesBack()
    {
        QFETCH(int, id);
        const int column = columnOf(m_model, caseOf(id).column);
        const QString copied = ui::CopiedRangeOf({}, {{display(m_model, id - 1, column)}}).text;
        const QString pasted = ui::DelimitedRows(copied).value(0).value(0);
        TableModel edits;
        QVERIFY(bindAll(edits, *m_db, "E"));
        QVERIFY(edits.setData(edits.index(id - 1, column), pasted, Qt::EditRole));
        QVERIFY2(edits.submitRow(id - 1), qPrintable(edits.rowError(id - 1)));
        QCOMPARE(display(edits, id - 1, column), QString::fromLatin1(caseOf(id).shown));
        QCOMPARE(valueOf(*m_db, QStringLiteral("SELECT CAST(%1 AS VARCHAR(60)) FROM E WHERE ID = %2")
                                    .arg(caseOf(id).column).arg(id)),
                 QString::fromLatin1(caseOf(id).shown));
    }

    // Filters compare on the server, on the column's own type.
    void filterFindsTheValue_data() { addCaseRows(); }
    void filterFindsTheValue()
    {
        QFETCH(int, id);
        const TypeCase &c = caseOf(id);
        if (!c.comparable)
            QSKIP("NaN equals nothing");
        QStringList filter(Names.size());
        filter[Names.indexOf(c.column)] = QStringLiteral("= ") + c.shown;
        TableModel model;
        QVERIFY(bindAll(model, *m_db, "T"));
        QCOMPARE(model.setFilter(filter), QString());
        QVERIFY(settled(model));
        QStringList ids;
        for (int row = 0; row < model.recordCount(); ++row)
            ids << display(model, row, 0);
        QVERIFY2(ids.contains(QString::number(id)), qPrintable(ids.join(',')));
    }

    void sortsByValueNotText()
    {
        TableModel model;
        QVERIFY(bindAll(model, *m_db, "T"));
        const int column = columnOf(model, "I128");
        model.sort(column, Qt::AscendingOrder);
        QVERIFY(settled(model));
        QStringList values;
        for (int row = 0; row < model.recordCount(); ++row) {
            if (!isNullAt(model, row, column))
                values << display(model, row, column);
        }
        QCOMPARE(values, QStringList({"-170141183460469231731687303715884105728", "42",
                                      "170141183460469231731687303715884105727"}));
    }

    // Refused in the server's own words; the typed value stays in its cell.
    void badInputIsRefused_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("words");
        QTest::newRow("INT128 too large") << "I128" << "170141183460469231731687303715884105728"
                                          << "out of range";
        QTest::newRow("NUMERIC(38,4) too large") << "N38" << "123456789012345678901234567890123456"
                                                 << "out of range";
        QTest::newRow("DECFLOAT(16) too large") << "DF16" << "1E+385" << "overflow";
        QTest::newRow("unknown time zone") << "TSTZ" << "2026-12-08 10:00:00 Europe/Nowhere"
                                           << "Europe/Nowhere";
        QTest::newRow("not a number") << "I128" << "12abc" << "conversion error";
    }
    void badInputIsRefused()
    {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(QString, words);
        TableModel edits;
        QVERIFY(bindAll(edits, *m_db, "E"));
        const QModelIndex cell = edits.index(0, columnOf(edits, column));
        QVERIFY(edits.setData(cell, typed, Qt::EditRole));
        QVERIFY(!edits.submitRow(0));
        QVERIFY2(edits.rowError(0).contains(words), qPrintable(edits.rowError(0)));
        QCOMPARE(cell.data().toString(), typed);
    }

    void everyExport_data() { addCaseRows(); }
    void everyExport()
    {
        QFETCH(int, id);
        const TypeCase &c = caseOf(id);
        const int column = Names.indexOf(c.column);
        const QString shown = QString::fromLatin1(c.shown);
        makeExports();
        QVERIFY(m_txt.contains(shown));
        QCOMPARE(m_csv.value(id).value(column), shown);
        QCOMPARE(m_xml.value(id - 1).value(column), shown);
        QVERIFY2(m_pdf.contains(QString(shown).remove(' ')), qPrintable(m_pdf.left(400)));
        const auto cell = m_sheet.value(cellReference(column, id));
        const QString workbook = QString::fromLatin1(c.workbook);
        if (workbook == "s") {
            QCOMPARE(cell.first, QStringLiteral("inlineStr"));
            QCOMPARE(cell.second, shown);
        } else {
            QCOMPARE(cell.first, QString());
            QCOMPARE(cell.second, workbook.mid(2));
        }
    }

private:
    // A new read (sort, filter) has arrived whole.
    static bool settled(TableModel &model)
    {
        if (!QTest::qWaitFor([&] { return !model.isBusy(); }, 10000))
            return false;
        model.fetchAll();
        return QTest::qWaitFor([&] { return model.allRowsFetched(); }, 10000);
    }

    void makeExports()
    {
        if (m_exported)
            return;
        m_exported = true;
        db::sql::TableRead read;
        read.table = "T";
        platform::ScriptedMessageBoxes messages;
        db::JobsHere jobs;
        const auto save = [&](auto function, const QString &name) {
            exports::TableGridView grid(m_db->connectionString(), read, -1);
            const QString path = m_dir.filePath(name);
            if (!function(grid, path, exports::ExportUi{messages, jobs}).finished())
                return QStringLiteral("<export failed>");
            return QString::fromUtf8(testsupport::ReadFile(path));
        };
        m_txt = save(exports::SaveDataGridToFile, "t.txt");
        m_csv = testsupport::ReadCsv(save(
            [](exports::GridView &grid, const QString &path, exports::ExportUi ui) {
                return exports::SaveDataGridToCsvFile(grid, path, ui);
            },
            "t.csv"));
        QXmlStreamReader xml(save(exports::SaveDataGridToXMLFile, "t.xml"));
        while (xml.readNextStartElement()) {
            if (xml.name() == u"xml")
                continue;
            QStringList row;
            while (xml.readNextStartElement())
                row << xml.readElementText();
            m_xml << row;
        }
        exports::ExportControl control;
        QVERIFY(exports::WritePdfFromText(m_dir.filePath("t.txt"), m_dir.filePath("t.pdf"), "T",
                                          control).finished());
        QProcess pdftotext;
        pdftotext.start("pdftotext", {m_dir.filePath("t.pdf"), "-"});
        pdftotext.waitForFinished(30000);
        m_pdf = QString::fromUtf8(pdftotext.readAllStandardOutput()).remove(QRegularExpression("\\s"));
        exports::TableGridView grid(m_db->connectionString(), read, -1);
        const QString book = m_dir.filePath("t.xlsx");
        QVERIFY(exports::WriteWorkbook(grid, book, "T", jobs).finished());
        m_sheet = sheetCells(book);
    }

    QString m_root;
    std::unique_ptr<testsupport::TempDatabase> m_db;
    QHash<int, QHash<QString, QString>> m_isql;
    TableModel m_model;
    QTemporaryDir m_dir;
    bool m_exported = false;
    QString m_txt;
    QList<QStringList> m_csv;
    QList<QStringList> m_xml;
    QString m_pdf;
    QHash<QString, QPair<QString, QString>> m_sheet;
};

QTEST_MAIN(TestFirebird5)
#include "tst_firebird5.moc"
