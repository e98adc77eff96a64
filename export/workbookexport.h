#pragma once

#include "export/exportrun.h"
#include "export/textexports.h"
#include "export/workbookwriter.h"

#include <memory>

class QTemporaryDir;

namespace exports {

// Where a workbook for the spreadsheet application goes: `<table>.xlsx` in
// a folder of its own (mode 0700) in the temporary location. The folder
// goes with the object unless kept: a finished workbook is left for the
// application that opens it after the export. Throws when the folder
// cannot be made.
class WorkbookFolder
{
public:
    explicit WorkbookFolder(const QString &table);
    ~WorkbookFolder();
    WorkbookFolder(const WorkbookFolder &) = delete;
    WorkbookFolder &operator=(const WorkbookFolder &) = delete;

    const QString &workbookPath() const { return m_workbookPath; }
    void keep();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_workbookPath;
};

// Writes the grid into a workbook at path, with progress and Cancel; a
// failed or cancelled export leaves no file. Reports nothing itself.
ExportOutcome WriteWorkbook(GridView &grid, const QString &path, const QString &table,
                            db::JobRunner &jobs, WorkbookLimits limits = {});

// The error report line of a failed workbook export.
int WorkbookReportLine(const ExportOutcome &outcome);

} // namespace exports
