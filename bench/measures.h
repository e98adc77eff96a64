#pragma once

#include <QString>

// Each measurement runs in a process of its own and prints key=value lines
// for bench/run to gather.
namespace bench {

// From binding the editor's grid until its viewport has painted real rows.
void MeasureFirstScreen(const QString &database, const QString &table);
// After the first screen: the jump to the last row until every row is in
// and painted, the longest UI stall meanwhile, and the peak RSS.
void MeasureFetchAll(const QString &database, const QString &table);
// The same SELECT through the client API alone, fetching every row; also
// the first 100 rows and COUNT(*) as sanity figures.
void MeasureBareFetch(const QString &database, const QString &table);
// After the first screen: a "contains" filter typed into the NAME column's
// box until the grid has painted the first matching rows, and the longest
// UI stall meanwhile.
void MeasureFilter(const QString &database, const QString &table, const QString &text);

} // namespace bench
