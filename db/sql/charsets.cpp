#include "db/sql/charsets.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace db {

namespace {

constexpr unsigned UnicodeFss = 3;

struct CharSet
{
    unsigned id;
    const char *firebird;
    const char *codec;
};
constexpr CharSet CharSets[] = {
    {2, "ASCII", "US-ASCII"},        {3, "UNICODE_FSS", "UTF-8"},
    {5, "SJIS_0208", "Shift_JIS"},   {6, "EUCJ_0208", "EUC-JP"},
    {9, "DOS737", "ibm-737"},        {10, "DOS437", "IBM437"},
    {11, "DOS850", "IBM850"},        {12, "DOS865", "IBM865"},
    {13, "DOS860", "IBM860"},        {14, "DOS863", "IBM863"},
    {15, "DOS775", "IBM775"},        {16, "DOS858", "IBM00858"},
    {17, "DOS862", "IBM862"},        {18, "DOS864", "IBM864"},
    {21, "ISO8859_1", "ISO-8859-1"}, {22, "ISO8859_2", "ISO-8859-2"},
    {23, "ISO8859_3", "ISO-8859-3"}, {34, "ISO8859_4", "ISO-8859-4"},
    {35, "ISO8859_5", "ISO-8859-5"}, {36, "ISO8859_6", "ISO-8859-6"},
    {37, "ISO8859_7", "ISO-8859-7"}, {38, "ISO8859_8", "ISO-8859-8"},
    {39, "ISO8859_9", "ISO-8859-9"}, {40, "ISO8859_13", "ISO-8859-13"},
    {44, "KSC_5601", "windows-949"}, {45, "DOS852", "IBM852"},
    {46, "DOS857", "IBM857"},        {47, "DOS861", "IBM861"},
    {48, "DOS866", "IBM866"},        {49, "DOS869", "IBM869"},
    {51, "WIN1250", "windows-1250"}, {52, "WIN1251", "windows-1251"},
    {53, "WIN1252", "windows-1252"}, {54, "WIN1253", "windows-1253"},
    {55, "WIN1254", "windows-1254"}, {56, "BIG_5", "Big5"},
    {57, "GB_2312", "GB2312"},       {58, "WIN1255", "windows-1255"},
    {59, "WIN1256", "windows-1256"}, {60, "WIN1257", "windows-1257"},
    {63, "KOI8R", "KOI8-R"},         {64, "KOI8U", "KOI8-U"},
    {65, "WIN1258", "windows-1258"}, {66, "TIS620", "TIS-620"},
    {67, "GBK", "GBK"},              {68, "CP943C", "ibm-943_P15A-2003"},
    {69, "GB18030", "GB18030"},
};

const CharSet *find(unsigned charSet)
{
    for (const CharSet &known : CharSets) {
        if (known.id == charSet)
            return &known;
    }
    return nullptr;
}

} // namespace

QString CharSetName(unsigned charSet)
{
    const CharSet *known = find(charSet);
    return known ? QString::fromLatin1(known->firebird) : QString();
}

bool ConvertsCharSet(unsigned charSet)
{
    const CharSet *known = find(charSet);
    return known && QStringDecoder(known->codec).isValid() && QStringEncoder(known->codec).isValid();
}

QString DecodeCharSet(unsigned charSet, QByteArrayView bytes)
{
    const CharSet *known = find(charSet);
    QStringDecoder decoder(known ? known->codec : "UTF-8", QStringDecoder::Flag::Stateless);
    return decoder(bytes);
}

bool EncodeCharSet(unsigned charSet, const QString &text, QByteArray &bytes)
{
    if (charSet == UnicodeFss) {
        bytes = text.toUtf8();
        return true;
    }
    const CharSet *known = find(charSet);
    QStringEncoder encoder(known ? known->codec : "UTF-8", QStringEncoder::Flag::Stateless);
    bytes = encoder(text);
    // Some codecs put a substitute in silently: what does not read back
    // the same was not held.
    return !encoder.hasError() && DecodeCharSet(charSet, bytes) == text;
}

} // namespace db
