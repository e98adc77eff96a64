// Files and folders that another process deletes while an export runs, for
// every format: the folder gone means an error and no file anywhere; the
// old file of that name gone means the new file is still written whole.

#include "export/gridview.h"
#include "export/pdfexport.h"
#include "export/textexports.h"
#include "export/workbookexport.h"
#include "platform/scriptedservices.h"
#include "tests/support/exportfiles.h"
#include "tests/support/tempdatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using exports::ExportOutcome;
using testsupport::ReadFile;

namespace {

constexpr int Rows = 5000;

// Reads through another grid view and, once `afterRows` rows were read, has
// another process remove `victim` (rm -rf).
class DeletingGridView : public exports::GridView
{
public:
    DeletingGridView(const QString &connectionString, QString victim, qint64 afterRows)
        : m_inner(connectionString, {QStringLiteral("T"), false, {}, false}, Rows)
        , m_victim(std::move(victim))
        , m_afterRows(afterRows)
    {
    }

    qint64 rowCount() const override { return m_inner.rowCount(); }
    void open() override { m_inner.open(); }
    const std::vector<db::Column> &columns() const override { return m_inner.columns(); }
    QStringList captions() const override { return m_inner.captions(); }
    bool nextRow(exports::Row &row) override
    {
        if (++m_read == m_afterRows)
            RemoveByAnotherProcess(m_victim);
        return m_inner.nextRow(row);
    }
    void cancel() override { m_inner.cancel(); }

    static void RemoveByAnotherProcess(const QString &path)
    {
        QCOMPARE(QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), path}), 0);
    }

private:
    exports::TableGridView m_inner;
    QString m_victim;
    qint64 m_afterRows;
    qint64 m_read = 0;
};

} // namespace

class TestExportDeleted : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))",
                   QString("EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < %1) DO "
                           "BEGIN INSERT INTO T VALUES (:I, 'name ' || :I); I = I + 1; END END")
                       .arg(Rows)});
    }

    void deletedMidExport_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("folder");   // the folder, else the old file
        for (const char *format : {"TXT", "CSV", "XML", "XLSX"}) {
            QTest::addRow("%s, folder", format) << format << true;
            QTest::addRow("%s, old file", format) << format << false;
        }
    }
    void deletedMidExport()
    {
        QFETCH(QString, format);
        QFETCH(bool, folder);
        QTemporaryDir dir;
        const QString path = dir.filePath("out." + format.toLower());
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();

        DeletingGridView grid(m_db.connectionString(), folder ? dir.path() : path, Rows / 2);
        const ExportOutcome outcome = run(format, grid, path);
        if (folder) {
            QVERIFY(outcome.failed == ExportOutcome::Failure::Writing);
            QVERIFY(!QFileInfo::exists(dir.path()));
            QCOMPARE(m_messages.calls.size(), format == "XLSX" ? 0 : 1);
        } else {
            QVERIFY(outcome.finished());
            QCOMPARE(outcome.rows, qint64(Rows));
            const QByteArray written = ReadFile(path);
            QVERIFY(written.size() > Rows * 10);
            if (format != "XLSX")
                QVERIFY(written.contains("name " + QByteArray::number(Rows - 1)));
        }
    }

    // The PDF is laid out from the text on a thread of its own; the folder
    // goes while its rows are drawn.
    void pdfFolderDeletedMidExport()
    {
        QTemporaryDir textDir;
        const QString text = textDir.filePath("t.txt");
        exports::TableGridView grid(m_db.connectionString(), {"T", false, {}, false}, Rows);
        QVERIFY(exports::SaveDataGridToFile(grid, text, {m_messages, m_jobs}).finished());

        QTemporaryDir dir;
        exports::ExportControl control;
        ExportOutcome outcome;
        std::thread writer([&] {
            outcome = exports::WritePdfFromText(text, dir.filePath("t.pdf"), "T", control);
        });
        QVERIFY(QTest::qWaitFor([&] { return control.rows.load() > 0; }, 20000));
        DeletingGridView::RemoveByAnotherProcess(dir.path());
        writer.join();
        QVERIFY(outcome.failed == ExportOutcome::Failure::Writing);
        QVERIFY(!QFileInfo::exists(dir.path()));
    }

    void cleanup() { m_messages.calls.clear(); }

private:
    ExportOutcome run(const QString &format, exports::GridView &grid, const QString &path)
    {
        const exports::ExportUi ui{m_messages, m_jobs};
        if (format == "TXT")
            return exports::SaveDataGridToFile(grid, path, ui);
        if (format == "CSV")
            return exports::SaveDataGridToCsvFile(grid, path, ui);
        if (format == "XML")
            return exports::SaveDataGridToXMLFile(grid, path, ui);
        return exports::WriteWorkbook(grid, path, "T", m_jobs);
    }

    testsupport::TempDatabase m_db;
    platform::ScriptedMessageBoxes m_messages;
    db::JobsHere m_jobs;
};

QTEST_MAIN(TestExportDeleted)
#include "tst_export_deleted.moc"
