#include "ui/gridview.h"

#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "platform/messageboxes.h"
#include "ui/blobwindow.h"
#include "ui/jobrunner.h"

#include <QAction>
#include <QTimer>

namespace ui {

using db::TableModel;

namespace {

bool isFetched(const QModelIndex &cell)
{
    return TableModel::RowState(cell.data(TableModel::RowStateRole).toInt())
           != TableModel::RowState::NotFetched;
}

BlobLock LockOf(const TableModel &model, const QModelIndex &cell, bool gridReadOnly)
{
    if (!model.hasNewRecordLine())
        return model.isView() ? BlobLock::View : BlobLock::Table;
    if (gridReadOnly || model.isBusy())
        return BlobLock::Reading;
    return model.canSetBlob(cell) ? BlobLock::None : BlobLock::Computed;
}

} // namespace

void GridView::createBlobAction()
{
    m_openBlob = new QAction(QStringLiteral("Open BLOB…"), this);
    m_openBlob->setObjectName(QStringLiteral("actionOpenBlob"));
    m_openBlob->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F2));
    m_openBlob->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_openBlob->setEnabled(false);
    addAction(m_openBlob);
    connect(m_openBlob, &QAction::triggered, this, &GridView::openBlobWindow);
}

void GridView::updateBlobAction()
{
    m_openBlob->setEnabled(m_model && m_model->isBlobColumn(currentIndex().column()));
}

// A double-click on a BLOB cell opens the window rather than the cell
// editor, once the click is over.
bool GridView::opensBlobWindow(const QModelIndex &index, EditTrigger trigger)
{
    if (trigger != DoubleClicked || !m_model || !index.isValid()
        || !m_model->isBlobColumn(index.column()) || index != currentIndex())
        return false;
    QTimer::singleShot(0, this, &GridView::openBlobWindow);
    return true;
}

void GridView::openBlobWindow()
{
    // Persistent: rows that arrive meanwhile must not move the edit elsewhere.
    const QPersistentModelIndex cell = currentIndex();
    if (!m_model || !m_model->isBound() || !cell.isValid()
        || !m_model->isBlobColumn(cell.column()) || !isFetched(cell))
        return;
    commitOpenEditor();
    db::BlobValue value;
    const std::function<db::BlobValue()> read = m_model->blobReader(cell);
    db::CallJob job(QStringLiteral("Reading the BLOB…"), [&] { value = read(); });
    JobRunner(window()).run(job);
    if (job.cancelled())
        return;
    try {
        if (job.failure())
            std::rethrow_exception(job.failure());
    } catch (const db::DbError &error) {
        warn(error.message());
        return;
    }
    int row = cell.row();
    BlobWindow::Subject subject{m_model->headerData(cell.column(), Qt::Horizontal).toString(),
                                row,
                                row == m_model->newRecordRow(),
                                m_model->isTextBlobColumn(cell.column()),
                                m_model->allowsNull(cell.column()),
                                LockOf(*m_model, cell, m_readOnly)};
    BlobWindow window(subject, value, m_messages, m_files, this);
    if (window.exec() != QDialog::Accepted || window.isReadOnly() || window.value() == value)
        return;
    if (!cell.isValid() || !m_model->setBlob(cell, window.value()))
        return;
    row = cell.row();
    // The new-record line waits for the rest of its values, as typing does.
    if (row != m_model->newRecordRow() && !m_model->submitRow(row))
        warn(m_model->rowError(row));
}

} // namespace ui
