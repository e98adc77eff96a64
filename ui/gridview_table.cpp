#include "ui/gridview.h"

#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "platform/messageboxes.h"
#include "ui/filterline.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>

namespace ui {

using db::TableModel;

// What works on the whole table rather than on cells: reading it again,
// and the filter line. Both work from a filter box too.
void GridView::createTableActions()
{
    m_refresh = new QAction(QStringLiteral("Refresh"), this);
    m_refresh->setObjectName(QStringLiteral("actionRefresh"));
    m_refresh->setShortcut(QKeySequence(Qt::Key_F5));
    m_filterLine = new QAction(QStringLiteral("Filter Line"), this);
    m_filterLine->setObjectName(QStringLiteral("actionFilterLine"));
    m_filterLine->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    m_filterLine->setCheckable(true);
    m_importRows = new QAction(QStringLiteral("Import Rows\u2026"), this);
    m_importRows->setObjectName(QStringLiteral("actionImportRows"));
    m_importRows->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    for (QAction *action : {m_refresh, m_filterLine, m_importRows}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(m_refresh, &QAction::triggered, this, &GridView::refreshTable);
    connect(m_filterLine, &QAction::triggered, this, &GridView::toggleFilterLine);
    connect(filterHeader(), &FilterHeader::filterRequested, this, &GridView::applyFilter);
}

FilterHeader *GridView::filterHeader() const
{
    return static_cast<FilterHeader *>(horizontalHeader());
}

void GridView::toggleFilterLine()
{
    FilterHeader *header = filterHeader();
    const bool show = !header->isFilterVisible();
    header->setFilterVisible(show);
    m_filterLine->setChecked(show);
    updateGeometries();
    if (show) {
        if (QLineEdit *box = header->box(std::max(0, currentIndex().column())))
            box->setFocus();
        return;
    }
    // A hidden filter would still hold rows back without a word on screen.
    setFocus();
    header->clearTexts();
    if (m_model && !m_model->filterText().isEmpty())
        applyFilter();
}

// A text that cannot be read for its column is said, and nothing is read.
void GridView::applyFilter()
{
    if (!m_model || !m_model->isBound() || m_model->isBusy())
        return;
    commitOpenEditor();
    const QString problem = m_model->setFilter(filterHeader()->filterTexts());
    if (!problem.isEmpty())
        m_messages.inform(app::ShortTitle(), problem);
}

void GridView::clearSortIndicator()
{
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

// The header flips its indicator on a click by itself; it is set again here
// to the order the table really has.
void GridView::sortOnHeaderClick(int column)
{
    sortBy(column, column == m_sortColumn && m_sortOrder == Qt::AscendingOrder
                       ? Qt::DescendingOrder
                       : Qt::AscendingOrder);
}

void GridView::sortBy(int column, Qt::SortOrder order)
{
    if (m_model && m_model->isBound() && !m_readOnly) {
        commitOpenEditor();
        m_model->sort(column, order);
        if (m_model->isBusy()) {
            m_sortColumn = column;
            m_sortOrder = order;
        }
    }
    horizontalHeader()->setSortIndicator(m_sortColumn, m_sortOrder);
}

void GridView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dx)
        filterHeader()->placeBoxes();
}

void GridView::updateGeometries()
{
    QTableView::updateGeometries();
    filterHeader()->placeBoxes();
}

void GridView::refreshTable()
{
    if (!m_model || !m_model->isBound() || m_model->isBusy())
        return;
    // What is typed into the open cell is kept as an unsaved value.
    commitOpenEditor();
    const QModelIndex current = currentIndex();
    m_model->refresh(current.isValid() ? current.row() : -1);
}

void GridView::goToFoundRow(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex cell = m_model->index(row, std::min(m_refreshColumn,
                                                          m_model->columnCount() - 1));
    setCurrentIndex(cell);
    scrollTo(cell);
}

} // namespace ui
