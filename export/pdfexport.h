#pragma once

#include "export/exportrun.h"

#include <QString>

namespace exports {

// The PDF export: the tab-delimited text of the TXT export, laid out as a
// table with Qt's PDF writer. Captions in bold at the top of every page,
// the title and "Page n of N" on every page, landscape when the columns
// need it; a text too long for its column wraps onto more lines (a row as
// tall as its tallest cell) and only a text longer than six lines is cut
// with an ellipsis. Three passes over the text (survey the columns, find
// the page breaks, draw), keeping only the first row of each page, so
// memory stays the same however long the table.
//
// Writes the whole PDF at pdfPath or nothing: a failure or a cancel leaves
// an existing file as it was. control.rows counts the rows drawn; *pages,
// when given, receives the page count. Runs on any thread.
ExportOutcome WritePdfFromText(const QString &textPath, const QString &pdfPath,
                               const QString &title, ExportControl &control,
                               qint64 *pages = nullptr);

// The report when the PDF's temporary text cannot be made or written: what
// to do about the temporary folder, then the system's reason. It speaks of
// the PDF and the folder the user can see to, not of the program's own
// file in it.
QString PdfTemporaryTextFailure(const QString &reason);

// WritePdfFromText as a job of `jobs`, with progress over `expectedRows`
// (-1 when unknown) and Cancel.
ExportOutcome PrintTextFileToPdf(const QString &textPath, const QString &pdfPath,
                                 const QString &title, qint64 expectedRows, db::JobRunner &jobs);

} // namespace exports
