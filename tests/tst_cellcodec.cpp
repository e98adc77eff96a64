#include "db/sql/cellcodec.h"
#include "db/client/connection.h"

#include <QTest>

#include <ibase.h>

#include <cstring>
#include <limits>

using namespace db;

namespace {

// Columns as the Statement describes them after coercion, by a short name.
Column Col(const QString &kind)
{
    struct Kind
    {
        const char *name;
        SqlType type;
        unsigned charLength;
    };
    static const Kind Kinds[] = {
        {"smallint", {SQL_SHORT, 0, 0, 2, 0}, 0},
        {"integer", {SQL_LONG, 0, 0, 4, 0}, 0},
        {"bigint", {SQL_INT64, 0, 0, 8, 0}, 0},
        {"numeric18_2", {SQL_INT64, 1, -2, 8, 0}, 0},
        {"numeric18_4", {SQL_INT64, 1, -4, 8, 0}, 0},
        {"numeric4_2", {SQL_SHORT, 1, -2, 2, 0}, 0},
        {"decimal9_3", {SQL_LONG, 2, -3, 4, 0}, 0},
        {"float", {SQL_FLOAT, 0, 0, 4, 0}, 0},
        {"double", {SQL_DOUBLE, 0, 0, 8, 0}, 0},
        {"date", {SQL_TYPE_DATE, 0, 0, 4, 0}, 0},
        {"time", {SQL_TYPE_TIME, 0, 0, 4, 0}, 0},
        {"timestamp", {SQL_TIMESTAMP, 0, 0, 8, 0}, 0},
        {"boolean", {SQL_BOOLEAN, 0, 0, 1, 0}, 0},
        {"varchar3", {SQL_VARYING, 0, 0, 12, CsUtf8}, 3},
        {"varchar40", {SQL_VARYING, 0, 0, 160, CsUtf8}, 40},
        {"none3", {SQL_VARYING, 0, 0, 3, CsNone}, 3},
        {"none40", {SQL_VARYING, 0, 0, 40, CsNone}, 40},
        {"octets8", {SQL_TEXT, 0, 0, 8, CsOctets}, 8},
        {"blobtext", {SQL_BLOB, 1, 0, 8, CsUtf8}, 0},
        {"blob", {SQL_BLOB, 0, 0, 8, 0}, 0},
        {"array", {SQL_ARRAY, 0, 0, 8, 0}, 0},
    };
    for (const Kind &k : Kinds) {
        if (kind == QLatin1String(k.name)) {
            Column c;
            c.name = kind;
            c.sqlType = k.type;
            c.charLength = k.charLength;
            return c;
        }
    }
    qFatal("unknown column kind %s", qPrintable(kind));
}

template <typename T>
QByteArray Bytes(T value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

} // namespace

// Cell values to text and back, exact for every type.
class tst_CellCodec : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void nativeBytes_data();
    void nativeBytes();
    void parseVariants_data();
    void parseVariants();
    void parseErrors_data();
    void parseErrors();
    void noneText_data();
    void noneText();
    void textKeepsByteOrderMark();
    void blobText();
    void editableTypes_data();
    void editableTypes();
    void cellParams();
    void storedCellsBecomeGuards();
    void handBuiltMessage();
};

void tst_CellCodec::roundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    const QList<std::pair<const char *, QString>> cases = {
        {"smallint", "0"}, {"smallint", "-32768"}, {"smallint", "32767"},
        {"integer", "-2147483648"}, {"integer", "2147483647"},
        {"bigint", "-9223372036854775808"}, {"bigint", "9223372036854775807"},
        {"numeric18_4", "98765432109876.5432"}, {"numeric18_4", "-0.0001"},
        {"numeric18_4", "-1.5000"}, {"numeric18_4", "-922337203685477.5808"},
        {"numeric18_4", "922337203685477.5807"}, {"numeric18_4", "0.0000"},
        {"numeric18_2", "-0.05"}, {"numeric18_2", "0.00"}, {"numeric18_2", "-12.30"},
        {"numeric4_2", "-327.68"}, {"numeric4_2", "327.67"}, {"decimal9_3", "-2147483.648"},
        {"float", "0.1"}, {"float", "-3.4028235e+38"}, {"float", "1e-45"}, {"float", "-0"},
        {"float", "16777216"}, {"double", "0.1"}, {"double", "1e+308"},
        {"double", "0.30000000000000004"}, {"double", "5e-324"}, {"double", "-123.456"},
        {"double", "inf"}, {"double", "-inf"}, {"double", "nan"}, {"float", "-inf"},
        {"date", "2024-02-29"}, {"date", "0001-01-01"}, {"date", "9999-12-31"},
        {"time", "23:59:59.9999"}, {"time", "12:00:00.0500"},
        {"timestamp", "2024-02-29 23:59:59.9999"}, {"timestamp", "0001-01-01 00:00:00"},
        {"boolean", "true"}, {"boolean", "false"},
        {"varchar3", "Zoë"}, {"varchar3", ""}, {"varchar3", "茶🍵x"},
        {"varchar40", " lead and trail "}, {"none40", "Zoë"}, {"octets8", "00FF10AB7F800102"},
        {"blobtext", "a long text, Zoë"},
    };
    for (const auto &[kind, text] : cases)
        QTest::addRow("%s %s", kind, qPrintable(text)) << QString::fromLatin1(kind) << text;
}

void tst_CellCodec::roundTrip()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    const Column column = Col(kind);
    const ParsedCell parsed = ParseCellText(column, text);
    QVERIFY2(parsed.ok, qPrintable(parsed.error));
    QVERIFY(!parsed.null);
    if (column.sqlType.type != SQL_VARYING && column.sqlType.type != SQL_BLOB)
        QCOMPARE(unsigned(parsed.bytes.size()), column.sqlType.length);
    if (column.sqlType.type != SQL_BLOB)
        QCOMPARE(CellText(column, parsed.bytes), text);
    else
        QCOMPARE(DecodeText(column.sqlType.charSet, parsed.bytes), text);
}

void tst_CellCodec::nativeBytes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("bigint min") << "bigint" << "-9223372036854775808"
                                << Bytes(std::numeric_limits<qint64>::min());
    QTest::newRow("scaled") << "numeric18_2" << "-0.05" << Bytes(qint64(-5));
    QTest::newRow("short scaled") << "numeric4_2" << "1.5" << Bytes(qint16(150));
    QTest::newRow("decimal") << "decimal9_3" << "-2.001" << Bytes(qint32(-2001));
    QTest::newRow("float") << "float" << "0.1" << Bytes(0.1f);
    QTest::newRow("double") << "double" << "0.1" << Bytes(0.1);
    QTest::newRow("date zero") << "date" << "1858-11-17" << Bytes(ISC_DATE(0));
    QTest::newRow("unix epoch") << "date" << "1970-01-01" << Bytes(ISC_DATE(40587));
    QTest::newRow("before zero") << "date" << "1858-11-16" << Bytes(ISC_DATE(-1));
    QTest::newRow("last tick") << "time" << "23:59:59.9999" << Bytes(ISC_TIME(863999999));
    QTest::newRow("timestamp") << "timestamp" << "1858-11-18 00:00:01"
                               << Bytes(ISC_TIMESTAMP{1, 10000});
    QTest::newRow("true") << "boolean" << "true" << QByteArray(1, 1);
    QTest::newRow("text") << "varchar3" << "Zoë" << QByteArray("Zo\xC3\xAB");
    QTest::newRow("octets") << "octets8" << "00ff" << QByteArray("\x00\xFF", 2);
}

void tst_CellCodec::nativeBytes()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const ParsedCell parsed = ParseCellText(Col(kind), text);
    QVERIFY2(parsed.ok, qPrintable(parsed.error));
    QCOMPARE(parsed.bytes.toHex(), bytes.toHex());
}

void tst_CellCodec::parseVariants_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("canonical");
    QTest::newRow("padded fraction") << "numeric18_2" << "12.5" << "12.50";
    QTest::newRow("no fraction") << "numeric18_2" << "12" << "12.00";
    QTest::newRow("bare point") << "numeric18_2" << "5." << "5.00";
    QTest::newRow("leading point") << "numeric18_2" << "-.5" << "-0.50";
    QTest::newRow("plus sign") << "numeric18_4" << "+1.2" << "1.2000";
    QTest::newRow("blanks around") << "integer" << " 42 " << "42";
    QTest::newRow("leading zeros") << "bigint" << "-000000000000000000000009223372036854775808"
                                   << "-9223372036854775808";
    QTest::newRow("negative zero") << "numeric18_2" << "-0" << "0.00";
    QTest::newRow("float exponent") << "float" << "1e3" << "1000";
    QTest::newRow("double plus") << "double" << "+2.50" << "2.5";
    QTest::newRow("TRUE") << "boolean" << "TRUE" << "true";
    QTest::newRow("Yes") << "boolean" << "Yes" << "true";
    QTest::newRow("1") << "boolean" << "1" << "true";
    QTest::newRow("0") << "boolean" << "0" << "false";
    QTest::newRow("no") << "boolean" << "nO" << "false";
    QTest::newRow("trailing blanks fit") << "varchar3" << "abc   " << "abc   ";
}

void tst_CellCodec::parseVariants()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, canonical);
    const Column column = Col(kind);
    const ParsedCell parsed = ParseCellText(column, text);
    QVERIFY2(parsed.ok, qPrintable(parsed.error));
    QCOMPARE(CellText(column, parsed.bytes), canonical);
}

void tst_CellCodec::parseErrors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    const QString nan = "Not a number";
    QTest::newRow("too many places") << "numeric18_2" << "1.234" << "At most 2 decimal places";
    QTest::newRow("one place") << "decimal9_3" << "1.2345" << "At most 3 decimal places";
    QTest::newRow("whole numbers") << "integer" << "1.5" << "Whole numbers only";
    QTest::newRow("smallint overflow") << "smallint" << "32768" << "Out of range (-32768 to 32767)";
    QTest::newRow("scaled overflow") << "numeric4_2" << "-327.69" << "Out of range (-327.68 to 327.67)";
    QTest::newRow("bigint overflow") << "bigint" << "9223372036854775808"
        << "Out of range (-9223372036854775808 to 9223372036854775807)";
    QTest::newRow("bigint underflow") << "bigint" << "-9223372036854775809"
        << "Out of range (-9223372036854775808 to 9223372036854775807)";
    QTest::newRow("huge") << "numeric18_4" << "99999999999999999999999"
        << "Out of range (-922337203685477.5808 to 922337203685477.5807)";
    QTest::newRow("scale pushes over") << "numeric18_4" << "922337203685478" 
        << "Out of range (-922337203685477.5808 to 922337203685477.5807)";
    QTest::newRow("comma") << "numeric18_2" << "1,5" << nan;
    QTest::newRow("thousands") << "integer" << "1 000" << nan;
    QTest::newRow("empty") << "integer" << "" << nan;
    QTest::newRow("point only") << "numeric18_2" << "." << nan;
    QTest::newRow("two signs") << "integer" << "--1" << nan;
    QTest::newRow("exponent") << "integer" << "1e3" << nan;
    QTest::newRow("two points") << "numeric18_2" << "1.2.3" << nan;
    QTest::newRow("float text") << "float" << "abc" << nan;
    QTest::newRow("float junk") << "double" << "1.5x" << nan;
    QTest::newRow("float overflow") << "float" << "1e39" << "Out of range";
    QTest::newRow("double overflow") << "double" << "1e309" << "Out of range";
    QTest::newRow("bad date") << "date" << "2023-02-29" << "Not a valid date (yyyy-MM-dd)";
    QTest::newRow("bad time") << "time" << "24:00" << "Not a valid time (HH:mm:ss)";
    QTest::newRow("bad timestamp") << "timestamp" << "2024-01-01 25:00"
        << "Not a valid timestamp (yyyy-MM-dd HH:mm:ss)";
    QTest::newRow("maybe") << "boolean" << "maybe" << "Not a boolean (true or false)";
    QTest::newRow("4 characters") << "varchar3" << "abcd" << "At most 3 characters";
    QTest::newRow("NONE counts bytes") << "none3" << "Zoë" << "At most 3 characters";
    QTest::newRow("hex letter") << "octets8" << "0G" << "Not hexadecimal bytes";
    QTest::newRow("odd hex") << "octets8" << "ABC" << "Not hexadecimal bytes";
    QTest::newRow("blob id") << "blob" << "x" << "This column cannot be edited as text";
}

void tst_CellCodec::parseErrors()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, error);
    const ParsedCell parsed = ParseCellText(Col(kind), text);
    QVERIFY(!parsed.ok);
    QCOMPARE(parsed.error, error);
}

void tst_CellCodec::noneText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("valid UTF-8") << QByteArray("Zo\xC3\xAB") << QStringLiteral("Zoë");
    QTest::newRow("Latin-1") << QByteArray("\xE9t\xE9") << QStringLiteral("été");
    QTest::newRow("cut sequence") << QByteArray("ab\xC3") << QStringLiteral("ab\u00C3");
    QTest::newRow("empty") << QByteArray() << QString();
}

void tst_CellCodec::noneText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(CellText(Col("none40"), bytes), text);
    // nothing is lost: the Latin-1 reading keeps one character per byte
    if (text.toUtf8() != bytes)
        QCOMPARE(text.toLatin1(), bytes);
}

void tst_CellCodec::textKeepsByteOrderMark()
{
    const QString text = CellText(Col("varchar40"), QByteArray("\xEF\xBB\xBF" "a"));
    QCOMPARE(text, QStringLiteral("\uFEFFa"));
    QCOMPARE(ParseCellText(Col("varchar40"), text).bytes, QByteArray("\xEF\xBB\xBF" "a"));
}

void tst_CellCodec::blobText()
{
    QCOMPARE(BlobSizeText(1234), QStringLiteral("(BLOB, 1234 bytes)"));
    QCOMPARE(BlobSizeText(0), QStringLiteral("(BLOB, 0 bytes)"));
    QCOMPARE(CellText(Col("blob"), QByteArray(8, '\1')), QStringLiteral("(BLOB)"));
    QCOMPARE(DecodeText(CsOctets, QByteArray("\x01\xab", 2)), QStringLiteral("01AB"));
}

void tst_CellCodec::editableTypes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("editable");
    for (const char *kind : {"smallint", "integer", "bigint", "numeric18_4", "float", "double",
                             "date", "time", "timestamp", "boolean", "varchar3", "none3",
                             "blobtext"})
        QTest::newRow(kind) << kind << true;
    for (const char *kind : {"octets8", "blob", "array"})
        QTest::newRow(kind) << kind << false;
}

void tst_CellCodec::editableTypes()
{
    QFETCH(QString, kind);
    QFETCH(bool, editable);
    QCOMPARE(IsEditableType(Col(kind)), editable);
}

void tst_CellCodec::cellParams()
{
    const Column numeric = Col("numeric18_2");
    const Param amount = CellParam(numeric, ParseCellText(numeric, "-0.05"));
    QCOMPARE(amount.type.type, unsigned(SQL_INT64));
    QCOMPARE(amount.type.scale, -2);
    QCOMPARE(amount.data, Bytes(qint64(-5)));
    QVERIFY(!amount.null);

    const Param text = CellParam(Col("varchar3"), ParseCellText(Col("varchar3"), "Zoë"));
    QCOMPARE(text.type.charSet, unsigned(CsUtf8));
    QCOMPARE(text.data, QByteArray("Zo\xC3\xAB"));

    const Param none = CellParam(Col("none40"), ParseCellText(Col("none40"), "Zoë"));
    QCOMPARE(none.type.charSet, unsigned(CsNone));
    QCOMPARE(none.data, QByteArray("Zo\xC3\xAB"));

    ParsedCell null;
    null.ok = true;
    null.null = true;
    const Param nullDate = CellParam(Col("date"), null);
    QVERIFY(nullDate.null);
    QCOMPARE(nullDate.type.type, unsigned(SQL_TYPE_DATE));
}

void tst_CellCodec::storedCellsBecomeGuards()
{
    const QByteArray key("\x00\x81\x00\x00\x01\x00\x00\x00", 8);
    const Param dbKey = CellParam(Col("octets8"), StoredCell(Col("octets8"), {false, key}));
    QCOMPARE(dbKey.type.charSet, unsigned(CsOctets));
    QCOMPARE(dbKey.data, key);
    const ParsedCell null = StoredCell(Col("integer"), {});
    QVERIFY(null.ok);
    QVERIFY(null.null);
    QVERIFY(CellParam(Col("integer"), null).null);
    QVERIFY(!StoredCell(Col("blobtext"), {false, QByteArray(8, 0)}).ok);
}

void tst_CellCodec::handBuiltMessage()
{
    // INTEGER at 0 (null flag at 4), VARCHAR(3) UTF8 at 6 (null flag at 20),
    // NUMERIC(18,2) at 24 (null flag at 32)
    Column id = Col("integer");
    id.offset = 0;
    id.nullOffset = 4;
    Column name = Col("varchar3");
    name.offset = 6;
    name.nullOffset = 20;
    Column amount = Col("numeric18_2");
    amount.offset = 24;
    amount.nullOffset = 32;
    unsigned char message[40] = {};
    const qint32 idValue = -7;
    std::memcpy(message + 0, &idValue, 4);
    const quint16 length = 4;
    std::memcpy(message + 6, &length, 2);
    std::memcpy(message + 8, "Zo\xC3\xAB", 4);
    const qint16 nullFlag = -1;
    std::memcpy(message + 32, &nullFlag, 2);
    QVERIFY(!isNull(id, message));
    QCOMPARE(CellText(id, valueBytes(id, message)), QStringLiteral("-7"));
    QCOMPARE(CellText(name, valueBytes(name, message)), QStringLiteral("Zoë"));
    QVERIFY(isNull(amount, message));
}

QTEST_GUILESS_MAIN(tst_CellCodec)
#include "tst_cellcodec.moc"
