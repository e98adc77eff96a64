#include "db/grid/tablemodel.h"

#include "db/sql/sqltext.h"

#include <ibase.h>

#include <algorithm>

namespace db {

namespace {

constexpr int FirstScreenRows = 256;

bool isNumeric(const Column &c)
{
    if (IsNumberText(c))
        return true;
    switch (c.sqlType.type) {
    case SQL_SHORT: case SQL_LONG: case SQL_INT64: case SQL_FLOAT: case SQL_DOUBLE:
        return true;
    default:
        return false;
    }
}

bool isBoolean(const Column &c)
{
    return c.sqlType.type == SQL_BOOLEAN;
}

} // namespace

TableModel::TableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

TableModel::~TableModel() = default;

void TableModel::bind(const QString &connectionString, const QString &table)
{
    unbind();
    auto writer = std::make_unique<RowWriter>(connectionString, table);
    sql::TableRead read{table, writer->schema().keyless(), {}, false};
    std::vector<Column> columns = writer->describe(sql::SelectRows(read));
    writer->setColumns(columns);
    beginResetModel();
    m_connectionString = connectionString;
    m_table = table;
    m_writer = std::move(writer);
    m_read = read;
    m_columns = std::move(columns);
    startPreviews();
    m_rows.reset(m_columns);
    m_inserted.reset(m_columns);
    endResetModel();
    startReader(read);
}

void TableModel::startPreviews()
{
    const bool blobs = std::any_of(m_columns.begin(), m_columns.end(), [](const Column &c) {
        return c.sqlType.type == SQL_BLOB;
    });
    if (!blobs)
        return;
    m_previews = std::make_unique<BlobPreviews>(m_connectionString);
    connect(m_previews.get(), &BlobPreviews::ready, this, &TableModel::onPreviewReady);
}

void TableModel::unbind()
{
    beginResetModel();
    m_sortReader.reset();
    m_reader.reset();
    m_writer.reset();
    m_columns.clear();
    m_rows.reset({});
    m_inserted.reset({});
    m_insertedKeys.clear();
    m_edits.clear();
    m_blobTexts.clear();
    m_previews.reset();
    m_count = -1;
    m_nextCount = -1;
    m_filterText.clear();
    m_nextFilterText.clear();
    m_carried.clear();
    m_carriedNewRecord.reset();
    m_wantedKey.clear();
    m_placeholders = 0;
    m_placeholdersDue = false;
    m_atEnd = false;
    m_requested = 0;
    m_table.clear();
    m_history.clear();
    m_openStep.reset();
    m_stepDepth = 0;
    emit undoChanged();
    const bool wasSorting = m_sorting;
    m_sorting = false;
    endResetModel();
    if (wasSorting)
        emit busyChanged(false);
}

int TableModel::visibleColumns() const
{
    return m_writer ? m_writer->visibleColumnCount() : 0;
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_writer)
        return 0;
    return m_rows.size() + m_placeholders + m_inserted.size() + (hasNewRecordLine() ? 1 : 0);
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : visibleColumns();
}

int TableModel::recordCount() const
{
    return m_rows.size() + m_placeholders + m_inserted.size();
}

TableModel::Source TableModel::sourceOf(int row) const
{
    const int fetched = m_rows.size();
    if (row < fetched)
        return {Source::Fetched, row};
    if (row < fetched + m_placeholders)
        return {Source::Placeholder, row - fetched};
    const int inserted = row - fetched - m_placeholders;
    if (inserted < m_inserted.size())
        return {Source::Inserted, inserted};
    return {Source::NewRecord, 0};
}

std::vector<Cell> TableModel::storedCells(int row) const
{
    const Source source = sourceOf(row);
    if (source.kind == Source::Fetched)
        return m_rows.rowCells(source.index);
    if (source.kind == Source::Inserted)
        return m_inserted.rowCells(source.index);
    return {};
}

QString TableModel::rowError(int row) const
{
    const auto it = m_edits.find(row);
    return it == m_edits.end() ? QString() : it->second.error;
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() >= visibleColumns())
        return {};
    const int row = index.row();
    const Source source = sourceOf(row);
    if (role == RowStateRole) {
        if (source.kind == Source::Placeholder)
            return int(RowState::NotFetched);
        if (const auto it = m_edits.find(row); it != m_edits.end())
            return int(it->second.error.isEmpty() ? RowState::Edited : RowState::Failed);
        return int(source.kind == Source::NewRecord ? RowState::NewRecord : RowState::Clean);
    }
    if (role == Qt::ToolTipRole && !rowError(row).isEmpty())
        return rowError(row);
    if (role == WritableBlobRole)
        return canSetBlob(index);
    if (source.kind == Source::Placeholder) {
        requestRow(row);
        return {};
    }
    return cellData(row, index.column(), role);
}

QVariant TableModel::cellData(int row, int column, int role) const
{
    const Column &c = m_columns[column];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment((isNumeric(c) ? Qt::AlignRight : Qt::AlignLeft)
                                                 | Qt::AlignVCenter));
    if (const auto it = m_edits.find(row); it != m_edits.end()) {
        const RowEdits &values = it->second.values;
        if (column < int(values.size()) && values[column])
            return editedValue(c, *values[column], role);
    }
    const Source source = sourceOf(row);
    if (source.kind == Source::NewRecord) {
        // An untouched boolean of a new row is neither true nor false yet;
        // without a state the view would draw no box to click.
        if (role == Qt::CheckStateRole && isBoolean(c))
            return int(Qt::PartiallyChecked);
        return role == IsNullRole ? QVariant(false) : QVariant();
    }
    const RowStore &store = source.kind == Source::Fetched ? m_rows : m_inserted;
    return storedValue(c, store.cell(source.index, column), role);
}

QVariant TableModel::storedValue(const Column &c, const Cell &cell, int role) const
{
    switch (role) {
    case IsNullRole:
        return cell.null;
    case Qt::CheckStateRole:
        if (!isBoolean(c))
            return {};
        if (cell.null)
            return int(Qt::PartiallyChecked);
        return int(cell.bytes.size() && cell.bytes[0] ? Qt::Checked : Qt::Unchecked);
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (cell.null)
            return role == Qt::DisplayRole ? QStringLiteral("NULL") : QString();
        if (isBoolean(c) && role == Qt::DisplayRole)
            return {};
        if (c.sqlType.type == SQL_BLOB)
            return blobValue(c, cell, role);
        return CellText(c, cell.bytes);
    default:
        return {};
    }
}

// Text blobs show their start, binary blobs their size: read off the UI
// thread when first painted, the cell showing "…" until then. Editing and
// copying want the value itself: a text blob whole, a binary one's size,
// read at once.
QVariant TableModel::blobValue(const Column &c, const Cell &cell, int role) const
{
    const bool text = IsEditableType(c);
    const QByteArray key = cell.bytes.toByteArray();
    if (role == Qt::EditRole && (text || !m_blobTexts.contains(key))) {
        try {
            const unsigned decodeAs = c.sqlType.charSet == CsNone ? CsNone : CsUtf8;
            return text ? DecodeText(decodeAs, m_writer->readBlob(cell.bytes, c.sqlType.charSet))
                        : BlobSizeText(m_writer->blobSize(cell.bytes));
        } catch (const DbError &error) {
            return QStringLiteral("(unreadable: %1)").arg(error.message());
        }
    }
    if (const QString *cached = m_blobTexts.object(key))
        return *cached;
    if (m_previews)
        m_previews->request(key, c.sqlType.charSet, text);
    return QStringLiteral("…");
}

void TableModel::onPreviewReady(const QByteArray &blobId, const QString &shown)
{
    m_blobTexts.insert(blobId, new QString(shown));
    // One repaint for all the previews that arrive together.
    if (std::exchange(m_previewRepaintDue, true))
        return;
    QMetaObject::invokeMethod(this, [this] {
        m_previewRepaintDue = false;
        if (rowCount() > 0 && columnCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                             {Qt::DisplayRole});
    }, Qt::QueuedConnection);
}

QVariant TableModel::editedValue(const Column &c, const CellEdit &edit, int role) const
{
    switch (role) {
    case IsNullRole:
        return edit.null;
    case Qt::CheckStateRole:
        if (!isBoolean(c))
            return {};
        if (edit.null)
            return int(Qt::PartiallyChecked);
        return int(ParseCellText(c, edit.text).bytes.startsWith('\1') ? Qt::Checked
                                                                      : Qt::Unchecked);
    case Qt::DisplayRole:
        if (isBoolean(c) && !edit.null)
            return {};
        if (edit.null)
            return QStringLiteral("NULL");
        if (edit.bytes)
            return BlobSizeText(edit.bytes->size());
        // A long text from the BLOB window shows its start, as stored ones do.
        if (c.sqlType.type == SQL_BLOB && edit.text.size() > BlobPreviewBytes)
            return edit.text.left(BlobPreviewBytes) + QStringLiteral("…");
        return edit.text;
    case Qt::EditRole:
        if (edit.bytes)
            return BlobSizeText(edit.bytes->size());
        return edit.null ? QString() : edit.text;
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < visibleColumns()) {
        const Column &c = m_columns[section];
        const TableSchema &schema = m_writer->schema();
        // SELECT * names each column as the table (or view) declares it.
        const int keyPosition = int(schema.keyColumns.indexOf(c.name));
        if (role == KeyColumnRole)
            return keyPosition >= 0;
        if (role == ColumnTypeRole)
            return schema.traits.value(c.name).typeText;
        if (role == Qt::ToolTipRole)
            return ColumnDescription(c.name, schema.traits.value(c.name), keyPosition,
                                     int(schema.keyColumns.size()),
                                     !m_writer->isEditable(section)
                                         && !m_writer->isWritableBlob(section));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= visibleColumns())
            return {};
        return m_columns[section].name;
    }
    if (role == Qt::ToolTipRole)
        return rowError(section);
    const auto it = m_edits.find(section);
    if (it != m_edits.end() && !it->second.error.isEmpty())
        return QStringLiteral("!");
    if (section == newRecordRow())
        return QStringLiteral("*");
    if (it != m_edits.end())
        return QStringLiteral("✎");
    return section + 1;
}

Qt::ItemFlags TableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (sourceOf(index.row()).kind == Source::Placeholder || !m_writer->isEditable(index.column()))
        return flags;
    if (isBoolean(m_columns[index.column()]))
        return flags | Qt::ItemIsUserCheckable | Qt::ItemIsEditable;
    return flags | Qt::ItemIsEditable;
}

void TableModel::requestRow(int row) const
{
    if (!m_reader || row < m_requested)
        return;
    m_requested = qint64(row) + FirstScreenRows * 2;
    m_reader->requestRows(m_requested);
}

void TableModel::fetchAll()
{
    // While a sort is under way its rows are the ones to come.
    if (m_sortReader)
        m_sortReader->requestAll();
    else if (m_reader && !m_atEnd)
        m_reader->requestAll();
}

} // namespace db
