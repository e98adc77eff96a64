// The editor's export menu: each item asks for a file and writes the grid
// to it in one format.
#include "ui/form3.h"

#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "export/gridview.h"
#include "export/textexports.h"
#include "ui/csvoptionsdialog.h"
#include "ui/gridtexts.h"
#include "ui/gridview.h"
#include "ui/jobrunner.h"
#include "ui/statusline.h"
#include "ui/windows.h"

namespace ui {

bool Form3::mayExport()
{
    if (!m_model || !m_model->isBound())
        return false;
    if (writeChangedRows())
        return true;
    showFirstUnsavedRow();
    return m_windows.services().messages.ask(app::ShortTitle(), ExportQuestion(unsavedRowCount()));
}

std::unique_ptr<exports::GridView> Form3::exportView() const
{
    return std::make_unique<exports::TableGridView>(
        m_model->connectionString(), m_model->currentRead(), m_model->recordCount());
}

// The save dialog of this window, as the export menu's handlers set it.
QString Form3::askExportFile(const QString &filter)
{
    const QString path = m_windows.services().files.saveFile(QStringLiteral("Save"), filter,
                                                             m_commonDialog1FileName);
    if (!path.isEmpty())
        m_commonDialog1FileName = path;
    return path;
}

template <typename Save>
void Form3::exportTo(const QString &filter, Save save)
{
    if (!mayExport())
        return;
    const QString path = askExportFile(filter);
    if (path.isEmpty())
        return;
    m_pointer.set(WindowPointer::Busy);
    const std::unique_ptr<exports::GridView> grid = exportView();
    JobRunner jobs(this);
    const exports::ExportOutcome outcome =
        save(*grid, path, exports::ExportUi{m_windows.services().messages, jobs});
    m_pointer.set(WindowPointer::Default);
    if (outcome.finished())
        reportExported(outcome.rows, path);
}

void Form3::reportExported(qint64 rows, const QString &path)
{
    m_statusLine->showForAWhile(ExportDoneText(rows, path));
}

void Form3::mnuTXT_Click()
{
    exportTo(QStringLiteral("Text Files (*.txt)|*.txt"), exports::SaveDataGridToFile);
}

// CSV asks for its options after the file name; Cancel there writes nothing.
void Form3::mnuCSV_Click()
{
    const std::vector<db::RowSpan> selected = m_dataGrid1->selectedRowSpans();
    exportTo(QStringLiteral("CSV Files (*.csv)|*.csv"),
             [&](exports::GridView &grid, const QString &path, exports::ExportUi ui) {
                 CsvOptionsDialog dialog(!selected.empty(), this);
                 if (dialog.exec() != QDialog::Accepted) {
                     exports::ExportOutcome nothing;
                     nothing.cancelled = true;
                     return nothing;
                 }
                 if (!dialog.selectedRowsOnly())
                     return exports::SaveDataGridToCsvFile(grid, path, ui, dialog.options());
                 exports::SelectedRowsView rows(exportView(), selected);
                 return exports::SaveDataGridToCsvFile(rows, path, ui, dialog.options());
             });
}

void Form3::mnuXML_Click()
{
    exportTo(QStringLiteral("XML Files (*.xml)|*.xml"), exports::SaveDataGridToXMLFile);
}

} // namespace ui
