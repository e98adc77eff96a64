// "Import Rows…": a file, its preview, then its rows written into the open
// table off the UI thread, all or nothing; after a failure, the preview again.
#include "ui/form3.h"

#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "export/importrun.h"
#include "platform/messageboxes.h"
#include "ui/gridview.h"
#include "ui/importdialog.h"
#include "ui/jobrunner.h"
#include "ui/refusaltexts.h"
#include "ui/statusline.h"
#include "ui/windows.h"

namespace ui {

namespace {

const QString ImportFilter = QStringLiteral(
    "CSV Files (*.csv)|*.csv|Text Files (*.txt;*.tsv)|*.txt;*.tsv|All Files (*)|*|");

QString ImportedText(qint64 rows)
{
    return rows == 1 ? QStringLiteral("1 row imported") : QStringLiteral("%L1 rows imported").arg(rows);
}

// What the user hears after a finished import with skipped lines.
QString SkippedText(const exports::ImportOutcome &outcome)
{
    const qint64 skipped = qint64(outcome.refused.size());
    return QStringLiteral("%1; %L2 line%3 of the file were refused and not imported. They are "
                          "listed, with the reasons, in\r\n%4")
        .arg(ImportedText(outcome.imported))
        .arg(skipped)
        .arg(skipped == 1 ? QString() : QStringLiteral("s"))
        .arg(outcome.reportPath);
}

} // namespace

void Form3::importRows()
{
    if (!m_model || !m_model->isBound() || m_dataGrid1->isReadOnly())
        return;
    platform::MessageBoxes &messages = m_windows.services().messages;
    const QString path = m_windows.services().files.openFile(QStringLiteral("Import Rows"),
                                                             ImportFilter);
    if (path.isEmpty())
        return;
    std::vector<db::ImportTarget> targets;
    try {
        targets = db::LoadImportTargets(m_model->connectionString(), m_model->table());
    } catch (const db::DbError &error) {
        messages.warn(app::ShortTitle(), error.message());
        return;
    }
    // An import that fails writes nothing; the preview comes back as the
    // user left it, so that a mapping or option can be changed and tried again.
    ImportDialog preview(path, m_model->table(), targets, this);
    while (preview.exec() == QDialog::Accepted) {
        const exports::ImportRequest request{path,
                                             preview.previewedSize(),
                                             m_model->connectionString(),
                                             m_model->table(),
                                             targets,
                                             preview.options(),
                                             &RefusalText};
        JobRunner jobs(this);
        const exports::ImportOutcome outcome = exports::RunImport(jobs, request, preview.rowCount());
        showImportOutcome(outcome);
        if (outcome.end != exports::ImportOutcome::End::Failed)
            return;
    }
}

void Form3::showImportOutcome(const exports::ImportOutcome &outcome)
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    using End = exports::ImportOutcome::End;
    if (outcome.end == End::Failed) {
        messages.warn(app::ShortTitle(), outcome.failure);
        return;
    }
    if (outcome.end == End::Cancelled) {
        m_statusLine->showForAWhile(QStringLiteral("Import cancelled: nothing was imported"));
        return;
    }
    m_dataGrid1->refreshTable();
    m_statusLine->showForAWhile(ImportedText(outcome.imported));
    if (!outcome.refused.empty())
        messages.inform(app::ShortTitle(), SkippedText(outcome));
}

} // namespace ui
