#include "ui/gridview.h"

#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "platform/messageboxes.h"
#include "ui/jobrunner.h"
#include "ui/gridclipboard.h"
#include "ui/gridtexts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace ui {

using db::TableModel;

namespace {

bool notFetched(const QModelIndex &cell)
{
    return TableModel::RowState(cell.data(TableModel::RowStateRole).toInt())
           == TableModel::RowState::NotFetched;
}

} // namespace

// The rows and columns that any selected range touches, whole values (a
// text blob in full, not its preview).
void GridView::copySelection(bool withHeadings)
{
    if (!m_model || !m_model->isBound())
        return;
    const QList<int> rows = selectedRows();
    const QList<int> columns = selectedColumns();
    if (rows.isEmpty() || columns.isEmpty())
        return;
    QList<CellTexts> texts;
    texts.reserve(rows.size());
    for (int row : rows) {
        CellTexts values;
        for (int column : columns) {
            const QModelIndex cell = m_model->index(row, column);
            if (notFetched(cell)) {
                m_model->fetchAll();
                warn(CopyNotReadYetText());
                return;
            }
            if (cell.data(TableModel::IsNullRole).toBool())
                values << std::nullopt;
            else
                values << cell.data(Qt::EditRole).toString();
        }
        texts << values;
    }
    QStringList captions;
    for (int column : columns) {
        if (withHeadings)
            captions << m_model->headerData(column, Qt::Horizontal).toString();
    }
    const CopiedRange copied = CopiedRangeOf(captions, texts);
    auto *mime = new QMimeData;
    mime->setText(copied.text);
    mime->setHtml(copied.html);
    QGuiApplication::clipboard()->setMimeData(mime);
}

// An empty field is NULL where the column allows it, as copying writes
// NULL; each row is written once, with all its pasted values, in batches
// off the UI thread (TableModel::pasteJob). A refused existing row keeps
// its values and goes on; a refused new record stays on the new-record
// line, so the rows after it are not pasted.
void GridView::pasteAtCurrent()
{
    if (!m_model || !m_model->isBound() || m_readOnly)
        return;
    commitOpenEditor();
    QList<QStringList> rows = DelimitedRows(QGuiApplication::clipboard()->text());
    const QModelIndex start = currentIndex().isValid() ? currentIndex() : m_model->index(0, 0);
    if (rows.isEmpty() || !start.isValid())
        return;
    const int newRecords = int(rows.size()) - (m_model->recordCount() - start.row());
    if (newRecords > 0 && !m_model->hasNewRecordLine())
        rows.resize(rows.size() - newRecords);   // nowhere to add them
    else if (newRecords > 0 && !m_messages.ask(app::ShortTitle(), PasteGrowsQuestion(newRecords)))
        return;
    const int records = std::max(0, m_model->recordCount() - start.row());
    const std::unique_ptr<db::BatchJob> job =
        m_model->pasteJob(start.row(), start.column(), rows, records);
    JobRunner(window()).run(*job);
    const QStringList failures = job->failures();
    if (!failures.isEmpty())
        warn(PasteFailuresText(failures, int(job->total() - job->handled())));
}

void GridView::clearSelectedCells()
{
    if (!m_model || !m_model->isBound() || m_readOnly)
        return;
    std::set<int> touched;
    forEachSelectedCell([&](const QModelIndex &cell) {
        if (m_model->clearCell(cell))
            touched.insert(cell.row());
    });
    const QStringList failures = writeRowsOtherThanCurrent(touched);
    if (!failures.isEmpty())
        warn(failures.join("\r\n"));
}

} // namespace ui
