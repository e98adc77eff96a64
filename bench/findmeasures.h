#pragma once

#include <QString>

namespace bench {

// Replace All of "a" by "A" in NAME over the whole table, through the find
// bar's own count and UPDATE, on a copy of the database: the count's time,
// the UPDATE's time and the rows changed.
void MeasureReplaceAll(const QString &database, const QString &table);

// The foreign-key picker on a column that references the table, in a
// child table added to a copy of the database: from F4 to the first rows
// painted, the first time (its own attachment included) and again.
void MeasurePickerFirstScreen(const QString &database, const QString &parent);

} // namespace bench
