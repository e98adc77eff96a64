#pragma once

#include "db/grid/rowindex.h"
#include "db/sql/cellcodec.h"
#include "db/sql/sqltype.h"

#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <vector>

// Compact row storage for the grid: every row is packed into one run of
// bytes inside a large chunk, and the store keeps one pointer per row.
//
// Packed row: a null bitmap (one bit per column, plus one bit telling
// whether the offsets below are 16 or 32 bits wide), the fixed-size values
// at fixed places, the end offset of every variable-size value, then the
// variable-size bytes. Fixed values of NULL cells still take their place.
// The pointers are kept in blocks (RowIndex), so that the store grows
// without copying what it holds.
namespace db {

// A value of an output message, without copying.
Cell MessageCell(const Column &column, const unsigned char *message);

// Where each column's value sits in a packed row.
class RowLayout
{
public:
    RowLayout() = default;
    explicit RowLayout(const std::vector<Column> &columns);

    int columnCount() const { return int(m_slots.size()); }
    bool isEmpty() const { return m_slots.empty(); }

    // cells: one per column; fixed-size values in their native length.
    std::size_t packedSize(const std::vector<Cell> &cells) const;
    void pack(const std::vector<Cell> &cells, char *out) const;

    Cell cell(const char *row, int column) const;

private:
    struct Slot
    {
        std::uint32_t fixedOffset = 0; // from the row start; fixed-size values
        std::uint32_t length = 0;      // fixed-size values
        int varIndex = -1;             // variable-size values: index among them
    };
    std::size_t headerSize(bool wide) const;
    void writeHeader(char *out, bool wide) const;

    std::vector<Slot> m_slots;
    std::vector<int> m_varColumns;    // column of each variable-size value
    std::uint32_t m_bitmapBytes = 0;
    std::uint32_t m_fixedEnd = 0;     // end of the fixed values, from the row start
};

// Memory that never moves once a row points into it.
class ChunkArena
{
public:
    explicit ChunkArena(std::size_t chunkSize = 256 * 1024) : m_chunkSize(chunkSize) {}

    char *allocate(std::size_t size);
    // Gives the unused tail of the last chunk back by copying that chunk into
    // one of exact size; rows whose pointers lie in it are moved along.
    void shrinkLast(std::vector<const char *> &rows);
    void takeFrom(ChunkArena &&other);
    void clear();
    std::size_t allocatedBytes() const { return m_allocated; }

private:
    struct Chunk
    {
        std::unique_ptr<char[]> data;
        std::size_t size = 0;
        std::size_t used = 0;
    };
    std::vector<Chunk> m_chunks;
    std::size_t m_chunkSize;
    std::size_t m_allocated = 0;
};

// Rows packed on a worker thread, then moved whole into a RowStore.
class RowBatch
{
public:
    RowBatch() = default;
    RowBatch(RowBatch &&) noexcept = default;
    RowBatch &operator=(RowBatch &&) noexcept = default;
    RowBatch(const RowBatch &) = delete;
    RowBatch &operator=(const RowBatch &) = delete;

    // The first call fixes the layout; every call must pass the same columns.
    void append(const std::vector<Column> &columns, const unsigned char *message);
    // Trims the spare room of the last chunk. Call on the worker before
    // handing the batch over; RowStore::appendBatch does it otherwise.
    void finish();

    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    Cell cell(int row, int column) const { return m_layout.cell(m_rows[row], column); }
    std::size_t memoryBytes() const;

private:
    friend class RowStore;
    RowLayout m_layout;
    ChunkArena m_arena;
    std::vector<const char *> m_rows;
    std::vector<Cell> m_scratch;  // one message's cells, reused
    bool m_finished = false;
};

// All rows of the grid. Used on one thread (the UI thread).
class RowStore
{
public:
    RowStore() = default;
    explicit RowStore(const std::vector<Column> &columns) { reset(columns); }
    RowStore(const RowStore &) = delete;
    RowStore &operator=(const RowStore &) = delete;

    // Drops all rows and takes a new column set.
    void reset(const std::vector<Column> &columns);
    void clear();   // drops all rows, keeps the columns

    int size() const { return int(m_rows.size()); }
    int columnCount() const { return m_layout.columnCount(); }
    Cell cell(int row, int column) const { return m_layout.cell(m_rows[row], column); }
    std::vector<Cell> rowCells(int row) const;

    // Takes the batch's chunks over; its rows go after the existing ones.
    void appendBatch(RowBatch &&batch);
    // cells: one per column, fixed-size values in their native length. They
    // may point into this store's own rows.
    void replaceRow(int row, const std::vector<Cell> &cells);
    void insertRow(int row, const std::vector<Cell> &cells);
    void removeRow(int row) { removeRows(row, 1); }
    void removeRows(int first, int count);

    // Approximate heap bytes held: chunks (with replaced rows' garbage) and
    // the row index.
    std::size_t memoryBytes() const;

private:
    const char *packCells(const std::vector<Cell> &cells);

    RowLayout m_layout;
    ChunkArena m_arena;           // batches' chunks
    ChunkArena m_edits{16 * 1024}; // rows written by edits
    RowIndex m_rows;
};

} // namespace db
