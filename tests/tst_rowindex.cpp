#include "db/grid/rowindex.h"

#include <QTest>

#include <cstdint>
#include <vector>

using db::RowIndex;

namespace {

constexpr int Block = int(RowIndex::BlockSize);

// Stand-ins for packed rows: distinct values, never read through.
const char *Row(std::uintptr_t n)
{
    return reinterpret_cast<const char *>(n * 16 + 8);
}

// Appends rows 1..count in pieces of the given size, to the index and to
// a plain vector that says what the index must hold.
void Fill(RowIndex &index, std::vector<const char *> &expected, int count, int piece)
{
    std::vector<const char *> rows;
    for (int n = 1; n <= count; ++n)
        rows.push_back(Row(std::uintptr_t(n)));
    for (int at = 0; at < count; at += piece) {
        const int run = std::min(piece, count - at);
        index.append(rows.data() + at, std::size_t(run));
    }
    expected.insert(expected.end(), rows.begin(), rows.end());
}

void CompareAll(const RowIndex &index, const std::vector<const char *> &expected)
{
    QCOMPARE(index.size(), expected.size());
    for (std::size_t row = 0; row < expected.size(); ++row) {
        if (index[row] != expected[row])
            QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(row)));
    }
}

} // namespace

class tst_RowIndex : public QObject
{
    Q_OBJECT

private slots:
    void appendInsertErase_data();
    void appendInsertErase();
    void clearDropsEverything();
};

// Each row: rows appended (in pieces of `piece`), then an insert of one
// row at `at` (count 0) or an erase of `count` rows from `at`.
void tst_RowIndex::appendInsertErase_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("piece");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("count");

    QTest::newRow("insert into an empty index") << 0 << 1 << 0 << 0;
    QTest::newRow("insert at the front of one block") << 10 << 3 << 0 << 0;
    QTest::newRow("insert into a full block: a new one") << Block << Block << 5 << 0;
    QTest::newRow("insert at the front, rows cross two borders")
        << 2 * Block + 7 << 1000 << 0 << 0;
    QTest::newRow("insert just before a border") << 2 * Block + 7 << 4096 << Block - 1 << 0;
    QTest::newRow("insert at a border") << 2 * Block + 7 << Block << Block << 0;
    QTest::newRow("insert just after a border") << 2 * Block + 7 << 777 << Block + 1 << 0;
    QTest::newRow("insert at the end") << 2 * Block << 5000 << 2 * Block << 0;
    QTest::newRow("erase one at the front") << 2 * Block + 7 << 999 << 0 << 1;
    QTest::newRow("erase one at a border") << 2 * Block + 7 << 999 << Block << 1;
    QTest::newRow("erase across a border") << 3 * Block << 5000 << Block - 10 << 20;
    QTest::newRow("erase more than a block, across two borders")
        << 3 * Block + 3 << 5000 << Block / 2 << Block + Block / 2 + 1;
    QTest::newRow("erase the tail: a block goes") << 2 * Block + 7 << 999 << Block + 3 << Block + 4;
    QTest::newRow("erase everything") << Block + 1 << 999 << 0 << Block + 1;
}

void tst_RowIndex::appendInsertErase()
{
    QFETCH(int, rows);
    QFETCH(int, piece);
    QFETCH(int, at);
    QFETCH(int, count);

    RowIndex index;
    std::vector<const char *> expected;
    Fill(index, expected, rows, piece);
    CompareAll(index, expected);
    if (QTest::currentTestFailed())
        return;
    if (count == 0) {
        index.insert(std::size_t(at), Row(0));
        expected.insert(expected.begin() + at, Row(0));
    } else {
        index.erase(std::size_t(at), std::size_t(count));
        expected.erase(expected.begin() + at, expected.begin() + at + count);
    }
    CompareAll(index, expected);
    if (QTest::currentTestFailed())
        return;
    // Blocks are only as many as the rows need.
    const std::size_t blocks = (expected.size() + RowIndex::BlockSize - 1) / RowIndex::BlockSize;
    QCOMPARE(index.memoryBytes(), blocks * RowIndex::BlockSize * sizeof(const char *));
    // The index goes on growing after the change.
    Fill(index, expected, Block / 2, Block / 3);
    index.set(expected.size() - 1, Row(0));
    expected.back() = Row(0);
    CompareAll(index, expected);
}

void tst_RowIndex::clearDropsEverything()
{
    RowIndex index;
    std::vector<const char *> expected;
    Fill(index, expected, Block + 5, 100);
    index.clear();
    QVERIFY(index.empty());
    QCOMPARE(index.memoryBytes(), std::size_t(0));
    expected.clear();
    Fill(index, expected, 3, 1);
    CompareAll(index, expected);
}

QTEST_APPLESS_MAIN(tst_RowIndex)
#include "tst_rowindex.moc"
