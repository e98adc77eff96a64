#include "ui/filterline.h"

#include "db/grid/tablemodel.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionHeader>

namespace ui {

// A key from DejaVu Sans, which every system we run on has.
const QString KeyMark = QStringLiteral("⚷ ");

FilterHeader::FilterHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("FilterHeader"));
    connect(this, &QHeaderView::sectionCountChanged, this, &FilterHeader::makeBoxes);
    connect(this, &QHeaderView::sectionResized, this, &FilterHeader::placeBoxes);
    connect(this, &QHeaderView::sectionMoved, this, &FilterHeader::placeBoxes);
    connect(this, &QHeaderView::geometriesChanged, this, &FilterHeader::placeBoxes);
}

int FilterHeader::boxHeight() const
{
    return fontMetrics().height() + 8;
}

QSize FilterHeader::sizeHint() const
{
    QSize hint = QHeaderView::sizeHint();
    if (m_visible)
        hint.rheight() += boxHeight();
    return hint;
}

void FilterHeader::setFilterVisible(bool visible)
{
    m_visible = visible;
    updateGeometry();
    placeBoxes();
}

void FilterHeader::makeBoxes()
{
    const int columns = count();
    while (int(m_boxes.size()) > columns) {
        delete m_boxes.back();
        m_boxes.pop_back();
    }
    while (int(m_boxes.size()) < columns) {
        auto *box = new QLineEdit(viewport());
        const int column = int(m_boxes.size());
        box->setObjectName(QStringLiteral("filter%1").arg(column));
        box->setPlaceholderText(QStringLiteral("filter"));
        box->setToolTip(QStringLiteral(
            "Text to look for; =, <>, <, >, <=, >= before a value compare with it; "
            "NULL or NOT NULL. Enter applies, Esc empties the box."));
        box->installEventFilter(this);
        connect(box, &QLineEdit::returnPressed, this, &FilterHeader::filterRequested);
        m_boxes.push_back(box);
    }
    for (int column = 0; column < columns; ++column) {
        const QString name = model() ? model()->headerData(column, Qt::Horizontal).toString()
                                     : QString();
        m_boxes[column]->setAccessibleName(QStringLiteral("Filter of column ") + name);
    }
    placeBoxes();
}

void FilterHeader::placeBoxes()
{
    const int top = height() - boxHeight();
    for (int column = 0; column < int(m_boxes.size()); ++column) {
        QLineEdit *box = m_boxes[column];
        const bool shown = m_visible && !isSectionHidden(column);
        box->setVisible(shown);
        if (shown)
            box->setGeometry(sectionViewportPosition(column), top, sectionSize(column),
                             boxHeight());
    }
}

QStringList FilterHeader::filterTexts() const
{
    QStringList texts;
    for (const QLineEdit *box : m_boxes)
        texts << box->text();
    return texts;
}

void FilterHeader::clearTexts()
{
    for (QLineEdit *box : m_boxes)
        box->clear();
}

QLineEdit *FilterHeader::box(int column) const
{
    return column >= 0 && column < int(m_boxes.size()) ? m_boxes[column] : nullptr;
}

// Esc empties a box and applies the rest; it goes no further, where it
// would revert the grid's row.
bool FilterHeader::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        if (auto *box = qobject_cast<QLineEdit *>(watched)) {
            if (!box->text().isEmpty()) {
                box->clear();
                emit filterRequested();
            }
            return true;
        }
    }
    return QHeaderView::eventFilter(watched, event);
}

QSize FilterHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (model() && model()->headerData(logicalIndex, Qt::Horizontal,
                                       db::TableModel::KeyColumnRole).toBool())
        size.rwidth() += fontMetrics().horizontalAdvance(KeyMark);
    return size;
}

// The headings in the upper part; the boxes cover the lower part.
void FilterHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    QRect heading = rect;
    if (m_visible)
        heading.setHeight(std::max(1, rect.height() - boxHeight()));
    if (!model() || !model()->headerData(logicalIndex, Qt::Horizontal,
                                         db::TableModel::KeyColumnRole).toBool()) {
        QHeaderView::paintSection(painter, heading, logicalIndex);
        return;
    }
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = heading;
    option.text = KeyMark + option.text;
    painter->save();
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    painter->restore();
}

} // namespace ui
