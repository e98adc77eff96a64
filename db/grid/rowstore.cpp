#include "db/grid/rowstore.h"

#include <ibase.h>

#include <algorithm>
#include <cstring>

namespace db {

namespace {

bool IsVariable(const SqlType &type)
{
    return type.type == SQL_VARYING || type.type == SQL_TEXT;
}

bool BitSet(const char *row, std::size_t bit)
{
    return (static_cast<unsigned char>(row[bit >> 3]) >> (bit & 7)) & 1u;
}

void SetBit(char *row, std::size_t bit)
{
    row[bit >> 3] = char(static_cast<unsigned char>(row[bit >> 3]) | (1u << (bit & 7)));
}

std::uint32_t ReadOffset(const char *offsets, int index, bool wide)
{
    if (wide) {
        std::uint32_t value;
        std::memcpy(&value, offsets + index * 4, 4);
        return value;
    }
    std::uint16_t value;
    std::memcpy(&value, offsets + index * 2, 2);
    return value;
}

void WriteOffset(char *offsets, int index, bool wide, std::uint32_t value)
{
    if (wide) {
        std::memcpy(offsets + index * 4, &value, 4);
    } else {
        const auto narrow = std::uint16_t(value);
        std::memcpy(offsets + index * 2, &narrow, 2);
    }
}

constexpr bool WideLimit(std::size_t varBytes)
{
    return varBytes > 0xFFFF;
}

} // namespace

// A value of an output message, without copying.
Cell MessageCell(const Column &column, const unsigned char *message)
{
    std::int16_t indicator;
    std::memcpy(&indicator, message + column.nullOffset, sizeof indicator);
    if (indicator != 0)
        return {};
    const auto *value = reinterpret_cast<const char *>(message + column.offset);
    if (column.sqlType.type == SQL_VARYING) {
        std::uint16_t length;
        std::memcpy(&length, value, sizeof length);
        return {false, QByteArrayView(value + 2, length)};
    }
    return {false, QByteArrayView(value, column.sqlType.length)};
}

// ---- RowLayout -----------------------------------------------------------

RowLayout::RowLayout(const std::vector<Column> &columns)
{
    const std::size_t count = columns.size();
    m_bitmapBytes = std::uint32_t((count + 1 + 7) / 8); // one more bit: wide offsets
    std::uint32_t fixed = m_bitmapBytes;
    m_slots.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const SqlType &type = columns[i].sqlType;
        if (IsVariable(type)) {
            m_slots[i].varIndex = int(m_varColumns.size());
            m_varColumns.push_back(int(i));
        } else {
            m_slots[i].fixedOffset = fixed;
            m_slots[i].length = type.length;
            fixed += type.length;
        }
    }
    m_fixedEnd = fixed;
}

std::size_t RowLayout::headerSize(bool wide) const
{
    return m_fixedEnd + m_varColumns.size() * (wide ? 4 : 2);
}

void RowLayout::writeHeader(char *out, bool wide) const
{
    std::memset(out, 0, m_bitmapBytes);
    if (wide)
        SetBit(out, m_slots.size());
}

std::size_t RowLayout::packedSize(const std::vector<Cell> &cells) const
{
    std::size_t varBytes = 0;
    for (const int column : m_varColumns)
        varBytes += cells[column].null ? 0 : cells[column].bytes.size();
    return headerSize(WideLimit(varBytes)) + varBytes;
}

void RowLayout::pack(const std::vector<Cell> &cells, char *out) const
{
    std::size_t varBytes = 0;
    for (const int column : m_varColumns)
        varBytes += cells[column].null ? 0 : cells[column].bytes.size();
    const bool wide = WideLimit(varBytes);
    writeHeader(out, wide);
    char *offsets = out + m_fixedEnd;
    char *data = out + headerSize(wide);
    std::uint32_t end = 0;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        const Slot &slot = m_slots[i];
        const Cell &cell = cells[i];
        if (cell.null)
            SetBit(out, i);
        if (slot.varIndex >= 0) {
            const std::size_t size = cell.null ? 0 : std::size_t(cell.bytes.size());
            if (size > 0)
                std::memcpy(data + end, cell.bytes.data(), size);
            end += std::uint32_t(size);
            WriteOffset(offsets, slot.varIndex, wide, end);
            continue;
        }
        char *value = out + slot.fixedOffset;
        const std::size_t size =
            cell.null ? 0 : std::min<std::size_t>(slot.length, std::size_t(cell.bytes.size()));
        Q_ASSERT(cell.null || std::size_t(cell.bytes.size()) == slot.length);
        if (size > 0)
            std::memcpy(value, cell.bytes.data(), size);
        std::memset(value + size, 0, slot.length - size);
    }
}

Cell RowLayout::cell(const char *row, int column) const
{
    if (BitSet(row, std::size_t(column)))
        return {};
    const Slot &slot = m_slots[std::size_t(column)];
    if (slot.varIndex < 0)
        return {false, QByteArrayView(row + slot.fixedOffset, slot.length)};
    const bool wide = BitSet(row, m_slots.size());
    const char *offsets = row + m_fixedEnd;
    const char *data = row + headerSize(wide);
    const std::uint32_t begin = slot.varIndex == 0 ? 0 : ReadOffset(offsets, slot.varIndex - 1, wide);
    const std::uint32_t end = ReadOffset(offsets, slot.varIndex, wide);
    return {false, QByteArrayView(data + begin, end - begin)};
}

// ---- ChunkArena ------------------------------------------------------------

char *ChunkArena::allocate(std::size_t size)
{
    if (!m_chunks.empty()) {
        Chunk &last = m_chunks.back();
        if (last.size - last.used >= size) {
            char *result = last.data.get() + last.used;
            last.used += size;
            return result;
        }
    }
    Chunk chunk;
    const bool large = size > m_chunkSize / 4;
    chunk.size = large ? size : m_chunkSize;
    chunk.data = std::make_unique_for_overwrite<char[]>(chunk.size);
    chunk.used = size;
    m_allocated += chunk.size;
    char *result = chunk.data.get();
    // A large row gets a chunk of its own and leaves the current one in use.
    const auto where = large && !m_chunks.empty() ? m_chunks.end() - 1 : m_chunks.end();
    m_chunks.insert(where, std::move(chunk));
    return result;
}

void ChunkArena::shrinkLast(std::vector<const char *> &rows)
{
    if (m_chunks.empty())
        return;
    Chunk &last = m_chunks.back();
    if (last.used == last.size)
        return;
    const char *oldBegin = last.data.get();
    const char *oldEnd = oldBegin + last.used;
    m_allocated -= last.size;
    if (last.used == 0) {
        m_chunks.pop_back();
        return;
    }
    auto exact = std::make_unique_for_overwrite<char[]>(last.used);
    std::memcpy(exact.get(), oldBegin, last.used);
    for (const char *&row : rows)
        if (row >= oldBegin && row < oldEnd)
            row = exact.get() + (row - oldBegin);
    last.data = std::move(exact);
    last.size = last.used;
    m_allocated += last.size;
}

void ChunkArena::takeFrom(ChunkArena &&other)
{
    for (Chunk &chunk : other.m_chunks)
        m_chunks.push_back(std::move(chunk));
    m_allocated += other.m_allocated;
    other.m_chunks.clear();
    other.m_allocated = 0;
}

void ChunkArena::clear()
{
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_allocated = 0;
}

// ---- RowBatch --------------------------------------------------------------

void RowBatch::append(const std::vector<Column> &columns, const unsigned char *message)
{
    if (m_layout.isEmpty())
        m_layout = RowLayout(columns);
    Q_ASSERT(m_layout.columnCount() == int(columns.size()));
    m_scratch.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i)
        m_scratch[i] = MessageCell(columns[i], message);
    char *row = m_arena.allocate(m_layout.packedSize(m_scratch));
    m_layout.pack(m_scratch, row);
    m_rows.push_back(row);
    m_finished = false;
}

void RowBatch::finish()
{
    if (m_finished)
        return;
    m_arena.shrinkLast(m_rows);
    m_finished = true;
}

std::size_t RowBatch::memoryBytes() const
{
    return m_arena.allocatedBytes() + m_rows.capacity() * sizeof(const char *);
}

// ---- RowStore --------------------------------------------------------------

void RowStore::reset(const std::vector<Column> &columns)
{
    clear();
    m_layout = RowLayout(columns);
}

void RowStore::clear()
{
    m_rows.clear();
    m_arena.clear();
    m_edits.clear();
}

std::vector<Cell> RowStore::rowCells(int row) const
{
    std::vector<Cell> cells(static_cast<std::size_t>(columnCount()));
    for (int column = 0; column < columnCount(); ++column)
        cells[std::size_t(column)] = cell(row, column);
    return cells;
}

void RowStore::appendBatch(RowBatch &&batch)
{
    if (batch.isEmpty())
        return;
    if (m_layout.isEmpty() && m_rows.empty())
        m_layout = batch.m_layout;
    Q_ASSERT(batch.m_layout.columnCount() == columnCount());
    batch.finish();
    m_arena.takeFrom(std::move(batch.m_arena));
    m_rows.append(batch.m_rows.data(), batch.m_rows.size());
    batch.m_rows.clear();
    batch.m_rows.shrink_to_fit();
}

const char *RowStore::packCells(const std::vector<Cell> &cells)
{
    Q_ASSERT(int(cells.size()) == columnCount());
    const std::size_t size = m_layout.packedSize(cells);
    char *row = m_edits.allocate(size);
    m_layout.pack(cells, row);
    return row;
}

void RowStore::replaceRow(int row, const std::vector<Cell> &cells)
{
    m_rows.set(std::size_t(row), packCells(cells));
}

void RowStore::insertRow(int row, const std::vector<Cell> &cells)
{
    const char *packed = packCells(cells);
    m_rows.insert(std::size_t(row), packed);
}

void RowStore::removeRows(int first, int count)
{
    m_rows.erase(std::size_t(first), std::size_t(count));
}

std::size_t RowStore::memoryBytes() const
{
    return m_arena.allocatedBytes() + m_edits.allocatedBytes() + m_rows.memoryBytes();
}

} // namespace db
