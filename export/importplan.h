#pragma once

#include "db/grid/rowimport.h"
#include "export/importreader.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace exports {

// Everything the user decides before an import starts.
struct ImportOptions
{
    TextEncoding encoding;
    TextLayout layout;
    bool captions = false;        // the first line names the columns
    bool emptyIsNull = true;      // else an empty field is empty text
    QString nullText;             // a field holding exactly this is NULL too
    bool skipRefused = false;     // refused lines go to a report, the rest commits
    bool updateSameKey = false;   // UPDATE OR INSERT on the primary key
    // Per table column, the field it takes (0-based), or -1: skipped.
    std::vector<int> mapping;
};

// The field a column takes, by caption when the first line names the
// columns, else by position. Identity and computed columns are skipped.
std::vector<int> DefaultMapping(const std::vector<db::ImportTarget> &targets,
                                const QStringList &captions, bool byCaption, int fieldCount);

// A column that can take imported values at all.
bool CanImportInto(const db::ImportTarget &target);

// One field as its column will store it: NULL (empty, or the NULL text),
// the value the grid's own codec makes of the text, or why it cannot be
// stored (ok false, error set). Text columns keep an empty field as empty
// text when the options say so; other types take it as NULL. A quoted
// field is text as it stands, never NULL ("" is empty text).
db::ParsedCell ConvertField(const db::ImportTarget &target, const QString &field, bool quoted,
                            const ImportOptions &options);

// How a converted value shows in the preview: as the grid shows it once
// stored ("1.50" for 1.5 in a NUMERIC(5,2)); NULL for NULL.
QString StoredText(const db::Column &column, const db::ParsedCell &cell);

// A record must have as many fields as the first line; throws
// ImportFileError otherwise.
void CheckFieldCount(const Record &record, int expected);

// Rows of a file from what its first records took: exact when the whole
// file was read, else from its size.
struct RowCount
{
    qint64 rows = 0;
    bool estimated = false;
};
RowCount CountOrEstimate(qint64 fileSize, qint64 bytesRead, qint64 recordsRead, bool wholeFile);

// "1,000 rows", "about 1,000,000 rows".
QString RowCountText(const RowCount &count);

// "120,000 of about 1,000,000 rows imported".
QString ImportProgressText(qint64 rows, const RowCount &total);

// A refused line of the import, as the report names it.
struct RefusedLine
{
    qint64 line = 0;
    QString column;   // empty when the line as a whole was refused
    QString reason;
};
// "Line 12, column NAME: reason" (no column part without one).
QString RefusedLineText(const RefusedLine &refused);
// The report file beside the input: "people.csv" -> "people.refused.txt".
QString RefusedReportPath(const QString &inputPath);
// Its text: a heading, then a tab-delimited line per refused line.
QString RefusedReportText(const QString &inputPath, const std::vector<RefusedLine> &lines);

} // namespace exports

namespace exports {

// What the preview shows of a file: its first records and how many rows
// it holds, or the first problem met while reading them.
struct ImportPreview
{
    qint64 fileSize = 0;
    std::vector<Record> records;   // the first records, the captions line among them
    qint64 recordCount = 0;        // records read, all of them when wholeFile
    bool wholeFile = false;
    qint64 bytesRead = 0;
    QString problem;               // ImportFileError::text(); empty when none

    // The rows the import would write: exact, or estimated from the size.
    RowCount rowCount(bool captions) const;
};

// Reads the first `rows` records (plus one for captions); a file up to
// `countWholeBytes` is read to its end, so its rows are counted and every
// line checked (field count, encoding).
ImportPreview ReadPreview(const QString &path, const TextEncoding &encoding,
                          const TextLayout &layout, int rows = 100,
                          qint64 countWholeBytes = 8 * 1024 * 1024);

} // namespace exports
