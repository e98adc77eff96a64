#include "db/grid/tablemodel.h"

#include <ibase.h>

// BLOB cells as a whole: read on demand for the BLOB window, and set back
// as one edit of their row, which leaving the row writes like any other.
namespace db {

bool TableModel::isBlobColumn(int column) const
{
    return column >= 0 && column < visibleColumns() && m_columns[column].sqlType.type == SQL_BLOB;
}

bool TableModel::isTextBlobColumn(int column) const
{
    return isBlobColumn(column) && IsEditableType(m_columns[column]);
}

bool TableModel::allowsNull(int column) const
{
    return column >= 0 && column < visibleColumns() && m_columns[column].nullable;
}

bool TableModel::canSetBlob(const QModelIndex &index) const
{
    return index.isValid() && isBlobColumn(index.column()) && !m_sorting
           && sourceOf(index.row()).kind != Source::Placeholder
           && m_writer->isWritableBlob(index.column());
}

const CellEdit *TableModel::pendingEdit(int row, int column) const
{
    const auto it = m_edits.find(row);
    if (it == m_edits.end() || column >= int(it->second.values.size())
        || !it->second.values[column])
        return nullptr;
    return &*it->second.values[column];
}

std::function<BlobValue()> TableModel::blobReader(const QModelIndex &index) const
{
    const auto known = [](BlobValue value) { return [value] { return value; }; };
    if (!index.isValid() || !isBlobColumn(index.column()))
        return known({});
    if (const CellEdit *edit = pendingEdit(index.row(), index.column())) {
        if (edit->null)
            return known({});
        return known({false, edit->bytes ? *edit->bytes : edit->text.toUtf8()});
    }
    const Source source = sourceOf(index.row());
    if (source.kind == Source::NewRecord || source.kind == Source::Placeholder)
        return known({});
    const Column &c = m_columns[index.column()];
    const RowStore &store = source.kind == Source::Fetched ? m_rows : m_inserted;
    const Cell cell = store.cell(source.index, index.column());
    if (cell.null)
        return known({});
    RowWriter *writer = m_writer.get();
    if (!isTextBlobColumn(index.column()))
        return [writer, id = cell.bytes] { return BlobValue{false, writer->readBlob(id, CsNone)}; };
    // As the grid's cell editor gets it: NONE that is not UTF-8 as Latin-1.
    const unsigned charSet = c.sqlType.charSet;
    return [writer, id = cell.bytes, charSet] {
        const unsigned decodeAs = charSet == CsNone ? CsNone : CsUtf8;
        return BlobValue{false, DecodeText(decodeAs, writer->readBlob(id, charSet)).toUtf8()};
    };
}

bool TableModel::setBlob(const QModelIndex &index, const BlobValue &value)
{
    if (!canSetBlob(index))
        return false;
    CellEdit edit{value.null, {}};
    if (!value.null && isTextBlobColumn(index.column()))
        edit.text = QString::fromUtf8(value.bytes);
    else if (!value.null)
        edit.bytes = value.bytes;
    storeEdit(index, std::move(edit));
    return true;
}

void TableModel::storeEdit(const QModelIndex &index, CellEdit edit)
{
    PendingRow &pending = m_edits[index.row()];
    pending.values.resize(visibleColumns());
    pending.values[index.column()] = std::move(edit);
    emit dataChanged(index, index);
    emit headerDataChanged(Qt::Vertical, index.row(), index.row());
}

} // namespace db
