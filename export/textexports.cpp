#include "export/textexports.h"

#include "app/errortrap.h"
#include "app/titles.h"
#include "platform/messageboxes.h"

namespace exports {

namespace {

// The report lines of a text export: where the rows are read, where the
// file is written.
struct ReportLines
{
    int reading;
    int writing;
};

// The failure again, a file that could not be written in the words the
// export's caller chose.
[[noreturn]] void Rethrow(const std::exception_ptr &failure, const ExportUi &ui)
{
    try {
        std::rethrow_exception(failure);
    } catch (const FileWriteError &error) {
        if (!ui.writeFailure)
            throw;
        throw std::runtime_error(ui.writeFailure(error).toStdString());
    }
}

template <typename Writer>
WriterFactory MakerOf()
{
    return [](QIODevice &device) { return std::make_unique<Writer>(device); };
}

ExportOutcome SaveTextExport(GridView &grid, const QString &path, ExportUi ui,
                             const app::Location &location, ReportLines lines,
                             const WriterFactory &makeWriter)
{
    app::ErrorTrap trap(ui.messages, location);
    const ExportOutcome outcome = RunExport(
        ui.jobs, grid.rowCount(),
        [&](ExportControl &control) { return WriteTableFile(grid, makeWriter, path, control); },
        [&] { grid.cancel(); });
    if (outcome.cancelled)
        return outcome;
    using Failure = ExportOutcome::Failure;
    if (outcome.failed != Failure::None) {
        const int line = outcome.failed == Failure::Reading ? lines.reading : lines.writing;
        trap.step(line, [&] { Rethrow(outcome.failure, ui); });
    } else if (!outcome.notice.isEmpty()) {
        ui.messages.inform(app::ShortTitle(), outcome.notice);
    }
    return outcome;
}

} // namespace

ExportOutcome SaveDataGridToFile(GridView &grid, const QString &path, ExportUi ui)
{
    return SaveTextExport(grid, path, ui, app::loc::Datagrid1_SaveDataGridToFile, {126, 134},
                          MakerOf<DelimitedTextWriter>());
}

// Comma-separated text is the tab-delimited export in another format, and
// reports like it.
ExportOutcome SaveDataGridToCsvFile(GridView &grid, const QString &path, ExportUi ui,
                                    const CsvOptions &options)
{
    return SaveTextExport(grid, path, ui, app::loc::Datagrid1_SaveDataGridToFile, {126, 134},
                          [options](QIODevice &device) {
                              return std::make_unique<CsvWriter>(device, options);
                          });
}

ExportOutcome SaveDataGridToXMLFile(GridView &grid, const QString &path, ExportUi ui)
{
    return SaveTextExport(grid, path, ui, app::loc::Datagrid1_SaveDataGridToXMLFile, {120, 130},
                          MakerOf<XmlWriter>());
}

} // namespace exports
