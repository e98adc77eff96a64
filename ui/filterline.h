#pragma once

#include <QHeaderView>

#include <vector>

class QLineEdit;

namespace ui {

// The mark before a primary key column's name in its heading.
extern const QString KeyMark;

// The grid's column headings with the filter line under them: one box per
// column, kept under its column as columns are resized, moved and scrolled.
// Key columns carry KeyMark. Enter in a box asks for the filter to be
// applied; Esc empties the box first.
class FilterHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit FilterHeader(QWidget *parent);

    void setFilterVisible(bool visible);
    bool isFilterVisible() const { return m_visible; }
    // One text per column, in model column order.
    QStringList filterTexts() const;
    void clearTexts();
    QLineEdit *box(int column) const;
    // Places the boxes under their columns again (after a scroll, say).
    void placeBoxes();

    QSize sizeHint() const override;

signals:
    void filterRequested();

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    void makeBoxes();
    int boxHeight() const;

    std::vector<QLineEdit *> m_boxes;
    bool m_visible = false;
};

} // namespace ui
