#include "export/pdflayout.h"

#include <algorithm>
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

bool PageFiller::startsNewPage(double rowHeight)
{
    if (!m_empty && m_used + rowHeight > m_room) {
        m_used = rowHeight;
        return true;
    }
    m_used += rowHeight;
    m_empty = false;
    return false;
}

std::vector<double> FitColumnWidths(const std::vector<double> &natural,
                                    const std::vector<double> &least, double available)
{
    if (std::accumulate(natural.begin(), natural.end(), 0.0) <= available)
        return natural;
    const std::size_t count = natural.size();
    std::vector<double> floor(count, 0.0);
    for (std::size_t i = 0; i < count && i < least.size(); ++i)
        floor[i] = std::min(least[i], natural[i]);
    if (std::accumulate(floor.begin(), floor.end(), 0.0) > available)
        std::fill(floor.begin(), floor.end(), 0.0);
    // Each column is its share clamped between its floor and its natural
    // width; the share is where the columns together fill `available`.
    const auto widthAt = [&](std::size_t i, double share) {
        return std::min(natural[i], std::max(floor[i], share));
    };
    const auto totalAt = [&](double share) {
        double total = 0;
        for (std::size_t i = 0; i < count; ++i)
            total += widthAt(i, share);
        return total;
    };
    std::vector<double> points = natural;
    points.insert(points.end(), floor.begin(), floor.end());
    points.push_back(0);
    std::sort(points.begin(), points.end());
    double below = 0;
    for (double point : points) {
        if (totalAt(point) <= available)
            below = point;
    }
    // Between `below` and the next point the open columns grow together.
    double fixed = 0;
    std::size_t open = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (floor[i] <= below && natural[i] > below)
            ++open;
        else
            fixed += widthAt(i, below);
    }
    const double share = open > 0 ? std::max(below, (available - fixed) / double(open)) : below;
    std::vector<double> widths(count);
    for (std::size_t i = 0; i < count; ++i)
        widths[i] = widthAt(i, share);
    return widths;
}

qsizetype CharsThatFit(const double *advances, qsizetype count, double width)
{
    double total = 0;
    for (qsizetype i = 0; i < count; ++i) {
        total += advances[i];
        if (total > width)
            return i;
    }
    return count;
}

bool WrapLines(QStringView text, const std::vector<double> &advances, double width,
               int maxLines, std::vector<TextLine> &lines)
{
    lines.clear();
    const qsizetype size = text.size();
    qsizetype at = 0;
    while (at < size) {
        if (qsizetype(lines.size()) >= std::max(1, maxLines))
            return true;
        const qsizetype fit = at + CharsThatFit(advances.data() + at, size - at, width);
        if (fit == size) {
            lines.push_back({at, size - at});
            return false;
        }
        qsizetype end = fit;
        if (text[fit] != u' ') {
            const qsizetype blank = text.left(fit).lastIndexOf(u' ');
            end = blank > at ? blank : std::max(fit, at + 1);
        }
        qsizetype next = end;
        while (end > at && text[end - 1] == u' ')
            --end;
        lines.push_back({at, end - at});
        while (next < size && text[next] == u' ')
            ++next;
        at = next;
    }
    return false;
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
