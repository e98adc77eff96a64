#include "bench/exportmeasures.h"

#include "bench/benchdatabase.h"
#include "bench/gridprobe.h"
#include "db/client/connection.h"
#include "db/sql/sqltext.h"
#include "export/exportrun.h"
#include "export/pdfexport.h"
#include "export/workbookexport.h"
#include "ui/jobrunner.h"

#include <QFile>
#include <QProgressDialog>
#include <QWidget>

#include <cstdio>
#include <stdexcept>

namespace bench {

namespace {

void put(const char *key, double value)
{
    std::printf("%s=%.3f\n", key, value);
    std::fflush(stdout);
}

// The table's grid view, ending after `limit` rows.
class FirstRows : public exports::GridView
{
public:
    FirstRows(exports::GridView &grid, qint64 limit) : m_grid(grid), m_limit(limit) {}

    qint64 rowCount() const override { return m_limit; }
    void open() override { m_grid.open(); }
    const std::vector<db::Column> &columns() const override { return m_grid.columns(); }
    QStringList captions() const override { return m_grid.captions(); }
    bool nextRow(exports::Row &row) override
    {
        return m_read++ < m_limit && m_grid.nextRow(row);
    }
    void cancel() override { m_grid.cancel(); }

private:
    exports::GridView &m_grid;
    qint64 m_limit;
    qint64 m_read = 0;
};

exports::WriterFactory WriterFor(const QString &format)
{
    if (format == QLatin1String("txt"))
        return [](QIODevice &d) { return std::make_unique<exports::DelimitedTextWriter>(d); };
    if (format == QLatin1String("csv"))
        return [](QIODevice &d) { return std::make_unique<exports::CsvWriter>(d); };
    if (format == QLatin1String("xml"))
        return [](QIODevice &d) { return std::make_unique<exports::XmlWriter>(d); };
    throw std::runtime_error("unknown export format");
}

} // namespace

void MeasureExport(const QString &database, const QString &table, const QString &format,
                   qint64 rowLimit)
{
    const QString connection = BenchConnectionString(database);
    // In the program the editor has the table open, so the engine's page
    // cache has already been filled by the grid's reader: an attachment kept
    // open here reads the table once for that, so the growth measured below
    // is the export's own and not the cache filling up to its fixed size.
    db::Attachment warm = db::Attachment::open(connection);
    {
        db::Transaction tx = warm.begin(db::TxMode::Browse);
        db::Statement count(tx, db::sql::CountRows(table));
        db::Cursor counted = count.openCursor(tx);
        counted.fetch();
    }
    QWidget window;
    window.resize(400, 300);
    window.show();
    RunUntil([] { return false; }, 100);

    db::sql::TableRead read;
    read.table = table;
    exports::TableGridView table_(connection, read, 1'000'000);
    FirstRows grid(table_, rowLimit > 0 ? rowLimit : 1'000'000);
    const bool pdf = format == QLatin1String("pdf");
    const bool xlsx = format == QLatin1String("xlsx");
    // The PDF is laid out from the tab-delimited text, as the editor does.
    const exports::WriterFactory makeWriter =
        xlsx ? exports::WriterFactory() : WriterFor(pdf ? QStringLiteral("txt") : format);
    const QString textPath = database + QStringLiteral(".export.txt");
    const QString path = database + QStringLiteral(".export.") + format;
    // The editor has shown dialogs before; the first one's fonts and styles
    // are not the export's memory.
    {
        QProgressDialog warm(QStringLiteral("1,234,567,890 of 1,234,567,890 rows written"),
                             QStringLiteral("Cancel"), 0, 1000, &window);
        warm.setWindowModality(Qt::WindowModal);
        warm.show();
        warm.setValue(500);
        RunUntil([] { return false; }, 100);
    }
    const qint64 rssBefore = StatusKb("VmRSS");
    ui::JobRunner jobs(&window);
    StallMeter stall;
    stall.start();
    const qint64 cpuStart = ProcessCpuNow();
    const qint64 start = Now();
    exports::ExportOutcome outcome =
        xlsx ? exports::WriteWorkbook(grid, path, table, jobs)
             : exports::RunExport(
                   jobs, grid.rowCount(),
                   [&](exports::ExportControl &control) {
                       return exports::WriteTableFile(grid, makeWriter, pdf ? textPath : path,
                                                      control);
                   },
                   [&] { grid.cancel(); });
    const qint64 textEnd = Now();
    qint64 pages = 0;
    if (pdf && outcome.finished()) {
        outcome = exports::RunExport(jobs, outcome.rows, [&](exports::ExportControl &control) {
            return exports::WritePdfFromText(textPath, path, table, control, &pages);
        });
        QFile::remove(textPath);
    }
    const qint64 end = Now();
    const qint64 cpuEnd = ProcessCpuNow();
    stall.stop();
    if (!outcome.finished())
        throw std::runtime_error("the export failed");
    put("export_ms", (end - start) / 1e6);
    put("export_cpu_ms", (cpuEnd - cpuStart) / 1e6);
    put("stall_ms", stall.longestGapMs());
    put("rows", double(outcome.rows));
    put("rss_growth_kb", double(StatusKb("VmHWM") - rssBefore));
    put("bytes", double(QFile(path).size()));
    if (pdf) {
        put("text_ms", (textEnd - start) / 1e6);
        put("pdf_ms", (end - textEnd) / 1e6);
        put("pages", double(pages));
        put("pages_per_s", pages / ((end - textEnd) / 1e9));
    }
    QFile::remove(path);
}

} // namespace bench
