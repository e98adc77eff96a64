#pragma once

#include <QString>
#include <QStringList>

class QListWidget;

namespace ui {

// Fills the list with the user tables of the database, in catalogue order.
// The names are read first: when the database cannot be opened the call
// throws (db::DbError) and the list keeps what it held.
void LoadTableList(QListWidget *list, const QString &connectionString);

// Shortens the list from its designed height to a whole number of rows (all
// of one height), so that no entry shows cut in half until scrolled.
void FitWholeRows(QListWidget *list);

// The names the list holds, top to bottom.
QStringList ListedTables(const QListWidget *list);

// The row to select once the list is read again: the first table that was
// not listed before (the one just created), else the first row.
int RowToSelect(const QStringList &before, const QStringList &after);

} // namespace ui
