#pragma once

#include "db/sql/sqltype.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Exact text for every cell value and back. A value's bytes are its native
// form in an output message (what valueBytes() gives): integers, floats,
// dates and times as the client API stores them, text without its length
// prefix, blobs as their 8-byte id.
namespace db {

// One stored value; bytes is a view into whoever holds the row.
struct Cell
{
    bool null = true;
    QByteArrayView bytes;
};

// The text of a non-null value. Blobs show as "(BLOB)": their contents are
// read separately (DecodeText, BlobSizeText).
QString CellText(const Column &column, QByteArrayView bytes);

// Text of character data in charset charSet: UTF-8; NONE as UTF-8 when
// valid, else Latin-1 so no byte is lost; OCTETS as uppercase hex.
QString DecodeText(unsigned charSet, QByteArrayView bytes);

// How a binary blob is shown: "(BLOB, 1234 bytes)".
QString BlobSizeText(qint64 size);

// Result of reading a typed-in value. ok: bytes hold the native value
// (text: UTF-8, OCTETS: the raw bytes). null is never set by
// ParseCellText; callers set it to send NULL through CellParam.
struct ParsedCell
{
    bool ok = false;
    bool null = false;
    QByteArray bytes;
    QString error;
};
ParsedCell ParseCellText(const Column &column, const QString &text);

// A stored value, ready for CellParam (original values of a guard).
ParsedCell StoredCell(const Column &column, const Cell &cell);

// The parameter that sends value to column: text as UTF-8 (the engine
// converts into the column's charset), NONE/OCTETS as their bytes, every
// other type in its native form.
Param CellParam(const Column &column, const ParsedCell &value);

// False for values a grid cannot edit as text: binary blobs, OCTETS,
// arrays and types this codec does not know.
bool IsEditableType(const Column &column);

} // namespace db
