#pragma once

#include <QString>

namespace bench {

// Imports the table's first `rows` rows, as the TXT export wrote them, into
// an empty copy of the table through the editor's own path (reader, codec,
// one prepared statement, progress on the UI thread), without the dialogs:
// its time, the longest UI stall meanwhile, and how far RSS grew.
void MeasureImport(const QString &database, const QString &table, qint64 rows);

// The same rows inserted by a bare client-API loop: fetched from the table
// and sent, in the message they were fetched in, to one prepared INSERT in
// one transaction. What the import is measured against.
void MeasureBareInsert(const QString &database, const QString &table, qint64 rows);

} // namespace bench
