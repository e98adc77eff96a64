#include "bench/findmeasures.h"

#include "bench/benchdatabase.h"
#include "bench/gridprobe.h"
#include "db/client/connection.h"
#include "db/grid/replaceall.h"
#include "db/grid/tablemodel.h"
#include "db/sql/sqltext.h"
#include "ui/referencepicker.h"

#include <QFile>
#include <QTableView>
#include <QTreeWidget>

#include <cstdio>
#include <stdexcept>

namespace bench {

namespace {

void put(const char *key, double value)
{
    std::printf("%s=%.3f\n", key, value);
    std::fflush(stdout);
}

QString copyOf(const QString &database, const char *suffix)
{
    const QString copy = database + QString::fromLatin1(suffix);
    QFile::remove(copy);
    if (!QFile::copy(database, copy))
        throw std::runtime_error("cannot copy the benchmark database");
    return copy;
}

void openTable(EditorUnderTest &editor, const QString &database, const QString &table)
{
    editor.showAndSettle();
    editor.bind(BenchConnectionString(database), table);
    db::TableModel *model = editor.model();
    if (!RunUntil([model] { return model->countKnown() && model->recordCount() > 0; }, 60'000))
        throw std::runtime_error("the rows did not arrive within a minute");
}

int columnNamed(db::TableModel &model, const QString &name)
{
    for (int column = 0; column < model.columnCount(); ++column) {
        if (model.headerData(column, Qt::Horizontal).toString() == name)
            return column;
    }
    throw std::runtime_error("no such column");
}

} // namespace

void MeasureReplaceAll(const QString &database, const QString &table)
{
    const QString copy = copyOf(database, ".replace.fdb");
    {
        EditorUnderTest editor;
        openTable(editor, copy, table);
        db::TableModel &model = *editor.model();
        const db::ReplaceRequest request{QStringLiteral("a"), QStringLiteral("A"), true, false,
                                         {columnNamed(model, QStringLiteral("NAME"))}, {}};
        const db::ReplacePlan plan = model.planReplaceAll(request);
        if (!plan.refusal.isEmpty())
            throw std::runtime_error(plan.refusal.toStdString());
        qint64 start = Now();
        db::ReplaceCountJob count(model.connectionString(), plan, model.recordCount());
        db::RunJobHere(count);
        put("replace_count_ms", (Now() - start) / 1e6);
        start = Now();
        db::ReplaceAllJob job(model.connectionString(), count.plan(), count.rows());
        db::RunJobHere(job);
        put("replace_update_ms", (Now() - start) / 1e6);
        if (!job.failures().isEmpty())
            throw std::runtime_error(job.failures().join(' ').toStdString());
        put("counted_rows", double(count.rows()));
        put("replaced_rows", double(job.replaced()));
    }
    QFile::remove(copy);
}

void MeasurePickerFirstScreen(const QString &database, const QString &parent)
{
    const QString copy = copyOf(database, ".picker.fdb");
    {
        db::Attachment setup = db::Attachment::open(BenchConnectionString(copy));
        setup.executeImmediate(QStringLiteral(
            "CREATE TABLE BENCHREF (ID INTEGER NOT NULL PRIMARY KEY, PARENT_ID INTEGER "
            "REFERENCES %1 (ID))").arg(db::sql::QuoteIdentifier(parent)));
        setup.executeImmediate(QStringLiteral("INSERT INTO BENCHREF VALUES (1, 1)"));
        setup.close();
        EditorUnderTest editor;
        openTable(editor, copy, QStringLiteral("BENCHREF"));
        QTableView *grid = editor.grid();
        grid->setCurrentIndex(editor.model()->index(0, 1));
        auto *picking = grid->window()->findChild<ui::ReferencePicking *>();
        if (!picking)
            throw std::runtime_error("the editor has no foreign-key picker");
        for (const char *key : {"picker_first_ms", "picker_again_ms"}) {
            const qint64 start = Now();
            if (!picking->open())
                throw std::runtime_error("the picker did not open");
            QTreeWidget *list = picking->picker()->list();
            PaintWatch painted(list->viewport());
            if (!painted.wait([list] { return list->topLevelItemCount() > 0; }, 10'000))
                throw std::runtime_error("the picker's rows did not arrive");
            put(key, (painted.paintedAt() - start) / 1e6);
            put("picker_rows", list->topLevelItemCount());
            picking->picker()->close();
            RunUntil([] { return false; }, 50);
        }
    }
    QFile::remove(copy);
}

} // namespace bench
