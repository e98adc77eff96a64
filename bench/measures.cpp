#include "bench/measures.h"

#include "bench/benchdatabase.h"
#include "bench/gridprobe.h"
#include "db/client/connection.h"
#include "db/sql/sqltext.h"
#include "db/grid/tablemodel.h"

#include <QTableView>

#include <cstdio>
#include <stdexcept>

namespace bench {

namespace {

void put(const char *key, double value)
{
    std::printf("%s=%.3f\n", key, value);
    std::fflush(stdout);
}

double ms(qint64 nanoseconds)
{
    return nanoseconds / 1e6;
}

// By the time the editor binds, the login window's connection test has
// loaded the engine in this process; the database itself is closed again.
void warmUp(const QString &connectionString)
{
    db::Attachment::open(connectionString).close();
}

// The grid shows real values in its first visible row, not placeholders.
void requireRowsShown(const EditorUnderTest &editor, int row)
{
    const QModelIndex cell = editor.model()->index(row, 0);
    if (editor.model()->data(cell, db::TableModel::RowStateRole).toInt()
            == int(db::TableModel::RowState::NotFetched)
        || editor.model()->data(cell).toString().isEmpty())
        throw std::runtime_error("the painted grid holds no fetched row");
}

struct FirstScreen
{
    qint64 cpuStart = 0;   // process CPU clock: every thread's work, not the waits
    qint64 start = 0;
    qint64 bound = 0;
    qint64 bindCpu = 0;    // the UI thread's own CPU time in the bind call
    qint64 rowsArrived = 0;
    qint64 painted = 0;
    qint64 cpuPainted = 0;
};

// Binds the editor's grid and waits until it has painted its first rows.
FirstScreen openTable(EditorUnderTest &editor, const QString &database, const QString &table)
{
    PaintWatch watch(editor.grid()->viewport());
    FirstScreen times;
    times.cpuStart = ProcessCpuNow();
    times.start = Now();
    const qint64 threadStart = ThreadCpuNow();
    editor.bind(BenchConnectionString(database), table);
    times.bindCpu = ThreadCpuNow() - threadStart;
    times.bound = Now();
    // Rows come from the reader thread through the event loop, so this is
    // connected in time.
    QObject::connect(editor.model(), &db::TableModel::firstRowsArrived, editor.model(),
                     [&times] { times.rowsArrived = Now(); });
    if (!watch.wait([&times] { return times.rowsArrived != 0; }, 60'000))
        throw std::runtime_error("the grid painted no rows within a minute");
    times.painted = watch.paintedAt();
    times.cpuPainted = ProcessCpuNow();
    requireRowsShown(editor, editor.grid()->rowAt(0));
    return times;
}

// Opens the table as the user would before jumping to the end: the first
// screen, then the row count, which arrives a little later and makes the
// scroll bar show the whole table. Reports the longest stall meanwhile.
void openUntilCounted(EditorUnderTest &editor, const QString &database, const QString &table)
{
    StallMeter stall;
    stall.start();
    const qint64 start = Now();
    openTable(editor, database, table);
    db::TableModel *model = editor.model();
    // Counted: every row not fetched yet stands as a placeholder.
    const auto counted = [model] { return model->countKnown(); };
    if (!RunUntil(counted, 60'000))
        throw std::runtime_error("the row count did not arrive within a minute");
    RunUntil([] { return false; }, 200);
    stall.stop();
    put("stall_while_opening_ms", stall.longestGapMs());
    put("stall_while_opening_began_ms", ms(stall.longestGapStart() - start));
    put("stall_while_opening_cpu_ms", stall.longestGapCpuMs());
}

} // namespace

void MeasureFirstScreen(const QString &database, const QString &table)
{
    warmUp(BenchConnectionString(database));
    EditorUnderTest editor;
    editor.showAndSettle();
    const FirstScreen times = openTable(editor, database, table);
    put("first_screen_ms", ms(times.painted - times.start));
    put("bind_returned_ms", ms(times.bound - times.start));
    put("rows_arrived_ms", ms(times.rowsArrived - times.start));
    put("first_screen_cpu_ms", ms(times.cpuPainted - times.cpuStart));
    put("bind_cpu_ms", ms(times.bindCpu));
    put("bound_by_window", editor.boundByWindow() ? 1 : 0);
}

void MeasureFetchAll(const QString &database, const QString &table)
{
    warmUp(BenchConnectionString(database));
    EditorUnderTest editor;
    editor.showAndSettle();
    put("rss_before_bind_kb", StatusKb("VmRSS"));
    openUntilCounted(editor, database, table);
    db::TableModel *model = editor.model();

    PaintWatch watch(editor.grid()->viewport());
    StallMeter stall;
    stall.start();
    const qint64 cpuStart = ProcessCpuNow();
    const qint64 start = Now();
    editor.grid()->scrollToBottom();
    model->fetchAll();
    if (!watch.wait([model] { return model->allRowsFetched(); }, 600'000))
        throw std::runtime_error("not every row arrived within ten minutes");
    const qint64 cpuEnd = ProcessCpuNow();
    stall.stop();
    requireRowsShown(editor, model->recordCount() - 1);
    put("fetch_all_ms", ms(watch.paintedAt() - start));
    put("fetch_all_cpu_ms", ms(cpuEnd - cpuStart));
    put("stall_ms", stall.longestGapMs());
    put("stall_began_ms", ms(stall.longestGapStart() - start));
    put("stall_cpu_ms", stall.longestGapCpuMs());
    put("rows", model->recordCount());
    put("peak_rss_kb", StatusKb("VmHWM"));
    put("rss_kb", StatusKb("VmRSS"));
}

void MeasureFilter(const QString &database, const QString &table, const QString &text)
{
    warmUp(BenchConnectionString(database));
    EditorUnderTest editor;
    editor.showAndSettle();
    openTable(editor, database, table);
    db::TableModel *model = editor.model();
    QStringList texts(model->columnCount());
    for (int column = 0; column < model->columnCount(); ++column) {
        if (model->headerData(column, Qt::Horizontal).toString() == QLatin1String("NAME"))
            texts[column] = text;
    }
    PaintWatch watch(editor.grid()->viewport());
    StallMeter stall;
    stall.start();
    const qint64 start = Now();
    if (const QString refused = model->setFilter(texts); !refused.isEmpty())
        throw std::runtime_error(refused.toStdString());
    if (!watch.wait([model] { return !model->isBusy(); }, 60'000))
        throw std::runtime_error("the filtered rows did not arrive within a minute");
    stall.stop();
    const int first = editor.grid()->rowAt(0);
    requireRowsShown(editor, first);
    const QString name = model->data(model->index(first, texts.indexOf(text))).toString();
    if (!name.contains(text, Qt::CaseInsensitive))
        throw std::runtime_error("the filtered grid shows a row that does not match");
    put("filter_first_screen_ms", ms(watch.paintedAt() - start));
    put("filter_stall_ms", stall.longestGapMs());
}

void MeasureBareFetch(const QString &database, const QString &table)
{
    db::Attachment attachment = db::Attachment::open(BenchConnectionString(database));
    const qint64 cpuStart = ProcessCpuNow();
    const qint64 start = Now();
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement select(tx, db::sql::SelectRows({table, false, {}, false}));
    const qint64 prepared = Now();
    db::Cursor cursor = select.openCursor(tx);
    qint64 rows = 0;
    qint64 first100 = 0;
    while (cursor.fetch()) {
        if (++rows == 100)
            first100 = Now();
    }
    const qint64 end = Now();
    const qint64 cpuEnd = ProcessCpuNow();
    cursor.close();

    const qint64 countStart = Now();
    db::Statement count(tx, db::sql::CountRows(table));
    db::Cursor counted = count.openCursor(tx);
    counted.fetch();
    const qint64 countEnd = Now();
    put("bare_fetch_ms", ms(end - start));
    put("bare_fetch_cpu_ms", ms(cpuEnd - cpuStart));
    put("prepare_ms", ms(prepared - start));
    put("first_100_ms", ms(first100 - prepared));
    put("count_ms", ms(countEnd - countStart));
    put("rows", double(rows));
}

} // namespace bench
