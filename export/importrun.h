#pragma once

#include "db/grid/tablemodel.h"
#include "export/exportrun.h"
#include "export/importplan.h"

#include <atomic>
#include <vector>

namespace exports {

// One import as the preview left it.
struct ImportRequest
{
    QString path;
    qint64 previewedSize = -1;    // the file's size at the preview; -1: not checked
    QString connectionString;
    QString table;
    std::vector<db::ImportTarget> targets;
    ImportOptions options;
    db::RefusalWording wording;   // how the server's refusals are put into words
    qint64 chunkBytes = DelimitedFileReader::DefaultChunkBytes;
};

// Shared between the import's thread and the window that waits for it:
// the lines handled so far, and Cancel.
using ImportControl = ExportControl;

struct ImportOutcome
{
    enum class End { Committed, Failed, Cancelled };
    End end = End::Failed;
    qint64 imported = 0;
    // Skipped lines (with "Skip refused rows"), or the one that stopped it.
    std::vector<RefusedLine> refused;
    QString failure;      // why nothing was imported
    QString reportPath;   // the report of skipped lines, when there is one
};

// Reads the file and writes its rows in one transaction: committed when
// every line went in (or, with skipRefused, when the refused ones are in
// the report beside the file), else rolled back with nothing written.
// Runs on any thread and never throws; stops when cancelled, rolling back.
ImportOutcome RunImport(const ImportRequest &request, ImportControl &control);

// RunImport as a job of `jobs`, its progress line "N of [about ]M rows
// imported" out of `total`; a cancel rolls the import back.
ImportOutcome RunImport(db::JobRunner &jobs, const ImportRequest &request, const RowCount &total);

// The column a server's refusal names, among the columns written; empty
// when it names none.
QString RefusedColumnName(const db::DbError &error, const std::vector<db::Column> &columns);

} // namespace exports
