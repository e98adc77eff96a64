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

// Lays rows of differing heights onto pages, one row at a time: a page
// takes rows below its captions until the next one does not fit. A row
// taller than a whole page still gets a page of its own, so every page
// makes progress.
class PageFiller
{
public:
    explicit PageFiller(double room) : m_room(room) {}
    // Places the next row; true when it has to begin a new page.
    bool startsNewPage(double rowHeight);

private:
    double m_room;
    double m_used = 0;
    bool m_empty = true;
};

// Column widths that fit `available`: columns that fit as they are keep
// their natural width, and the space left is shared equally among the
// wider ones (their texts then wrap). A wider column is not squeezed below
// its `least` width (its caption's longest word) unless the least widths
// of all columns together do not fit. A table that fits keeps every
// natural width.
std::vector<double> FitColumnWidths(const std::vector<double> &natural,
                                    const std::vector<double> &least, double available);

// One line of a wrapped text: `length` characters from `from`.
struct TextLine
{
    qsizetype from = 0;
    qsizetype length = 0;
    bool operator==(const TextLine &) const = default;
};

// The characters from the start of `advances` whose widths add up to no
// more than `width`.
qsizetype CharsThatFit(const double *advances, qsizetype count, double width);

// Wraps `text` (one advance per character) into lines no wider than
// `width`: a line breaks at its last blank that fits, or after its last
// character that fits when it has no blank (at least one character a line);
// the blanks at a break belong to neither line. At most `maxLines` lines
// into `lines`; returns true when text was left over, so the last line is
// to be cut with an ellipsis.
bool WrapLines(QStringView text, const std::vector<double> &advances, double width,
               int maxLines, std::vector<TextLine> &lines);

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
