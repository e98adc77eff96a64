#pragma once

#include <QString>

namespace bench {

// One export of a table through the editor's own path (grid view, writer,
// atomic file, progress on the UI thread), without the save dialog: its
// time, the longest UI stall meanwhile, and how far RSS grew. rowLimit > 0
// stops after that many rows. A PDF is timed from the grid: the
// tab-delimited text first, then its layout, each with its own figure.
void MeasureExport(const QString &database, const QString &table, const QString &format,
                   qint64 rowLimit);

// The same cells written with libxlsxwriter alone, straight from the
// client API's rows: what the workbook export is measured against.
void MeasureBareWorkbook(const QString &database, const QString &table);

} // namespace bench
