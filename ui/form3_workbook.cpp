// The editor's "XLS" item: the grid into a new workbook, opened in the
// desktop's spreadsheet application.
#include "ui/form3.h"

#include "app/errortrap.h"
#include "app/spreadsheetcheck.h"
#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "export/workbookexport.h"
#include "ui/jobrunner.h"
#include "ui/windows.h"

#include <stdexcept>

namespace ui {

void Form3::mnuXLS_Click()
{
    if (!mayExport())
        return;
    platform::Services &services = m_windows.services();
    app::ErrorTrap trap(services.messages, app::loc::Form3_mnuXLS_Click);
    if (!trap.test(100, [&] { return m_model->recordCount() > 0; }))
        return;
    if (!trap.test(102, [&] { return app::IsExcelInstalled(services.spreadsheet, services.messages); }))
        return;
    trap.step(104, [&] { m_pointer.set(WindowPointer::Busy); });
    // A failed or cancelled export takes its folder with it.
    std::unique_ptr<exports::WorkbookFolder> folder;
    trap.step(106, [&] { folder = std::make_unique<exports::WorkbookFolder>(m_boundTable); });
    const QString path = folder ? folder->workbookPath() : QString();
    exports::ExportOutcome outcome;
    if (folder) {
        const std::unique_ptr<exports::GridView> grid = exportView();
        JobRunner jobs(this);
        outcome = exports::WriteWorkbook(*grid, path, m_boundTable, jobs, m_workbookLimits);
    }
    if (outcome.failed != exports::ExportOutcome::Failure::None && !outcome.cancelled)
        trap.step(exports::WorkbookReportLine(outcome),
                  [&] { std::rethrow_exception(outcome.failure); });
    if (folder && outcome.finished()) {
        folder->keep();
        if (!outcome.notice.isEmpty())
            services.messages.inform(app::ShortTitle(), outcome.notice);
        trap.step(152, [&] {
            if (!services.spreadsheet.openWorkbook(path))
                throw std::runtime_error(
                    QStringLiteral("The workbook \"%1\" could not be opened.").arg(path).toStdString());
            reportExported(outcome.rows, path);
        });
    }
    trap.step(154, [&] { m_pointer.set(WindowPointer::Default); });
}

} // namespace ui
