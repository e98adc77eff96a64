#include "ui/refusaltexts.h"

#include "db/sql/sqltype.h"

#include <ibase.h>

namespace ui {

namespace {

// "C"."NAME" -> NAME; ("ID" = 5) -> ID = 5.
QString unquoted(QString text)
{
    if (text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')')))
        text = text.mid(1, text.size() - 2);
    if (const qsizetype dot = text.lastIndexOf(QStringLiteral("\".\"")); dot >= 0)
        text = text.mid(dot + 2);
    text.remove(QLatin1Char('"'));
    return text;
}

QString argument(const db::DbError &error, qsizetype i)
{
    return i < error.arguments().size() ? error.arguments().at(i) : QString();
}

// The key value the server names after a key violation ("ID = 5").
QString keyValue(const db::DbError &error)
{
    for (const QString &text : error.arguments()) {
        if (text.startsWith(QLatin1Char('(')) && text.contains(QLatin1Char('=')))
            return unquoted(text);
    }
    return {};
}

// Whether a single-byte character set has the character: ISO8859_1 is the
// first 256 code points, WIN1252 the same with 0x80-0x9F given to these.
bool holds(unsigned charSet, QChar c)
{
    static const QString win1252Extras = QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    const ushort code = c.unicode();
    if (charSet == db::CsIso8859_1)
        return code <= 0xFF;
    return (code <= 0xFF && (code < 0x80 || code > 0x9F)) || win1252Extras.contains(c);
}

QString charSetName(unsigned charSet)
{
    return charSet == db::CsWin1252 ? QStringLiteral("WIN1252") : QStringLiteral("ISO8859_1");
}

// The first typed character that a single-byte column cannot hold.
QString transliterationSentence(const std::vector<db::RefusedCell> &typed)
{
    for (const db::RefusedCell &cell : typed) {
        if (cell.charSet != db::CsWin1252 && cell.charSet != db::CsIso8859_1)
            continue;
        for (const QChar c : cell.text) {
            if (!holds(cell.charSet, c))
                return QStringLiteral("%1 (%2) cannot hold '%3'.")
                    .arg(cell.column, charSetName(cell.charSet), QString(c));
        }
    }
    return QStringLiteral("A value holds a character that its column's character set cannot hold.");
}

QString tooLongSentence(const std::vector<db::RefusedCell> &typed)
{
    for (const db::RefusedCell &cell : typed) {
        if (cell.charLength > 0 && cell.text.size() > qsizetype(cell.charLength))
            return QStringLiteral("%1 holds at most %2 characters; the value has %3.")
                .arg(cell.column)
                .arg(cell.charLength)
                .arg(cell.text.size());
    }
    return QStringLiteral("A value is longer than its column allows.");
}

QString keySentence(const db::DbError &error)
{
    const QString value = keyValue(error);
    if (value.isEmpty())
        return QStringLiteral("Another record already has the same value in the unique key %1.")
            .arg(argument(error, 0));
    return QStringLiteral("Another record already has %1.").arg(value);
}

QString foreignKeySentence(const db::DbError &error)
{
    const QString constraint = argument(error, 0);
    if (error.hasCode(isc_foreign_key_references_present))
        return QStringLiteral("Other records refer to this one through %1; change or delete "
                              "them first.").arg(constraint);
    const QString value = keyValue(error);
    return QStringLiteral("%1 has no matching record in the referenced table (%2).")
        .arg(value.isEmpty() ? QStringLiteral("The value") : value, constraint);
}

} // namespace

QString RefusalSentence(const db::DbError &error, const std::vector<db::RefusedCell> &typed)
{
    if (error.isConnectionLost())
        return QStringLiteral("The connection to the database was lost, so the record was not "
                              "saved. Your values are kept: leave the row again to save them "
                              "once the database can be reached.");
    if (error.isLockConflict())
        return QStringLiteral("Someone else is changing this record; try again when they have "
                              "saved.");
    if (error.hasCode(isc_not_valid_for) || error.hasCode(isc_not_valid)) {
        const QString column = unquoted(argument(error, 0));
        if (argument(error, 1) == QStringLiteral("*** null ***"))
            return QStringLiteral("%1 may not be empty (NULL).").arg(column);
        return QStringLiteral("%1 does not accept %2.").arg(column, argument(error, 1));
    }
    if (error.hasCode(isc_unique_key_violation) || error.hasCode(isc_no_dup))
        return keySentence(error);
    if (error.hasCode(isc_foreign_key))
        return foreignKeySentence(error);
    if (error.hasCode(isc_check_constraint))
        return QStringLiteral("The values break the rule %1 of %2.")
            .arg(argument(error, 0), argument(error, 1));
    if (error.hasCode(isc_transliteration_failed) || error.hasCode(isc_malformed_string))
        return transliterationSentence(typed);
    if (error.hasCode(isc_string_truncation))
        return tooLongSentence(typed);
    if (error.hasCode(isc_numeric_out_of_range))
        return typed.size() == 1
            ? QStringLiteral("%1 cannot hold a number this large.").arg(typed.front().column)
            : QStringLiteral("A number is too large for its column.");
    return {};
}

QString RefusalText(const db::DbError &error, const std::vector<db::RefusedCell> &typed)
{
    const QString sentence = RefusalSentence(error, typed);
    return sentence.isEmpty() ? error.message() : sentence + "\r\n\r\n" + error.message();
}

} // namespace ui
