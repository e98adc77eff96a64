#pragma once

#include <QColor>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

#include <optional>

namespace ui {

// How a cell of the editor's grid is drawn apart from its text: NULL in grey
// italics (unlike an empty text), edited rows tinted, failed rows red,
// cells that cannot be changed (a view's, a computed column's) greyed.
// (A binary BLOB that the BLOB window can change is not greyed.)
struct CellLook
{
    bool italic = false;
    std::optional<QColor> text;
    std::optional<QColor> background;
};

inline const QColor NullTextColor{128, 128, 128};
inline const QColor EditedRowColor{255, 244, 200};
inline const QColor FailedRowColor{255, 208, 208};
inline const QColor ReadOnlyCellColor{236, 236, 236};

// From the model's IsNullRole and RowStateRole.
CellLook LookOf(const QModelIndex &index);

class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // An editor the user did not type into commits nothing: opening and
    // leaving a NULL cell keeps it NULL, while typing and clearing the text
    // stores an empty string.
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

    // The cell whose right end holds a button `width` wide: its text is
    // drawn clear of it. An invalid index: no such cell.
    void keepTextClear(const QModelIndex &cell, int width);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    QPersistentModelIndex m_buttonCell;
    int m_buttonWidth = 0;
};

} // namespace ui
