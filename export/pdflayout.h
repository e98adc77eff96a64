#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// The decisions behind the PDF table, as plain functions of plain numbers
// (lengths in points), so that each one can be tested without a painter.
namespace exports::pdf {

enum class Orientation { Portrait, Landscape };

// Landscape only when the columns at their natural widths do not fit
// across a portrait page.
Orientation ChooseOrientation(double naturalTableWidth, double portraitWidth);

// How many rows fit below the captions on one page; at least one, so a
// page always makes progress.
qint64 RowsPerPage(double tableHeight, double captionHeight, double rowHeight);

// Pages for `rows` rows; an empty table still has its page of captions.
qint64 PageCount(qint64 rows, qint64 rowsPerPage);

// Column widths that fit `available`: columns that fit as they are keep
// their natural width, and the space left is shared equally among the
// wider ones (their texts are then cut with an ellipsis). A table that fits
// keeps every natural width.
std::vector<double> FitColumnWidths(const std::vector<double> &natural, double available);

// A name that every common file system accepts as a file's name: path
// separators, characters Windows forbids and control characters become
// "_", leading and trailing blanks and dots are dropped; never empty.
QString SafeFileName(const QString &name);

// A number as the grid writes one: optional sign, digits with an optional
// decimal point, an optional exponent.
bool LooksNumeric(QStringView text);

// The fields of one record of the tab-delimited text (without its closing
// TAB, CR LF). A value holding a TAB gives the record more fields than
// there are columns: the surplus joins the last column, TAB kept, so no
// text is lost and no column shifts out of place; missing fields are empty.
QStringList SplitRecord(QStringView record, qsizetype columns);

// A cell's text on one line: TAB, CR and LF become blanks (a CR LF one).
QString OneLine(QStringView text);

} // namespace exports::pdf
