#include "ui/recordview.h"

#include "db/grid/tablemodel.h"
#include "ui/gridview.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ui {

using db::TableModel;

QString RecordViewTitle(const QString &table, int row, bool newRecord)
{
    return QStringLiteral("Record View: %1, %2")
        .arg(table, newRecord ? QStringLiteral("new record") : QStringLiteral("row %1").arg(row + 1));
}

RecordView::RecordView(GridView &grid, QWidget *parent)
    : QDialog(parent), m_grid(grid), m_model(*grid.tableModel())
{
    setObjectName(QStringLiteral("RecordView"));
    auto *layout = new QVBoxLayout(this);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto *form = new QWidget(scroll);
    form->setObjectName(QStringLiteral("RecordFields"));
    scroll->setWidget(form);
    layout->addWidget(scroll);
    m_lblState = new QLabel(this);
    m_lblState->setObjectName(QStringLiteral("lblState"));
    m_lblState->setWordWrap(true);
    layout->addWidget(m_lblState);
    createFields();
    createButtons();
    resize(560, std::min(640, 120 + 34 * m_model.columnCount()));
    // The form follows the grid's cursor and what is written into the row.
    connect(m_grid.selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &RecordView::showRow);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from,
                                                                     const QModelIndex &to) {
        const int row = m_grid.currentIndex().row();
        if (row >= from.row() && row <= to.row())
            showRow();
    });
    connect(&m_model, &QAbstractItemModel::headerDataChanged, this, &RecordView::showRow);
    showRow();
}

void RecordView::createFields()
{
    auto *grid = new QGridLayout(findChild<QWidget *>(QStringLiteral("RecordFields")));
    for (int column = 0; column < m_model.columnCount(); ++column) {
        const QString name = m_model.headerData(column, Qt::Horizontal).toString();
        auto *label = new QLabel(name);
        label->setToolTip(m_model.headerData(column, Qt::Horizontal, Qt::ToolTipRole).toString());
        auto *type = new QLabel(
            m_model.headerData(column, Qt::Horizontal, TableModel::ColumnTypeRole).toString());
        type->setEnabled(false);
        FieldRow field;
        field.null = new QCheckBox(QStringLiteral("NULL"));
        field.null->setObjectName(QStringLiteral("null%1").arg(column));
        field.null->setAccessibleName(QStringLiteral("%1 is NULL").arg(name));
        grid->addWidget(label, column, 0);
        grid->addWidget(type, column, 1);
        if (m_model.isBlobColumn(column)) {
            field.blob = new QPushButton;
            field.blob->setObjectName(QStringLiteral("blob%1").arg(column));
            field.blob->setAccessibleName(name);
            field.blob->setStyleSheet(QStringLiteral("text-align: left; padding: 2px 6px;"));
            grid->addWidget(field.blob, column, 2);
            connect(field.blob, &QPushButton::clicked, this, [this, column] { openBlob(column); });
        } else {
            field.text = new QLineEdit;
            field.text->setObjectName(QStringLiteral("field%1").arg(column));
            field.text->setAccessibleName(name);
            label->setBuddy(field.text);
            grid->addWidget(field.text, column, 2);
            // Typing into a NULL field gives it a value.
            connect(field.text, &QLineEdit::textEdited, this, [this, column] {
                if (m_fields[column].null->isChecked()) {
                    const QSignalBlocker quiet(m_fields[column].null);
                    m_fields[column].null->setChecked(false);
                }
            });
            connect(field.text, &QLineEdit::editingFinished, this, &RecordView::commitFields);
        }
        grid->addWidget(field.null, column, 3);
        connect(field.null, &QCheckBox::toggled, this,
                [this, column](bool on) { setNull(column, on); });
        m_fields.push_back(field);
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(m_model.columnCount(), 1);
}

void RecordView::createButtons()
{
    auto *buttons = new QHBoxLayout;
    m_cmdPrevious = new QPushButton(QStringLiteral("< Previous"), this);
    m_cmdPrevious->setObjectName(QStringLiteral("cmdPrevious"));
    m_cmdNext = new QPushButton(QStringLiteral("Next >"), this);
    m_cmdNext->setObjectName(QStringLiteral("cmdNext"));
    m_cmdRevert = new QPushButton(QStringLiteral("Revert Row"), this);
    m_cmdRevert->setObjectName(QStringLiteral("cmdRevert"));
    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    m_cmdPrevious->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    m_cmdNext->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    m_cmdPrevious->setToolTip(QStringLiteral("Ctrl+Page Up"));
    m_cmdNext->setToolTip(QStringLiteral("Ctrl+Page Down"));
    for (QPushButton *button : {m_cmdPrevious, m_cmdNext, m_cmdRevert, m_cmdClose}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->insertStretch(2);
    static_cast<QVBoxLayout *>(layout())->addLayout(buttons);
    connect(m_cmdPrevious, &QPushButton::clicked, this, [this] { moveBy(-1); });
    connect(m_cmdNext, &QPushButton::clicked, this, [this] { moveBy(1); });
    connect(m_cmdRevert, &QPushButton::clicked, this, [this] {
        m_model.revertRow(m_grid.currentIndex().row());
        showRow();
    });
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

QModelIndex RecordView::cell(int column) const
{
    return m_model.index(m_grid.currentIndex().row(), column);
}

QLineEdit *RecordView::field(int column) const
{
    return column >= 0 && column < int(m_fields.size()) ? m_fields[column].text : nullptr;
}

QCheckBox *RecordView::nullBox(int column) const
{
    return column >= 0 && column < int(m_fields.size()) ? m_fields[column].null : nullptr;
}

QPushButton *RecordView::blobButton(int column) const
{
    return column >= 0 && column < int(m_fields.size()) ? m_fields[column].blob : nullptr;
}

void RecordView::showRow()
{
    const int row = m_grid.currentIndex().row();
    if (row < 0)
        return;
    const bool newRecord = row == m_model.newRecordRow();
    setWindowTitle(RecordViewTitle(m_model.table(), row, newRecord));
    const bool wasShowing = std::exchange(m_showing, true);
    for (int column = 0; column < int(m_fields.size()); ++column)
        showField(column);
    m_showing = wasShowing;
    m_cmdPrevious->setEnabled(row > 0);
    m_cmdNext->setEnabled(row + 1 < m_model.rowCount());
    m_cmdRevert->setEnabled(m_model.isRowDirty(row));
    const QString refusal = m_model.rowError(row);
    m_lblState->setText(!refusal.isEmpty() ? QStringLiteral("Could not be saved: ") + refusal
                        : m_model.isRowDirty(row) ? QStringLiteral("Changed, not saved yet: "
                                                                   "saved when you leave the row.")
                                                  : QString());
}

void RecordView::showField(int column)
{
    const QModelIndex index = cell(column);
    FieldRow &field = m_fields[column];
    const bool null = index.data(TableModel::IsNullRole).toBool();
    const bool editable = m_model.flags(index) & Qt::ItemIsEditable;
    {
        const QSignalBlocker quiet(field.null);
        field.null->setChecked(null);
    }
    field.null->setEnabled((editable || m_model.canSetBlob(index))
                           && (m_model.allowsNull(column) || null));
    if (field.blob) {
        field.blob->setText(null ? QStringLiteral("NULL")
                                 : index.data(Qt::DisplayRole).toString().left(80));
        field.blob->setEnabled(index.isValid());
        return;
    }
    // An edit of the user's in this field is not overwritten while it lasts.
    if (!field.text->hasFocus() || !field.text->isModified()) {
        field.text->setText(null ? QString() : index.data(Qt::EditRole).toString());
        field.text->setModified(false);
    }
    field.text->setPlaceholderText(null ? QStringLiteral("NULL") : QString());
    field.text->setReadOnly(!editable);
}

void RecordView::commitFields()
{
    if (m_showing)
        return;
    for (int column = 0; column < int(m_fields.size()); ++column) {
        QLineEdit *text = m_fields[column].text;
        if (!text || !text->isModified())
            continue;
        text->setModified(false);
        if (!m_fields[column].null->isChecked())
            m_model.setData(cell(column), text->text(), Qt::EditRole);
    }
}

void RecordView::setNull(int column, bool null)
{
    if (m_showing)
        return;
    const QModelIndex index = cell(column);
    FieldRow &field = m_fields[column];
    if (null) {
        if (field.text)
            field.textBeforeNull = field.text->text();
        m_model.setNull(index);
    } else if (field.text) {
        const bool typed = field.text->isModified() || !field.text->text().isEmpty();
        m_model.setData(index, typed ? field.text->text() : field.textBeforeNull, Qt::EditRole);
    } else {
        openBlob(column);
    }
    showRow();
}

void RecordView::openBlob(int column)
{
    commitFields();
    m_grid.setCurrentIndex(cell(column));
    m_grid.openBlobWindow();
    showRow();
}

// The grid's cursor moves, and with it the row is left and written; when
// the write is refused the grid says so and keeps the cursor on the row.
void RecordView::moveBy(int rows)
{
    commitFields();
    const QModelIndex current = m_grid.currentIndex();
    const int target = current.row() + rows;
    if (!current.isValid() || target < 0 || target >= m_model.rowCount())
        return;
    m_grid.setCurrentIndex(m_model.index(target, current.column()));
    m_grid.scrollTo(m_grid.currentIndex());
    showRow();
}

// Closing leaves the row as moving off it would: a refused write keeps the
// form open on it.
void RecordView::done(int result)
{
    commitFields();
    const int row = m_grid.currentIndex().row();
    if (row >= 0 && row != m_model.newRecordRow() && m_model.isRowDirty(row)
        && !m_grid.writeRow(row)) {
        showRow();
        return;
    }
    QDialog::done(result);
}

} // namespace ui
