#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace db {

// The grid's index of packed rows: one pointer per row, kept in blocks of
// a fixed size. Growing never copies the rows already there (a vector of
// ten million pointers would move 80 MB on the UI thread each time it
// doubles, and hold both copies meanwhile); inserting or removing in the
// middle moves the pointers after it, block by block.
class RowIndex
{
public:
    static constexpr std::size_t BlockBits = 16;
    static constexpr std::size_t BlockSize = std::size_t(1) << BlockBits;

    RowIndex() = default;
    RowIndex(RowIndex &&) noexcept = default;
    RowIndex &operator=(RowIndex &&) noexcept = default;

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const char *operator[](std::size_t row) const { return *slot(row); }
    void set(std::size_t row, const char *packed) { *slot(row) = packed; }

    void append(const char *const *rows, std::size_t count);
    void insert(std::size_t at, const char *packed);
    void erase(std::size_t first, std::size_t count);
    void clear();

    // Heap bytes of the blocks.
    std::size_t memoryBytes() const { return m_blocks.size() * BlockSize * sizeof(const char *); }

private:
    using Block = std::unique_ptr<const char *[]>;

    const char **slot(std::size_t row) const
    {
        return m_blocks[row >> BlockBits].get() + (row & (BlockSize - 1));
    }
    // Makes room for size() == rows, adding blocks as needed.
    void grow(std::size_t rows);
    // Drops the blocks no row uses any more.
    void trim();
    // Moves count pointers from `from` to `to` (overlapping ranges allowed).
    void move(std::size_t to, std::size_t from, std::size_t count);

    std::vector<Block> m_blocks;
    std::size_t m_size = 0;
};

} // namespace db
