#include "db/grid/rowindex.h"

#include <algorithm>
#include <cstring>

namespace db {

void RowIndex::grow(std::size_t rows)
{
    const std::size_t blocks = (rows + BlockSize - 1) >> BlockBits;
    while (m_blocks.size() < blocks)
        m_blocks.push_back(std::make_unique_for_overwrite<const char *[]>(BlockSize));
    m_size = rows;
}

void RowIndex::trim()
{
    const std::size_t blocks = (m_size + BlockSize - 1) >> BlockBits;
    m_blocks.resize(blocks);
}

void RowIndex::append(const char *const *rows, std::size_t count)
{
    std::size_t at = m_size;
    grow(m_size + count);
    while (count > 0) {
        const std::size_t run = std::min(count, BlockSize - (at & (BlockSize - 1)));
        std::memcpy(slot(at), rows, run * sizeof(const char *));
        rows += run;
        at += run;
        count -= run;
    }
}

void RowIndex::insert(std::size_t at, const char *packed)
{
    const std::size_t after = m_size - at;
    grow(m_size + 1);
    move(at + 1, at, after);
    set(at, packed);
}

void RowIndex::erase(std::size_t first, std::size_t count)
{
    move(first, first + count, m_size - first - count);
    m_size -= count;
    trim();
}

void RowIndex::clear()
{
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_size = 0;
}

// In runs that stay within one block on both sides: backwards when moving
// up, so that no pointer is overwritten before it has moved.
void RowIndex::move(std::size_t to, std::size_t from, std::size_t count)
{
    if (to == from || count == 0)
        return;
    constexpr std::size_t Mask = BlockSize - 1;
    if (to < from) {
        while (count > 0) {
            const std::size_t run =
                std::min({count, BlockSize - (to & Mask), BlockSize - (from & Mask)});
            std::memmove(slot(to), slot(from), run * sizeof(const char *));
            to += run;
            from += run;
            count -= run;
        }
        return;
    }
    std::size_t toEnd = to + count;
    std::size_t fromEnd = from + count;
    while (count > 0) {
        // The run ends just before toEnd and fromEnd and begins in their blocks.
        const std::size_t run =
            std::min({count, ((toEnd - 1) & Mask) + 1, ((fromEnd - 1) & Mask) + 1});
        toEnd -= run;
        fromEnd -= run;
        std::memmove(slot(toEnd), slot(fromEnd), run * sizeof(const char *));
        count -= run;
    }
}

} // namespace db
