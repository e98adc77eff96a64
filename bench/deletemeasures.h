#pragma once

#include <QString>

namespace bench {

// Deletes the first `rows` rows of the table through the editor's own
// path (selection, question answered Yes, batches off the UI thread), on
// a copy of the database so that the benchmark database stays whole: its
// time and the longest UI stall meanwhile.
void MeasureDeleteRows(const QString &database, const QString &table, int rows);

// Select All on the whole, counted table, then Delete Selected Rows up to
// the question (answered No): how far RSS grew until the question showed.
void MeasureSelectAllDelete(const QString &database, const QString &table);

} // namespace bench
