#pragma once

#include <QString>

namespace bench {

// The two tables the grid is measured on: the same shape, 10,000 and
// 1,000,000 rows.
inline constexpr const char *SmallTable = "BENCH10K";
inline constexpr const char *LargeTable = "BENCH1M";
inline constexpr int SmallRows = 10'000;
inline constexpr int LargeRows = 1'000'000;
// In a database of its own beside the first (copies of that one stay
// small): the 1,000,000 rows ten times over, with ids 1..10,000,000.
inline constexpr const char *HugeTable = "BENCH10M";
inline constexpr int HugeCopies = 10;

inline constexpr const char *User = "SYSDBA";
inline constexpr const char *Password = "masterkey";

// The program's own connection string for the benchmark database.
QString BenchConnectionString(const QString &path);

// CREATE TABLE of one benchmark table.
QString CreateBenchTableSql(const QString &table);
// One EXECUTE BLOCK filling the table with rows 1..rows of varied values
// (names with accents, amounts of both signs, NULLs now and then).
QString FillBenchTableSql(const QString &table, int rows);

// Creates the database with both tables unless the file is there already.
// It is built under another name and renamed at the end, so an interrupted
// build never passes for a finished one. Returns false when it was there.
bool EnsureBenchDatabase(const QString &path);
// The same for the database holding only the 10,000,000-row table.
bool EnsureHugeBenchDatabase(const QString &path);

} // namespace bench
