#pragma once

#include "export/atomicfile.h"
#include "export/exportrun.h"

#include <functional>

namespace platform {
class MessageBoxes;
}

namespace exports {

// Where an export reports to and what runs it while the user waits.
struct ExportUi
{
    platform::MessageBoxes &messages;
    db::JobRunner &jobs;
    // What the report says when the file cannot be written, for a file the
    // user did not choose; empty: the file's path and the system's reason.
    std::function<QString(const FileWriteError &)> writeFailure = {};
};

// The editor's text exports of what the grid shows. Each writes the whole
// file or none: a failure shows the error report (and an existing file of
// that name stays as it was), Cancel writes nothing. The writer's notice,
// if any, is shown after a finished export.
ExportOutcome SaveDataGridToFile(GridView &grid, const QString &path, ExportUi ui);
ExportOutcome SaveDataGridToCsvFile(GridView &grid, const QString &path, ExportUi ui,
                                    const CsvOptions &options = {});
ExportOutcome SaveDataGridToXMLFile(GridView &grid, const QString &path, ExportUi ui);

} // namespace exports
