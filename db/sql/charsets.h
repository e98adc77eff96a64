#pragma once

#include <QString>

// Firebird character sets that the program converts itself: text columns
// wider than the engine can send as UTF-8 (more than 8,191 characters) are
// read in their own character set and decoded here, and written back in it.
namespace db {

// Firebird's name of a character set ("ISO8859_1"); empty when unknown.
QString CharSetName(unsigned charSet);

// True when text of charSet can be decoded and encoded here (UNICODE_FSS
// as UTF-8, the others through the platform's codecs).
bool ConvertsCharSet(unsigned charSet);

// Text of charSet, and back; encode gives false when the character set
// cannot hold a character of text.
QString DecodeCharSet(unsigned charSet, QByteArrayView bytes);
bool EncodeCharSet(unsigned charSet, const QString &text, QByteArray &bytes);

} // namespace db
