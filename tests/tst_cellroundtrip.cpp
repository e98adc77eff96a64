#include "db/sql/cellcodec.h"
#include "db/client/connection.h"
#include "tests/support/tempdatabase.h"

#include <QTest>

using namespace db;
using testsupport::TempDatabase;

// Typed-in values written through parameters and read back, unchanged.
class tst_CellRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void everyType_data();
    void everyType();
    void textBlob();
    void specialFloats();
    void trailingBlanksFit();
};

void tst_CellRoundTrip::everyType_data()
{
    QTest::addColumn<QStringList>("values");
    // S, I, B, N18, N4, N9, F, D, DT, TM, TS, BO, V, VN, VL
    QTest::newRow("maxima") << QStringList{
        "32767", "2147483647", "9223372036854775807", "922337203685477.5807", "327.67",
        "2147483.647", "3.4028235e+38", "1e+308", "9999-12-31", "23:59:59.9999",
        "9999-12-31 23:59:59.9999", "true", "Zoë 茶🍵", "abc", "ÆØ€"};
    QTest::newRow("minima") << QStringList{
        "-32768", "-2147483648", "-9223372036854775808", "-922337203685477.5808", "-327.68",
        "-2147483.648", "-1e-45", "5e-324", "0001-01-01", "00:00:00",
        "0001-01-01 00:00:00", "false", "", "", ""};
    QTest::newRow("everyday") << QStringList{
        "7", "-1", "0", "-0.0500", "0.00", "98765.432", "0.1", "0.1", "2024-02-29",
        "12:34:56.0789", "2024-02-29 08:00:00", "true", " blanks ", "Zoë", "café"};
}

void tst_CellRoundTrip::everyType()
{
    QFETCH(QStringList, values);
    TempDatabase database;
    database.exec("CREATE TABLE T (S SMALLINT, I INTEGER, B BIGINT, N18 NUMERIC(18,4), "
                  "N4 NUMERIC(4,2), N9 DECIMAL(9,3), F FLOAT, D DOUBLE PRECISION, DT DATE, "
                  "TM TIME, TS TIMESTAMP, BO BOOLEAN, V VARCHAR(10), "
                  "VN VARCHAR(10) CHARACTER SET NONE, VL VARCHAR(10) CHARACTER SET WIN1252)");
    Attachment attachment = database.attach();
    Transaction tx = attachment.begin(TxMode::Write);
    Statement select(tx, "SELECT * FROM T");
    const std::vector<Column> &columns = select.columns();
    QCOMPARE(int(columns.size()), values.size());
    std::vector<Param> params;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const ParsedCell parsed = ParseCellText(columns[i], values[i]);
        QVERIFY2(parsed.ok, qPrintable(columns[i].name + ": " + parsed.error));
        params.push_back(CellParam(columns[i], parsed));
    }
    QStringList marks;
    marks.fill("?", values.size());
    QCOMPARE(Statement(tx, "INSERT INTO T VALUES (" + marks.join(", ") + ")").execute(tx, params),
             1u);
    // and the guard finds the row again by every value it holds
    QCOMPARE(Statement(tx, "UPDATE T SET S = S WHERE S IS NOT DISTINCT FROM ? AND "
                           "N18 IS NOT DISTINCT FROM ? AND D IS NOT DISTINCT FROM ? AND "
                           "TS IS NOT DISTINCT FROM ? AND VL IS NOT DISTINCT FROM ?")
                 .execute(tx, {params[0], params[3], params[7], params[10], params[14]}),
             1u);
    tx.commit();
    Transaction reader = attachment.begin(TxMode::Browse);
    Cursor cursor = select.openCursor(reader);
    const unsigned char *message = cursor.fetch();
    QVERIFY(message);
    QStringList read;
    for (const Column &column : columns)
        read << CellText(column, valueBytes(column, message));
    QCOMPARE(read, values);
}

void tst_CellRoundTrip::textBlob()
{
    TempDatabase database;
    database.exec("CREATE TABLE T (ID INTEGER, TB BLOB SUB_TYPE TEXT)");
    Attachment attachment = database.attach();
    Transaction tx = attachment.begin(TxMode::Write);
    Statement select(tx, "SELECT TB FROM T");
    const Column blob = select.columns().at(0);
    QVERIFY(IsEditableType(blob));
    const QString text = QStringLiteral("Zoë, a text blob 茶");
    Statement insert(tx, "INSERT INTO T VALUES (1, ?)");
    QCOMPARE(insert.execute(tx, {CellParam(blob, ParseCellText(blob, text))}), 1u);
    Cursor cursor = select.openCursor(tx);
    const unsigned char *message = cursor.fetch();
    QVERIFY(message);
    const QByteArray content = readBlob(tx, valueBytes(blob, message), blob.sqlType.charSet);
    // readBlob gives text blobs in UTF-8, NONE as stored.
    QCOMPARE(DecodeText(blob.sqlType.charSet == CsNone ? CsNone : CsUtf8, content), text);
}

void tst_CellRoundTrip::specialFloats()
{
    TempDatabase database;
    database.exec("CREATE TABLE T (ID INTEGER, F FLOAT, D DOUBLE PRECISION)");
    Attachment attachment = database.attach();
    Transaction tx = attachment.begin(TxMode::Write);
    Statement select(tx, "SELECT F, D FROM T ORDER BY ID");
    const Column f = select.columns().at(0);
    const Column d = select.columns().at(1);
    const QStringList values{"inf", "-inf", "nan"};
    Statement insert(tx, "INSERT INTO T VALUES (?, ?, ?)");
    for (qsizetype i = 0; i < values.size(); ++i)
        insert.execute(tx, {Param::int32(qint32(i)), CellParam(f, ParseCellText(f, values[i])),
                            CellParam(d, ParseCellText(d, values[i]))});
    Cursor cursor = select.openCursor(tx);
    for (const QString &value : values) {
        const unsigned char *message = cursor.fetch();
        QVERIFY(message);
        QCOMPARE(CellText(f, valueBytes(f, message)), value);
        QCOMPARE(CellText(d, valueBytes(d, message)), value);
    }
}

// Blanks past the declared length are dropped by the engine, not refused,
// so the length check does not count them either.
void tst_CellRoundTrip::trailingBlanksFit()
{
    TempDatabase database;
    database.exec("CREATE TABLE T (V VARCHAR(3))");
    Attachment attachment = database.attach();
    Transaction tx = attachment.begin(TxMode::Write);
    Statement select(tx, "SELECT V FROM T");
    const Column v = select.columns().at(0);
    const ParsedCell blanks = ParseCellText(v, "abc   ");
    QVERIFY(blanks.ok);
    Statement insert(tx, "INSERT INTO T VALUES (?)");
    QCOMPARE(insert.execute(tx, {CellParam(v, blanks)}), 1u);
    const ParsedCell tooLong = ParseCellText(v, "abcd");
    QVERIFY(!tooLong.ok);
    QVERIFY_THROWS_EXCEPTION(std::exception, insert.execute(tx, {Param::text("abcd")}));
}

QTEST_GUILESS_MAIN(tst_CellRoundTrip)
#include "tst_cellroundtrip.moc"
