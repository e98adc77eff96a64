#include "export/workbookexport.h"

#include "export/workbookcells.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <stdexcept>

namespace exports {

QString NewWorkbookPath(const QString &table)
{
    QTemporaryDir folder(QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                             .filePath(QStringLiteral("gravelin-XXXXXX")));
    if (!folder.isValid())
        throw std::runtime_error(folder.errorString().toStdString());
    folder.setAutoRemove(false);
    return folder.filePath(WorkbookFileName(table));
}

ExportOutcome WriteWorkbook(GridView &grid, const QString &path, const QString &table,
                            db::JobRunner &jobs, WorkbookLimits limits)
{
    return RunExport(
        jobs, grid.rowCount(),
        [&](ExportControl &control) {
            WorkbookWriter writer(path, table, limits);
            return StreamRows(grid, [&]() -> TableWriter & { return writer; }, {}, control);
        },
        [&] { grid.cancel(); });
}

// Where the workbook is made, where its cells are filled, where it is
// finished and written out.
int WorkbookReportLine(const ExportOutcome &outcome)
{
    switch (outcome.step) {
    case ExportOutcome::Step::Start: return 108;
    case ExportOutcome::Step::Rows: return 140;
    default: return 150;
    }
}

} // namespace exports
