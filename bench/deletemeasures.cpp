#include "bench/deletemeasures.h"

#include "bench/benchdatabase.h"
#include "bench/gridprobe.h"
#include "db/client/connection.h"
#include "db/grid/tablemodel.h"
#include "db/sql/sqltext.h"
#include "ui/gridview.h"

#include <QAction>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace bench {

namespace {

void put(const char *key, double value)
{
    std::printf("%s=%.3f\n", key, value);
    std::fflush(stdout);
}

ui::GridView &gridView(const EditorUnderTest &editor)
{
    auto *grid = qobject_cast<ui::GridView *>(editor.grid());
    if (!grid)
        throw std::runtime_error("the editor's grid is no ui::GridView");
    return *grid;
}

// Opens the table and waits until its rows are counted (placeholders
// stand for the rest), or `fetched` rows are in.
void openTable(EditorUnderTest &editor, const QString &database, const QString &table,
               int fetched)
{
    db::Attachment::open(BenchConnectionString(database)).close();
    editor.showAndSettle();
    editor.bind(BenchConnectionString(database), table);
    db::TableModel *model = editor.model();
    if (!RunUntil([model] { return model->countKnown() && model->recordCount() > 0; }, 60'000))
        throw std::runtime_error("the row count did not arrive within a minute");
    if (fetched > 0) {
        // As the user scrolls over the rows to select them.
        model->index(fetched - 1, 0).data();
        const auto read = [model, fetched] {
            return model->index(fetched - 1, 0).data(db::TableModel::RowStateRole).toInt()
                   != int(db::TableModel::RowState::NotFetched);
        };
        if (!RunUntil(read, 60'000))
            throw std::runtime_error("the rows to delete were not read within a minute");
    }
    RunUntil([] { return false; }, 100);
}

qint64 countRows(const QString &database, const QString &table)
{
    db::Attachment attachment = db::Attachment::open(BenchConnectionString(database));
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement count(tx, db::sql::CountRows(table));
    db::Cursor cursor = count.openCursor(tx);
    const unsigned char *row = cursor.fetch();
    if (!row)
        return -1;
    const QByteArray bytes = db::valueBytes(count.columns().front(), row);   // BIGINT, native
    qint64 rows = 0;
    std::memcpy(&rows, bytes.constData(), std::min<std::size_t>(sizeof rows, bytes.size()));
    return rows;
}

} // namespace

void MeasureDeleteRows(const QString &database, const QString &table, int rows)
{
    const QString copy = database + QStringLiteral(".delete.fdb");
    QFile::remove(copy);
    if (!QFile::copy(database, copy))
        throw std::runtime_error("cannot copy the benchmark database");
    {
        EditorUnderTest editor;
        openTable(editor, copy, table, rows);
        db::TableModel *model = editor.model();
        const int before = model->recordCount();
        ui::GridView &grid = gridView(editor);
        grid.setCurrentIndex(model->index(0, 0));
        grid.selectionModel()->select(
            QItemSelection(model->index(0, 0), model->index(rows - 1, model->columnCount() - 1)),
            QItemSelectionModel::ClearAndSelect);
        editor.scripted().messages.answers = {true};
        StallMeter stall;
        stall.start();
        const qint64 start = Now();
        grid.deleteRowsAction()->trigger();
        const qint64 end = Now();
        RunUntil([] { return false; }, 50);
        stall.stop();
        const auto &calls = editor.scripted().messages.calls;
        put("delete_ms", (end - start) / 1e6);
        put("delete_stall_ms", stall.longestGapMs());
        put("deleted_rows", before - model->recordCount());
        put("delete_reports", calls.size() - 1);   // the question, then any warning
        put("left_in_database", double(countRows(copy, table)));
        put("left_in_grid", model->recordCount());
    }
    QFile::remove(copy);
}

void MeasureSelectAllDelete(const QString &database, const QString &table)
{
    EditorUnderTest editor;
    openTable(editor, database, table, 0);
    ui::GridView &grid = gridView(editor);
    qint64 atQuestion = -1;
    editor.scripted().messages.onShow = [&atQuestion](const auto &) {
        atQuestion = StatusKb("VmRSS");
    };
    const qint64 before = StatusKb("VmRSS");
    const qint64 start = Now();
    grid.selectAll();
    grid.deleteRowsAction()->trigger();   // no answer is No
    const auto &calls = editor.scripted().messages.calls;
    if (calls.size() != 1 || atQuestion < 0)
        throw std::runtime_error("Delete Selected Rows did not ask its question");
    put("question_ms", (Now() - start) / 1e6);
    put("rss_growth_kb", double(atQuestion - before));
    put("asked_rows", calls.front().text.section(QLatin1Char(' '), 2, 2).toDouble());
    put("rows", editor.model()->recordCount());
}

} // namespace bench
