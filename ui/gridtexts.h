#pragma once

#include <QString>
#include <QStringList>

namespace ui {

// Questions and reports of the editor's grid.

// "< Back" while rows of the table could not be written.
QString BackQuestion(int unsavedRows, const QString &table);

// Before another table replaces one whose changes could not all be written.
QString DiscardQuestion(const QString &table);

// Before the program ends with rows that could not be written.
QString QuitQuestion(int unsavedRows);

// Before an export while rows could not be written.
QString ExportQuestion(int unsavedRows);

// Before deleting the selected rows.
QString DeleteQuestion(int rows);

// The rows that could not be deleted, one line each, as the model words them.
QString DeleteFailuresText(const QStringList &failures);

// A copy that reaches rows not read yet (they are being read now).
QString CopyNotReadYetText();

// Before a paste that runs past the last record.
QString PasteGrowsQuestion(int newRecords);

// The pasted rows that were refused, and how many were not pasted after
// a refused new record.
QString PasteFailuresText(const QStringList &failures, int notPasted);

} // namespace ui
