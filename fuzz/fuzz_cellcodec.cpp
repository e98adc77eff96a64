// The cell codec, for every type the grid edits: the text of a stored value
// parses back to the same value, and a typed text that parses once formats
// into a text that parses to the same value again.

#include "db/sql/cellcodec.h"
#include "db/sql/datetext.h"
#include "fuzz/fuzzinput.h"

#include <ibase.h>

#include <cmath>
#include <cstring>

namespace {

struct Kind
{
    unsigned type;
    int scale;
    unsigned length;
    unsigned charSet;
};

// One of each way a value is stored; NUMERIC and DECIMAL are integers with
// a scale, text arrives as VARCHAR.
const Kind Kinds[] = {
    {SQL_SHORT, 0, 2, 0},      {SQL_LONG, 0, 4, 0},          {SQL_INT64, 0, 8, 0},
    {SQL_SHORT, -2, 2, 0},     {SQL_LONG, -3, 4, 0},         {SQL_INT64, -4, 8, 0},
    {SQL_INT64, -18, 8, 0},    {SQL_FLOAT, 0, 4, 0},         {SQL_DOUBLE, 0, 8, 0},
    {SQL_TYPE_DATE, 0, 4, 0},  {SQL_TYPE_TIME, 0, 4, 0},     {SQL_TIMESTAMP, 0, 8, 0},
    {SQL_BOOLEAN, 0, 1, 0},    {SQL_VARYING, 0, 400, db::CsUtf8},
    {SQL_VARYING, 0, 100, db::CsNone}, {SQL_VARYING, 0, 100, db::CsOctets},
};

db::Column ColumnOf(const Kind &kind)
{
    db::Column column;
    column.sqlType = {kind.type, kind.scale < 0 ? 1 : 0, kind.scale, kind.length, kind.charSet};
    column.sourceCharSet = kind.charSet;
    return column;
}

qint32 Day(const char *text)
{
    qint32 day = 0;
    db::ParseDate(QString::fromLatin1(text), day);
    return day;
}

// What the engine can hand over: dates in 0001..9999, times within a day,
// booleans 0 or 1, text in its charset's encoding.
QByteArray StoredValue(const Kind &kind, QByteArray bytes)
{
    static const qint32 first = Day("0001-01-01"), last = Day("9999-12-31");
    auto fold = [&](qint64 low, qint64 high, int at, int width) {
        qint64 value = 0;
        std::memcpy(&value, bytes.constData() + at, width);
        value = low + (value % (high - low + 1) + (high - low + 1)) % (high - low + 1);
        std::memcpy(bytes.data() + at, &value, width);
    };
    switch (kind.type) {
    case SQL_TYPE_DATE: fold(first, last, 0, 4); break;
    case SQL_TYPE_TIME: fold(0, 864000000 - 1, 0, 4); break;
    case SQL_TIMESTAMP: fold(first, last, 0, 4); fold(0, 864000000 - 1, 4, 4); break;
    case SQL_BOOLEAN: bytes[0] = char(bytes[0] & 1); break;
    case SQL_VARYING:
        if (kind.charSet != db::CsOctets && QString::fromUtf8(bytes).toUtf8() != bytes)
            return {};
        break;
    }
    return bytes;
}

bool SameValue(const Kind &kind, const QByteArray &a, const QByteArray &b)
{
    if (kind.type == SQL_FLOAT && a.size() == 4 && b.size() == 4) {
        float x, y;
        std::memcpy(&x, a.constData(), 4);
        std::memcpy(&y, b.constData(), 4);
        if (std::isnan(x) && std::isnan(y))
            return true;
    }
    if (kind.type == SQL_DOUBLE && a.size() == 8 && b.size() == 8) {
        double x, y;
        std::memcpy(&x, a.constData(), 8);
        std::memcpy(&y, b.constData(), 8);
        if (std::isnan(x) && std::isnan(y))
            return true;
    }
    return a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const Kind &kind = Kinds[data[0] % std::size(Kinds)];
    const db::Column column = ColumnOf(kind);
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const bool text = kind.type == SQL_VARYING;
    if (text || rest.size() >= qsizetype(kind.length)) {
        const QByteArray stored = StoredValue(kind, text ? rest : rest.left(kind.length));
        if (!stored.isNull()) {
            const QString shown = db::CellText(column, stored);
            const db::ParsedCell back = db::ParseCellText(column, shown);
            fuzz::Check(back.ok, "the text of a value parses", shown + " " + back.error);
            fuzz::Check(SameValue(kind, back.bytes, stored), "the same value", shown);
        }
    }

    const QString typed = QString::fromUtf8(rest);
    const db::ParsedCell once = db::ParseCellText(column, typed);
    if (once.ok) {
        const QString shown = db::CellText(column, once.bytes);
        const db::ParsedCell twice = db::ParseCellText(column, shown);
        fuzz::Check(twice.ok && SameValue(kind, twice.bytes, once.bytes),
                    "a typed value formats to a text of the same value", typed + " -> " + shown);
    }
    return 0;
}
