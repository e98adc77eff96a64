#include "ui/griddelegate.h"

#include "db/grid/tablemodel.h"

#include <QLineEdit>
#include <QPalette>

namespace ui {

using db::TableModel;

CellLook LookOf(const QModelIndex &index)
{
    CellLook look;
    if (!index.isValid())
        return look;
    if (index.data(TableModel::IsNullRole).toBool()) {
        look.italic = true;
        look.text = NullTextColor;
    }
    const QVariant state = index.data(TableModel::RowStateRole);
    if (state.isValid()) {
        switch (TableModel::RowState(state.toInt())) {
        case TableModel::RowState::Edited:
            look.background = EditedRowColor;
            break;
        case TableModel::RowState::Failed:
            look.background = FailedRowColor;
            break;
        case TableModel::RowState::NotFetched:
            return look;
        default:
            break;
        }
    }
    // A binary BLOB is not typed into, yet the BLOB window changes it.
    if (!look.background && !(index.flags() & Qt::ItemIsEditable)
        && !index.data(TableModel::WritableBlobRole).toBool())
        look.background = ReadOnlyCellColor;
    return look;
}

void GridDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const CellLook look = LookOf(index);
    if (look.italic)
        option->font.setItalic(true);
    if (look.text)
        option->palette.setColor(QPalette::Text, *look.text);
    if (look.background)
        option->backgroundBrush = *look.background;
    if (m_buttonCell.isValid() && index == m_buttonCell)
        option->rect.setRight(option->rect.right() - m_buttonWidth);
}

void GridDelegate::keepTextClear(const QModelIndex &cell, int width)
{
    m_buttonCell = cell;
    m_buttonWidth = width;
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                const QModelIndex &index) const
{
    if (auto *line = qobject_cast<QLineEdit *>(editor); line && !line->isModified())
        return;
    QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace ui
