#include "bench/importmeasures.h"

#include "bench/benchdatabase.h"
#include "bench/gridprobe.h"
#include "db/client/connection.h"
#include "db/client/fbapi.h"
#include "db/sql/sqltext.h"
#include "export/exportrun.h"
#include "export/importrun.h"
#include "ui/jobrunner.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QWidget>

#include <cstdio>
#include <stdexcept>

namespace bench {

namespace {

const QString CopyTable = QStringLiteral("IMPORTED");

void put(const char *key, double value)
{
    std::printf("%s=%.3f\n", key, value);
    std::fflush(stdout);
}

// The table's first `rows` rows as the TXT export writes them, kept beside
// the database for the next run.
QString ExportedText(const QString &database, const QString &table, qint64 rows)
{
    const QString path = QStringLiteral("%1.%2-%3.txt").arg(database, table).arg(rows);
    if (QFileInfo::exists(path))
        return path;
    db::sql::TableRead read;
    read.table = table;
    read.orderBy = {QStringLiteral("ID")};
    exports::TableGridView all(BenchConnectionString(database), read, rows);
    struct FirstRows : exports::GridView
    {
        exports::GridView &grid;
        qint64 limit;
        qint64 read = 0;
        FirstRows(exports::GridView &g, qint64 l) : grid(g), limit(l) {}
        qint64 rowCount() const override { return limit; }
        void open() override { grid.open(); }
        const std::vector<db::Column> &columns() const override { return grid.columns(); }
        QStringList captions() const override { return grid.captions(); }
        bool nextRow(exports::Row &row) override { return read++ < limit && grid.nextRow(row); }
        void cancel() override { grid.cancel(); }
    } grid(all, rows);
    exports::ExportControl control;
    const exports::ExportOutcome outcome = exports::WriteTableFile(
        grid, [](QIODevice &d) { return std::make_unique<exports::DelimitedTextWriter>(d); },
        path, control);
    if (!outcome.finished())
        throw std::runtime_error("writing the text to import failed");
    return path;
}

// An empty copy of the benchmark table, made anew.
void MakeEmptyCopy(db::Attachment &attachment)
{
    try {
        attachment.executeImmediate(QStringLiteral("DROP TABLE ") + CopyTable);
    } catch (const db::DbError &) {
        // not there yet
    }
    attachment.executeImmediate(CreateBenchTableSql(CopyTable));
}

qint64 CountOf(db::Attachment &attachment)
{
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement count(tx, QStringLiteral("SELECT CAST(COUNT(*) AS VARCHAR(20)) FROM ")
                                + CopyTable);
    db::Cursor cursor = count.openCursor(tx);
    const unsigned char *row = cursor.fetch();
    return row ? db::valueBytes(count.columns().at(0), row).toLongLong() : -1;
}

// The engine's page cache filled by reading the table once, as the
// editor's grid would have done, so it does not count as the import's.
void WarmCache(db::Attachment &attachment, const QString &table)
{
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement select(tx, db::sql::SelectRows({table, false, {}, false}));
    db::Cursor cursor = select.openCursor(tx);
    while (cursor.fetch()) {
    }
}

exports::ImportRequest RequestFor(const QString &database, const QString &path)
{
    exports::ImportRequest request;
    request.path = path;
    request.connectionString = BenchConnectionString(database);
    request.table = CopyTable;
    request.targets = db::LoadImportTargets(request.connectionString, CopyTable);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("the text to import cannot be read");
    request.options.layout = exports::SniffFile(file.read(65536), path).layout;
    const exports::ImportPreview preview = exports::ReadPreview(path, {}, request.options.layout);
    request.previewedSize = preview.fileSize;
    request.options.captions = true;
    request.options.mapping = exports::DefaultMapping(
        request.targets, preview.records.front().fields, true,
        int(preview.records.front().fields.size()));
    return request;
}

} // namespace

void MeasureImport(const QString &database, const QString &table, qint64 rows)
{
    const QString path = ExportedText(database, table, rows);
    db::Attachment attachment = db::Attachment::open(BenchConnectionString(database));
    MakeEmptyCopy(attachment);
    WarmCache(attachment, table);
    QWidget window;
    window.resize(400, 300);
    window.show();
    RunUntil([] { return false; }, 100);
    {
        QProgressDialog warm(QStringLiteral("1,234,567 of about 1,234,567 rows imported"),
                             QStringLiteral("Cancel"), 0, 1000, &window);
        warm.setWindowModality(Qt::WindowModal);
        warm.show();
        RunUntil([] { return false; }, 100);
    }
    const exports::ImportRequest request = RequestFor(database, path);
    const exports::RowCount total{rows, true};
    const qint64 rssBefore = StatusKb("VmRSS");
    ui::JobRunner jobs(&window);
    StallMeter stall;
    stall.start();
    const qint64 cpuStart = ProcessCpuNow();
    const qint64 start = Now();
    const exports::ImportOutcome outcome = exports::RunImport(jobs, request, total);
    const qint64 end = Now();
    const qint64 cpuEnd = ProcessCpuNow();
    stall.stop();
    if (outcome.end != exports::ImportOutcome::End::Committed)
        throw std::runtime_error(outcome.failure.toStdString());
    put("import_ms", (end - start) / 1e6);
    put("import_cpu_ms", (cpuEnd - cpuStart) / 1e6);
    put("stall_ms", stall.longestGapMs());
    put("stall_cpu_ms", stall.longestGapCpuMs());
    put("rows", double(CountOf(attachment)));
    put("rss_growth_kb", double(StatusKb("VmHWM") - rssBefore));
    attachment.executeImmediate(QStringLiteral("DROP TABLE ") + CopyTable);
}

// Fetches the rows from the table and sends each, in the message it was
// fetched in, to one prepared INSERT, all in one transaction.
void MeasureBareInsert(const QString &database, const QString &table, qint64 rows)
{
    using namespace Firebird;
    db::Attachment attachment = db::Attachment::open(BenchConnectionString(database));
    MakeEmptyCopy(attachment);
    WarmCache(attachment, table);
    const qint64 cpuStart = ProcessCpuNow();
    const qint64 start = Now();
    db::Transaction read = attachment.begin(db::TxMode::Browse);
    db::Transaction write = attachment.begin(db::TxMode::Write);
    db::fb::Status status;
    const QByteArray select = QStringLiteral("SELECT * FROM %1 ORDER BY ID ROWS %2")
                                  .arg(table).arg(rows).toUtf8();
    db::fb::Ref<IStatement> selection(attachment.handle()->prepare(
        status.get(), read.handle(), 0, select.constData(), SQL_DIALECT_V6,
        IStatement::PREPARE_PREFETCH_METADATA));
    status.check();
    db::fb::Ref<IMessageMetadata> message(selection->getOutputMetadata(status.get()));
    const QByteArray insert = QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?, ?, ?)")
                                  .arg(CopyTable).toUtf8();
    db::fb::Ref<IStatement> insertion(attachment.handle()->prepare(
        status.get(), write.handle(), 0, insert.constData(), SQL_DIALECT_V6, 0));
    status.check();
    db::fb::Ref<IResultSet> cursor(selection->openCursor(status.get(), read.handle(), nullptr,
                                                         nullptr, message.get(), 0));
    status.check();
    std::vector<unsigned char> buffer(message->getMessageLength(status.get()));
    qint64 inserted = 0;
    while (cursor->fetchNext(status.get(), buffer.data()) == IStatus::RESULT_OK) {
        insertion->execute(status.get(), write.handle(), message.get(), buffer.data(), nullptr,
                           nullptr);
        status.check();
        ++inserted;
    }
    status.check();
    cursor->close(status.get());
    cursor.take();
    write.commit();
    const qint64 end = Now();
    const qint64 cpuEnd = ProcessCpuNow();
    put("bare_insert_ms", (end - start) / 1e6);
    put("bare_insert_cpu_ms", (cpuEnd - cpuStart) / 1e6);
    put("rows", double(inserted));
    insertion->free(status.get());
    insertion.take();
    selection->free(status.get());
    selection.take();
    read.commit();
    attachment.executeImmediate(QStringLiteral("DROP TABLE ") + CopyTable);
}

} // namespace bench
