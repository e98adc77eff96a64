#include "export/pdflayout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace exports::pdf {

namespace {

constexpr qsizetype MaxFileNameChars = 200;

bool IsForbiddenInFileName(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c);
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Digits from `at` on; returns how many.
qsizetype Digits(QStringView text, qsizetype &at)
{
    const qsizetype start = at;
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    return at - start;
}

} // namespace

Orientation ChooseOrientation(double naturalTableWidth, double portraitWidth)
{
    return naturalTableWidth > portraitWidth ? Orientation::Landscape : Orientation::Portrait;
}

qint64 RowsPerPage(double tableHeight, double captionHeight, double rowHeight)
{
    if (rowHeight <= 0)
        return 1;
    const auto rows = qint64(std::floor((tableHeight - captionHeight) / rowHeight));
    return std::max<qint64>(1, rows);
}

qint64 PageCount(qint64 rows, qint64 rowsPerPage)
{
    if (rows <= 0)
        return 1;
    rowsPerPage = std::max<qint64>(1, rowsPerPage);
    return (rows + rowsPerPage - 1) / rowsPerPage;
}

std::vector<double> FitColumnWidths(const std::vector<double> &natural, double available)
{
    std::vector<double> widths = natural;
    if (std::accumulate(natural.begin(), natural.end(), 0.0) <= available)
        return widths;
    std::vector<bool> fixed(natural.size(), false);
    double remaining = available;
    std::size_t open = natural.size();
    // Columns narrower than an equal share of what is left keep their width;
    // each round may free more room for the rest.
    for (bool changed = true; changed && open > 0;) {
        changed = false;
        const double share = remaining / double(open);
        for (std::size_t i = 0; i < natural.size(); ++i) {
            if (!fixed[i] && natural[i] <= share) {
                fixed[i] = true;
                remaining -= natural[i];
                --open;
                changed = true;
            }
        }
    }
    const double share = open > 0 ? std::max(0.0, remaining / double(open)) : 0.0;
    for (std::size_t i = 0; i < natural.size(); ++i) {
        if (!fixed[i])
            widths[i] = share;
    }
    return widths;
}

QString SafeFileName(const QString &name)
{
    QString safe;
    safe.reserve(name.size());
    for (QChar c : name)
        safe += IsForbiddenInFileName(c) ? QChar(u'_') : c;
    const auto trimmable = [](QChar c) { return c.isSpace() || c == u'.'; };
    qsizetype begin = 0, end = safe.size();
    while (begin < end && trimmable(safe[begin]))
        ++begin;
    while (end > begin && trimmable(safe[end - 1]))
        --end;
    safe = safe.mid(begin, std::min(end - begin, MaxFileNameChars));
    return safe.isEmpty() ? QStringLiteral("table") : safe;
}

bool LooksNumeric(QStringView text)
{
    qsizetype at = 0;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+'))
        ++at;
    qsizetype digits = Digits(text, at);
    if (at < text.size() && text[at] == u'.') {
        ++at;
        digits += Digits(text, at);
    }
    if (digits == 0)
        return false;
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        ++at;
        if (at < text.size() && (text[at] == u'-' || text[at] == u'+'))
            ++at;
        if (Digits(text, at) == 0)
            return false;
    }
    return at == text.size();
}

QStringList SplitRecord(QStringView record, qsizetype columns)
{
    QStringList fields;
    fields.reserve(columns);
    qsizetype from = 0;
    while (fields.size() + 1 < columns) {
        const qsizetype tab = record.indexOf(u'\t', from);
        if (tab < 0)
            break;
        fields << record.mid(from, tab - from).toString();
        from = tab + 1;
    }
    if (columns > 0)
        fields << record.mid(from).toString();
    while (fields.size() < columns)
        fields << QString();
    return fields;
}

QString OneLine(QStringView text)
{
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        line += (c == u'\t' || c == u'\r' || c == u'\n') ? QChar(u' ') : c;
    }
    return line;
}

} // namespace exports::pdf
