#pragma once

#include <QString>
#include <QStringList>

namespace ui {

// Questions and reports of the editor's grid.

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

} // namespace ui
