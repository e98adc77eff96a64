// The editor's "PDF" item: the grid as tab-delimited text in a temporary
// file, laid out as a PDF table where the user says.
#include "ui/form3.h"

#include "app/errortrap.h"
#include "app/pdfprinter.h"
#include "db/grid/tablemodel.h"
#include "export/gridview.h"
#include "export/pdfexport.h"
#include "export/pdflayout.h"
#include "export/textexports.h"
#include "platform/services.h"
#include "ui/jobrunner.h"
#include "ui/windows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <stdexcept>

namespace ui {

namespace {

// A folder of the program's own (mode 0700) in the system's temporary
// folder: no other user can pre-create or link the file the grid goes to.
std::unique_ptr<QTemporaryDir> PrivateTemporaryFolder()
{
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        throw std::runtime_error(
            exports::PdfTemporaryTextFailure(folder->errorString()).toStdString());
    return folder;
}

// The save dialog for the PDF, proposing the table's name in the folder of
// the file chosen last in this window.
QString AskPdfFile(platform::FileDialogs &files, const QString &table, QString &lastChosen)
{
    QString proposed = exports::pdf::SafeFileName(table) + QStringLiteral(".pdf");
    if (!lastChosen.isEmpty())
        proposed = QFileInfo(lastChosen).dir().filePath(proposed);
    const QString path = files.saveFile(QStringLiteral("Save PDF File"),
                                        QStringLiteral("PDF Files (*.pdf)|*.pdf"), proposed);
    if (!path.isEmpty())
        lastChosen = path;
    return path;
}

// The busy pointer for as long as it lives.
class BusyWhile
{
public:
    explicit BusyWhile(WindowPointer &pointer) : m_pointer(pointer)
    {
        m_pointer.set(WindowPointer::Busy);
    }
    ~BusyWhile() { m_pointer.set(WindowPointer::Default); }
    BusyWhile(const BusyWhile &) = delete;
    BusyWhile &operator=(const BusyWhile &) = delete;

private:
    WindowPointer &m_pointer;
};

} // namespace

// The PDF writer is this program's default printer for the while and the
// previous one is put back; the system's own default printer is never
// touched. The temporary folder goes whatever happens.
void Form3::mnuPDF_Click()
{
    if (!mayExport())
        return;
    platform::Services &services = m_windows.services();
    app::ErrorTrap trap(services.messages, app::loc::Form3_mnuPDF_Click);
    std::unique_ptr<QTemporaryDir> folder;
    QString textPath;
    trap.step(100, [&] {
        folder = PrivateTemporaryFolder();
        textPath = folder->filePath(QStringLiteral("grid.txt"));
    });
    const std::unique_ptr<exports::GridView> grid = exportView();
    JobRunner jobs(this);
    trap.step(102, [&] {
        if (textPath.isEmpty())
            return;
        const BusyWhile busy(m_pointer);
        exports::SaveDataGridToFile(
            *grid, textPath,
            exports::ExportUi{services.messages, jobs, [](const exports::FileWriteError &error) {
                                  return exports::PdfTemporaryTextFailure(error.reason());
                              }});
    });
    if (trap.test(104, [&] { return !QFileInfo::exists(textPath); }))
        return;
    QString previous;
    trap.step(106, [&] { previous = services.printers.defaultPrinter(); });
    if (!trap.test(108, [&] {
            return !services.printers.setDefaultPrinter(QString::fromLatin1(app::PdfPrinterName));
        })) {
        QString pdfPath;
        trap.step(110, [&] {
            pdfPath = AskPdfFile(services.files, m_model->table(), m_commonDialog1FileName);
        });
        trap.step(112, [&] {
            if (pdfPath.isEmpty())
                return;
            const BusyWhile busy(m_pointer);
            const exports::ExportOutcome outcome = exports::PrintTextFileToPdf(
                textPath, pdfPath, m_model->table(), grid->rowCount(), jobs);
            if (outcome.failure)
                std::rethrow_exception(outcome.failure);
            if (outcome.finished())
                reportExported(outcome.rows, pdfPath);
        });
        trap.step(114, [&] { QFile::remove(textPath); });
    }
    trap.step(116, [&] { services.printers.setDefaultPrinter(previous); });
}

} // namespace ui
