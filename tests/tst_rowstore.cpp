#include "db/sql/cellcodec.h"
#include "db/client/connection.h"
#include "db/grid/rowstore.h"
#include "tests/support/tempdatabase.h"

#include <QTest>

#include <ibase.h>

#include <cstring>
#include <thread>

using namespace db;
using testsupport::TempDatabase;

namespace {

Column MakeColumn(unsigned type, unsigned length, unsigned charSet = 0, int scale = 0)
{
    Column c;
    c.sqlType = {type, 0, scale, length, charSet};
    return c;
}

// Output messages laid out like the client API does it: every value at
// its own offset, a 2-byte null flag after it.
class MessageBuilder
{
public:
    explicit MessageBuilder(std::vector<Column> columns) : m_columns(std::move(columns))
    {
        unsigned offset = 0;
        for (Column &c : m_columns) {
            offset = (offset + 7) & ~7u;
            c.offset = offset;
            offset += c.sqlType.length + (c.sqlType.type == SQL_VARYING ? 2 : 0);
            offset = (offset + 1) & ~1u;
            c.nullOffset = offset;
            offset += 2;
        }
        m_message.assign(offset, 0xAB); // junk where nothing is written
    }

    const std::vector<Column> &columns() const { return m_columns; }
    const unsigned char *data() const { return m_message.data(); }

    void set(std::size_t i, const QByteArray &bytes)
    {
        const Column &c = m_columns[i];
        const qint16 notNull = 0;
        std::memcpy(&m_message[c.nullOffset], &notNull, 2);
        unsigned char *value = &m_message[c.offset];
        if (c.sqlType.type == SQL_VARYING) {
            const quint16 length = quint16(bytes.size());
            std::memcpy(value, &length, 2);
            value += 2;
        } else {
            QCOMPARE_LE(unsigned(bytes.size()), c.sqlType.length);
        }
        std::memcpy(value, bytes.constData(), std::size_t(bytes.size()));
    }

    void setNull(std::size_t i)
    {
        const qint16 null = -1;
        std::memcpy(&m_message[m_columns[i].nullOffset], &null, 2);
    }

private:
    std::vector<Column> m_columns;
    std::vector<unsigned char> m_message;
};

template <typename T>
QByteArray Bytes(T value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

std::vector<Column> EveryType()
{
    return {MakeColumn(SQL_LONG, 4),          MakeColumn(SQL_VARYING, 160, CsUtf8),
            MakeColumn(SQL_SHORT, 2),         MakeColumn(SQL_INT64, 8, 0, -2),
            MakeColumn(SQL_FLOAT, 4),         MakeColumn(SQL_DOUBLE, 8),
            MakeColumn(SQL_TYPE_DATE, 4),     MakeColumn(SQL_TYPE_TIME, 4),
            MakeColumn(SQL_TIMESTAMP, 8),     MakeColumn(SQL_BOOLEAN, 1),
            MakeColumn(SQL_VARYING, 10, CsNone), MakeColumn(SQL_TEXT, 8, CsOctets),
            MakeColumn(SQL_BLOB, 8),          MakeColumn(SQL_VARYING, 400, CsUtf8)};
}

// Row n of a table of every type; every value differs per row.
std::vector<QByteArray> EveryTypeValues(int n)
{
    return {Bytes(qint32(n)), QStringLiteral("Zoë %1").arg(n).toUtf8(), Bytes(qint16(-n)),
            Bytes(qint64(n) * 1000003), Bytes(float(n) / 7), Bytes(double(n) / 3),
            Bytes(qint32(60000 + n)), Bytes(quint32(n * 10001)), Bytes(qint64(n) << 33),
            QByteArray(1, char(n % 2)), QByteArray("\xE9t\xE9") + QByteArray::number(n % 10),
            Bytes(qint64(n) | (qint64(0x81) << 56)), Bytes(qint64(n) * 3),
            QByteArray(n % 5, 'x')};
}

QByteArrayList CellBytes(const RowStore &store, int row)
{
    QByteArrayList values;
    for (int c = 0; c < store.columnCount(); ++c)
        values << store.cell(row, c).bytes.toByteArray();
    return values;
}

std::vector<Cell> CellsOf(const std::vector<QByteArray> &values)
{
    std::vector<Cell> cells;
    for (const QByteArray &v : values)
        cells.push_back({false, v});
    return cells;
}

void AppendRows(RowBatch &batch, MessageBuilder &message, int first, int count)
{
    for (int n = first; n < first + count; ++n) {
        const std::vector<QByteArray> values = EveryTypeValues(n);
        for (std::size_t i = 0; i < values.size(); ++i)
            message.set(i, values[i]);
        batch.append(message.columns(), message.data());
    }
}

void VerifyRow(const RowStore &store, int row, int n)
{
    const std::vector<QByteArray> values = EveryTypeValues(n);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const Cell cell = store.cell(row, int(i));
        QVERIFY(!cell.null);
        QCOMPARE(cell.bytes.toByteArray().toHex(), values[i].toHex());
    }
}

} // namespace

// Packed rows: every type, NULLs, batches, edits and the memory budget.
class tst_RowStore : public QObject
{
    Q_OBJECT

private slots:
    void everyTypeRoundTrips();
    void nullsAndEmptyStrings();
    void batchesFromTwoThreads();
    void viewsStayValidWhileBatchesArrive();
    void replaceInsertRemove();
    void replaceFromOwnCells();
    void wideAndLargeRows();
    void finishGivesSpareRoomBack();
    void clearAndReset();
    void benchmarkRowsStayInBudget();
    void rowsStraightFromTheEngine();
};

void tst_RowStore::everyTypeRoundTrips()
{
    MessageBuilder message(EveryType());
    RowBatch batch;
    AppendRows(batch, message, 0, 50);
    QCOMPARE(batch.size(), 50);
    RowStore store(message.columns());
    store.appendBatch(std::move(batch));
    QCOMPARE(store.size(), 50);
    QCOMPARE(store.columnCount(), 14);
    for (int row = 0; row < 50; ++row)
        VerifyRow(store, row, row);
    QCOMPARE(CellText(message.columns()[1], store.cell(7, 1).bytes), QStringLiteral("Zoë 7"));
}

void tst_RowStore::nullsAndEmptyStrings()
{
    const std::vector<Column> columns{MakeColumn(SQL_VARYING, 40, CsUtf8), MakeColumn(SQL_LONG, 4),
                                      MakeColumn(SQL_VARYING, 40, CsUtf8), MakeColumn(SQL_TEXT, 8, CsOctets)};
    MessageBuilder message(columns);
    RowBatch batch;
    message.set(0, "");
    message.setNull(1);
    message.setNull(2);
    message.setNull(3);
    batch.append(message.columns(), message.data());
    message.setNull(0);
    message.set(1, Bytes(qint32(5)));
    message.set(2, "");
    message.set(3, QByteArray(8, '\0'));
    batch.append(message.columns(), message.data());
    RowStore store(columns);
    store.appendBatch(std::move(batch));

    QVERIFY(!store.cell(0, 0).null);
    QCOMPARE(store.cell(0, 0).bytes.size(), 0);
    QVERIFY(store.cell(0, 1).null);
    QVERIFY(store.cell(0, 2).null);
    QVERIFY(store.cell(0, 3).null);
    QVERIFY(store.cell(1, 0).null);
    QCOMPARE(store.cell(1, 1).bytes.toByteArray(), Bytes(qint32(5)));
    QVERIFY(!store.cell(1, 2).null);
    QCOMPARE(store.cell(1, 2).bytes.size(), 0);
    QCOMPARE(store.cell(1, 3).bytes.toByteArray(), QByteArray(8, '\0'));
}

void tst_RowStore::batchesFromTwoThreads()
{
    const std::vector<Column> columns = EveryType();
    RowBatch first, second;
    auto fill = [&columns](RowBatch *batch, int from) {
        MessageBuilder message(columns);
        AppendRows(*batch, message, from, 5000);
        batch->finish();
    };
    std::thread a(fill, &first, 0);
    std::thread b(fill, &second, 5000);
    a.join();
    b.join();
    RowStore store(MessageBuilder(columns).columns());
    store.appendBatch(std::move(first));
    store.appendBatch(std::move(second));
    QCOMPARE(store.size(), 10000);
    QVERIFY(first.isEmpty());
    for (int row = 0; row < store.size(); row += 7)
        VerifyRow(store, row, row);
    VerifyRow(store, 9999, 9999);
}

void tst_RowStore::viewsStayValidWhileBatchesArrive()
{
    MessageBuilder message(EveryType());
    RowStore store(message.columns());
    RowBatch batch;
    AppendRows(batch, message, 0, 10);
    batch.finish();
    const Cell before = batch.cell(3, 1);
    store.appendBatch(std::move(batch));
    // the batch's bytes moved over without a copy: the view still points at them
    QCOMPARE(store.cell(3, 1).bytes.data(), before.bytes.data());
    for (int i = 1; i <= 20; ++i) {
        RowBatch more;
        AppendRows(more, message, i * 10, 10);
        store.appendBatch(std::move(more));
    }
    QCOMPARE(store.cell(3, 1).bytes.data(), before.bytes.data());
    QCOMPARE(before.bytes.toByteArray(), EveryTypeValues(3)[1]);
    VerifyRow(store, 209, 209);
}

void tst_RowStore::replaceInsertRemove()
{
    MessageBuilder message(EveryType());
    RowStore store(message.columns());
    RowBatch batch;
    AppendRows(batch, message, 0, 5);
    store.appendBatch(std::move(batch));

    const std::vector<QByteArray> replaced = EveryTypeValues(100);
    store.replaceRow(2, CellsOf(replaced));
    VerifyRow(store, 2, 100);
    VerifyRow(store, 1, 1);
    VerifyRow(store, 3, 3);

    const std::vector<QByteArray> first = EveryTypeValues(200), last = EveryTypeValues(300),
                                  middle = EveryTypeValues(400);
    store.insertRow(0, CellsOf(first));
    store.insertRow(store.size(), CellsOf(last));
    store.insertRow(3, CellsOf(middle));
    QCOMPARE(store.size(), 8);
    const int expected[] = {200, 0, 1, 400, 100, 3, 4, 300};
    for (int row = 0; row < 8; ++row)
        VerifyRow(store, row, expected[row]);

    store.removeRow(3);
    store.removeRow(0);
    store.removeRow(store.size() - 1);
    QCOMPARE(store.size(), 5);
    const int remaining[] = {0, 1, 100, 3, 4};
    for (int row = 0; row < 5; ++row)
        VerifyRow(store, row, remaining[row]);

    std::vector<Cell> nulls(EveryType().size());
    store.replaceRow(4, nulls);
    for (int c = 0; c < store.columnCount(); ++c)
        QVERIFY(store.cell(4, c).null);
    VerifyRow(store, 3, 3);
}

void tst_RowStore::replaceFromOwnCells()
{
    MessageBuilder message(EveryType());
    RowStore store(message.columns());
    RowBatch batch;
    AppendRows(batch, message, 0, 3);
    store.appendBatch(std::move(batch));
    // an edit keeps most values as views into the row it replaces
    std::vector<Cell> cells = store.rowCells(1);
    const QByteArray name = QByteArray("a new name, longer than before");
    cells[1] = {false, name};
    cells[13] = {};
    store.replaceRow(1, cells);
    QCOMPARE(store.cell(1, 1).bytes.toByteArray(), name);
    QVERIFY(store.cell(1, 13).null);
    const std::vector<QByteArray> original = EveryTypeValues(1);
    for (int c : {0, 2, 3, 8, 10, 11, 12})
        QCOMPARE(store.cell(1, c).bytes.toByteArray(), original[std::size_t(c)]);
    VerifyRow(store, 2, 2);
}

void tst_RowStore::wideAndLargeRows()
{
    const std::vector<Column> columns{MakeColumn(SQL_VARYING, 32765, CsNone), MakeColumn(SQL_LONG, 4),
                                      MakeColumn(SQL_VARYING, 32765, CsNone),
                                      MakeColumn(SQL_VARYING, 32765, CsNone)};
    MessageBuilder message(columns);
    RowBatch batch;
    for (int n = 0; n < 40; ++n) {
        const bool large = n % 4 == 0; // 3 x 30000 bytes: past 16-bit offsets
        message.set(0, QByteArray(large ? 30000 : 3, char('a' + n % 26)));
        message.set(1, Bytes(qint32(n)));
        message.set(2, QByteArray(large ? 30000 : 0, char('A' + n % 26)));
        message.set(3, QByteArray(large ? 30001 : 1, char('0' + n % 10)));
        batch.append(message.columns(), message.data());
    }
    RowStore store(columns);
    store.appendBatch(std::move(batch));
    for (int n = 0; n < 40; ++n) {
        const bool large = n % 4 == 0;
        QCOMPARE(store.cell(n, 0).bytes.toByteArray(), QByteArray(large ? 30000 : 3, char('a' + n % 26)));
        QCOMPARE(store.cell(n, 1).bytes.toByteArray(), Bytes(qint32(n)));
        QCOMPARE(store.cell(n, 2).bytes.toByteArray(), QByteArray(large ? 30000 : 0, char('A' + n % 26)));
        QCOMPARE(store.cell(n, 3).bytes.toByteArray(), QByteArray(large ? 30001 : 1, char('0' + n % 10)));
    }
    // an edit that makes a small row wide
    const QByteArray big(40000, 'z');
    store.replaceRow(1, {{false, big}, {false, Bytes(qint32(-1))}, {false, big}, {}});
    QCOMPARE(store.cell(1, 2).bytes.toByteArray(), big);
    QVERIFY(store.cell(1, 3).null);
    QCOMPARE(store.cell(2, 0).bytes.toByteArray(), QByteArray(3, 'c'));
}

void tst_RowStore::finishGivesSpareRoomBack()
{
    MessageBuilder message(EveryType());
    RowBatch batch;
    AppendRows(batch, message, 0, 10);
    const std::size_t before = batch.memoryBytes();
    batch.finish();
    QVERIFY(batch.memoryBytes() < before);
    QVERIFY(batch.memoryBytes() < 4096);
    RowStore store(message.columns());
    store.appendBatch(std::move(batch));
    for (int row = 0; row < 10; ++row)
        VerifyRow(store, row, row);
}

void tst_RowStore::clearAndReset()
{
    MessageBuilder message(EveryType());
    RowStore store(message.columns());
    RowBatch batch;
    AppendRows(batch, message, 0, 1000);
    store.appendBatch(std::move(batch));
    store.clear();
    QCOMPARE(store.size(), 0);
    QCOMPARE(store.memoryBytes(), std::size_t(0));
    QCOMPARE(store.columnCount(), 14);

    const std::vector<Column> two{MakeColumn(SQL_LONG, 4), MakeColumn(SQL_VARYING, 8, CsUtf8)};
    store.reset(two);
    QCOMPARE(store.columnCount(), 2);
    store.insertRow(0, {{false, Bytes(qint32(9))}, {false, QByteArrayView("ok")}});
    QCOMPARE(CellBytes(store, 0), (QByteArrayList{Bytes(qint32(9)), "ok"}));
}

void tst_RowStore::benchmarkRowsStayInBudget()
{
    // ID INTEGER, NAME VARCHAR(40), AMOUNT DECIMAL(18,2), CREATED TIMESTAMP,
    // NOTE VARCHAR(100), FLAG SMALLINT, all text in UTF8
    MessageBuilder message({MakeColumn(SQL_LONG, 4), MakeColumn(SQL_VARYING, 160, CsUtf8),
                            MakeColumn(SQL_INT64, 8, 0, -2), MakeColumn(SQL_TIMESTAMP, 8),
                            MakeColumn(SQL_VARYING, 400, CsUtf8), MakeColumn(SQL_SHORT, 2)});
    RowStore store(message.columns());
    const int rows = 100000;
    for (int first = 0; first < rows; first += 1000) {
        RowBatch batch;
        for (int n = first; n < first + 1000; ++n) {
            message.set(0, Bytes(qint32(n)));
            message.set(1, QStringLiteral("Customer number %1").arg(n).toUtf8());
            message.set(2, Bytes(qint64(n) * 1999));
            message.set(3, Bytes(ISC_TIMESTAMP{59000 + n % 3000, quint32(n) * 997 % 864000000}));
            message.set(4, QStringLiteral("Note on order %1, shipped").arg(n).toUtf8());
            message.set(5, Bytes(qint16(n % 2)));
            batch.append(message.columns(), message.data());
        }
        batch.finish();
        store.appendBatch(std::move(batch));
    }
    QCOMPARE(store.size(), rows);
    const double perRow = double(store.memoryBytes()) / rows;
    qInfo("%.1f bytes per row", perRow);
    QVERIFY2(perRow <= 120, qPrintable(QString::number(perRow)));
    QCOMPARE(CellText(message.columns()[1], store.cell(54321, 1).bytes),
             QStringLiteral("Customer number 54321"));
    QCOMPARE(CellText(message.columns()[2], store.cell(54321, 2).bytes),
             QStringLiteral("1085876.79"));
}

void tst_RowStore::rowsStraightFromTheEngine()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER, NAME VARCHAR(20), AMOUNT DECIMAL(18,2), "
                   "CREATED TIMESTAMP, C CHAR(3), N VARCHAR(5) CHARACTER SET NONE, B BOOLEAN)",
                   "INSERT INTO T VALUES (1, 'Zo' || _UTF8 x'C3AB', 12.5, '2024-02-29 10:11:12', "
                   "'ab', 'x', TRUE)",
                   "INSERT INTO T VALUES (2, '', NULL, NULL, NULL, '', FALSE)",
                   "INSERT INTO T VALUES (NULL, NULL, -0.01, '0001-01-01', 'abc', NULL, NULL)"});
    Attachment attachment = database.attach();
    Transaction tx = attachment.begin(TxMode::Browse);
    Statement select(tx, "SELECT T.*, RDB$DB_KEY FROM T ORDER BY ID NULLS LAST");
    const std::vector<Column> &columns = select.columns();
    RowBatch batch;
    QList<QStringList> expected;
    Cursor cursor = select.openCursor(tx);
    while (const unsigned char *row = cursor.fetch()) {
        batch.append(columns, row);
        QStringList texts;
        for (const Column &c : columns)
            texts << (isNull(c, row) ? "<null>" : CellText(c, valueBytes(c, row)));
        expected << texts;
    }
    RowStore store(columns);
    store.appendBatch(std::move(batch));
    QCOMPARE(store.size(), 3);
    for (int row = 0; row < 3; ++row) {
        QStringList texts;
        for (int c = 0; c < store.columnCount(); ++c) {
            const Cell cell = store.cell(row, c);
            texts << (cell.null ? "<null>" : CellText(columns[std::size_t(c)], cell.bytes));
        }
        QCOMPARE(texts, expected[row]);
    }
    QCOMPARE(expected[0].mid(0, 7),
             (QStringList{"1", "Zoë", "12.50", "2024-02-29 10:11:12", "ab ", "x", "true"}));
    QCOMPARE(expected[1].mid(1, 6), (QStringList{"", "<null>", "<null>", "<null>", "", "false"}));
}

QTEST_GUILESS_MAIN(tst_RowStore)
#include "tst_rowstore.moc"
