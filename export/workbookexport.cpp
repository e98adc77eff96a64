#include "export/workbookexport.h"

#include "export/workbookcells.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <stdexcept>

namespace exports {

WorkbookFolder::WorkbookFolder(const QString &table)
    : m_folder(std::make_unique<QTemporaryDir>(
          QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
              .filePath(QStringLiteral("gravelin-XXXXXX"))))
{
    if (!m_folder->isValid())
        throw std::runtime_error(m_folder->errorString().toStdString());
    m_workbookPath = m_folder->filePath(WorkbookFileName(table));
}

WorkbookFolder::~WorkbookFolder() = default;

void WorkbookFolder::keep()
{
    m_folder->setAutoRemove(false);
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
