#include "ui/gridview.h"

#include "db/grid/tablemodel.h"
#include "ui/recordview.h"

#include <QAction>

namespace ui {

void GridView::createRecordAction()
{
    // Shift+Enter is taken in keyPressEvent, beside Enter; the menu names it.
    m_recordView = new QAction(QStringLiteral("Record View…\tShift+Enter"), this);
    m_recordView->setObjectName(QStringLiteral("actionRecordView"));
    addAction(m_recordView);
    connect(m_recordView, &QAction::triggered, this, &GridView::openRecordView);
}

void GridView::openRecordView()
{
    if (!m_model || !m_model->isBound() || !currentIndex().isValid())
        return;
    commitOpenEditor();
    RecordView view(*this, window());
    view.exec();
    setFocus();
}

bool GridView::writeRow(int row)
{
    if (!m_model->isRowDirty(row) || m_model->submitRow(row))
        return true;
    warn(m_model->rowError(row));
    return false;
}

} // namespace ui
