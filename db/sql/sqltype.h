#pragma once

#include <QByteArray>
#include <QString>

namespace db {

// Firebird character set ids as the client API reports them.
enum CharSetId : unsigned {
    CsNone = 0,
    CsOctets = 1,
    CsUtf8 = 4,
    CsIso8859_1 = 21,
    CsWin1252 = 53,
};

// The type of one message field, as in IMessageMetadata (SQL_* without the
// nullable bit). For NUMERIC/DECIMAL: an integer type with scale < 0.
struct SqlType
{
    unsigned type = 0;     // SQL_TEXT, SQL_VARYING, SQL_SHORT, SQL_LONG, SQL_INT64,
                           // SQL_FLOAT, SQL_DOUBLE, SQL_TIMESTAMP, SQL_TYPE_DATE,
                           // SQL_TYPE_TIME, SQL_BOOLEAN, SQL_BLOB
    int subType = 0;       // blob: 1 = text; integers: 1 = NUMERIC, 2 = DECIMAL
    int scale = 0;         // 0 or negative
    unsigned length = 0;   // bytes in the message (for text: the maximum)
    unsigned charSet = 0;  // text and text blobs: CharSetId
};

// A type of Firebird 4 and newer, which the server sends and takes as text
// formatted as its isql prints it (the column is VARCHAR in the message):
// what it really is comes from the catalogue. None for every other column.
enum class TextBound : unsigned char {
    None,
    Int128,
    Numeric,       // NUMERIC or DECIMAL of more than 18 digits
    DecFloat,      // DECFLOAT(16) and DECFLOAT(34)
    TimeTz,        // TIME WITH TIME ZONE
    TimestampTz,   // TIMESTAMP WITH TIME ZONE
};

// One column of a result, with where its value sits in the output message.
struct Column
{
    QString name;          // alias: what the grid heads the column with
    QString relation;      // table the value comes from (empty for expressions)
    QString field;         // field name in that table
    SqlType sqlType;
    unsigned sourceCharSet = 0; // the column's own charset before coercion
    unsigned charLength = 0;    // declared length in characters (text)
    bool nullable = true;
    TextBound bound = TextBound::None;
    unsigned offset = 0;        // in the output message
    unsigned nullOffset = 0;
};

// One input parameter value. Text is given as UTF-8 and sent as VARCHAR
// with charset UTF8, so the engine transliterates it into the column's own
// charset (and refuses what that charset cannot hold).
struct Param
{
    SqlType type;
    QByteArray data;       // native bytes for fixed types; characters for text
    bool null = false;

    static Param text(const QString &value);
    static Param bytes(const QByteArray &value, unsigned charSet); // NONE/OCTETS as-is
    static Param int32(qint32 value);
    static Param nullOf(const SqlType &type);
    // A value in the exact native form of type (what a cell holds).
    static Param native(const SqlType &type, const QByteArray &data);
};

// A number held as text: INT128, NUMERIC/DECIMAL over 18 digits, DECFLOAT.
inline bool IsNumberText(const Column &column)
{
    return column.bound == TextBound::Int128 || column.bound == TextBound::Numeric
           || column.bound == TextBound::DecFloat;
}

// Character data as the user sees it: text columns, not values of other
// types that merely arrive as text.
bool IsCharacterColumn(const Column &column);

} // namespace db
