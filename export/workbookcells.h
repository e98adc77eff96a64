#pragma once

#include "db/sql/cellcodec.h"

#include <QString>

#include <optional>

// How the open table's values become workbook cells: typed by the column,
// never by guessing at text, and never at the cost of a digit.
namespace exports {

enum class CellKind { Number, Date, Time, Timestamp, Boolean, Text };

// The kind a column's values are written as, when the value allows it.
CellKind CellKindOf(const db::Column &column);

// The value as a number cell holds it: for an exact number only when a
// double shows the same digits as the grid (integers within ±2^53); for a
// float the decimal the grid shows; for a date, time or timestamp the
// spreadsheet's serial day number to the millisecond (days since
// 1899-12-30; dates before 1900-03-01 have none). Empty: write the text.
std::optional<double> NumberCellValue(const db::Column &column, QByteArrayView bytes);

// The number format of a column's cells ("0.00" for a scale of 2, dates and
// times as the grid writes them); empty for the general format. `fraction`:
// the value has parts of a second.
QString NumberFormat(const db::Column &column, bool fraction);
bool HasFraction(const db::Column &column, QByteArrayView bytes);
// The format of one number cell: NumberFormat's, or for a number that
// arrives as text as many places as it shows ("0.0000").
QString CellNumberFormat(const db::Column &column, QByteArrayView bytes);

// A sheet name from the table's: at most 31 characters, none of []:*?/\,
// no apostrophe at either end; sheets after the first are "name (2)", ...
QString SheetName(const QString &table, int sheet);

// A file name from the table's: no '/', no control characters, not empty.
QString WorkbookFileName(const QString &table);

} // namespace exports
