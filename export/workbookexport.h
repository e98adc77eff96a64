#pragma once

#include "export/exportrun.h"
#include "export/textexports.h"
#include "export/workbookwriter.h"

namespace exports {

// Where a workbook for the spreadsheet application goes: `<table>.xlsx` in
// a folder of its own (mode 0700) in the temporary location, which is left
// for the application that opens the file after the export. Throws when
// the folder cannot be made.
QString NewWorkbookPath(const QString &table);

// Writes the grid into a workbook at path, with progress and Cancel; a
// failed or cancelled export leaves no file. Reports nothing itself.
ExportOutcome WriteWorkbook(GridView &grid, const QString &path, const QString &table,
                            db::JobRunner &jobs, WorkbookLimits limits = {});

// The error report line of a failed workbook export.
int WorkbookReportLine(const ExportOutcome &outcome);

} // namespace exports
