#pragma once

#include <QString>

class QListWidget;

namespace ui {

// Fills the list with the user tables of the database, in catalogue order.
// The names are read first: when the database cannot be opened the call
// throws (db::DbError) and the list keeps what it held.
void LoadTableList(QListWidget *list, const QString &connectionString);

} // namespace ui
