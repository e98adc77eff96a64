#include "export/pdftext.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <numeric>

namespace exports {

namespace {

constexpr char16_t SimpleEnd = 0x500;
constexpr char16_t Ellipsis = 0x2026;

// The table's slot of a simple character: the ellipsis takes the unused
// slot of DEL.
char16_t Slot(char16_t c)
{
    return c == Ellipsis ? 0x7F : c;
}

bool IsSimple(char16_t c)
{
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x300) || (c >= 0x370 && c < SimpleEnd)
        || c == Ellipsis;
}

} // namespace

SimpleTextRun::SimpleTextRun(const QFont &font, const QPaintDevice &device)
    : m_glyphs(SimpleEnd)
{
    QFont unhinted = font;
    unhinted.setHintingPreference(QFont::PreferNoHinting);
    m_font = QRawFont::fromFont(unhinted);
    m_font.setPixelSize(font.pointSizeF() * device.logicalDpiY() / 72.0);
    m_run.setRawFont(m_font);
}

const SimpleTextRun::Glyph *SimpleTextRun::glyph(QChar c)
{
    const char16_t u = c.unicode();
    if (!IsSimple(u) || !m_font.isValid())
        return nullptr;
    Glyph &g = m_glyphs[Slot(u)];
    if (g.advance < 0) {
        const QList<quint32> indexes = m_font.glyphIndexesForString(QString(c));
        g.index = indexes.value(0);
        g.advance = g.index ? m_font.advancesForGlyphIndexes(indexes).value(0).x() : 0;
    }
    return g.index ? &g : nullptr;
}

double SimpleTextRun::width(QStringView text)
{
    double total = 0;
    for (QChar c : text) {
        const Glyph *g = glyph(c);
        if (!g)
            return -1;
        total += g->advance;
    }
    return total;
}

bool SimpleTextRun::advances(QStringView text, std::vector<double> &advances)
{
    advances.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Glyph *g = glyph(text[i]);
        if (!g)
            return false;
        advances[i] = g->advance;
    }
    return true;
}

void SimpleTextRun::draw(QPainter &painter, QPointF origin, QStringView text)
{
    m_indexes.resize(text.size());
    m_positions.resize(text.size());
    double x = origin.x();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Glyph *g = glyph(text[i]);
        m_indexes[i] = g->index;
        m_positions[i] = QPointF(x, origin.y());
        x += g->advance;
    }
    m_run.setGlyphIndexes(m_indexes);
    m_run.setPositions(m_positions);
    painter.drawGlyphRun(QPointF(0, 0), m_run);
}

QString ShownText(const QString &text, qsizetype budget)
{
    const QStringView head = QStringView(text).left(budget);
    for (QChar c : head) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            return pdf::OneLine(head);
    }
    return head.size() == text.size() ? text : head.toString();
}

TextFace::TextFace(const QFont &font, const QPaintDevice &device)
    : font(font), metrics(font, &device), simple(font, device),
      lineSpacing(metrics.lineSpacing())
{
}

double TextFace::linesHeight(int lines) const
{
    return metrics.height() + std::max(0, lines - 1) * lineSpacing;
}

int WrappedText::wrap(TextFace &face, const QString &text, double width, int maxLines,
                      qsizetype budget)
{
    m_lines.clear();
    if (text.isEmpty() || width <= 0)
        return 0;
    m_shown = ShownText(text, budget);
    m_simple = face.simple.advances(m_shown, m_advances);
    if (!m_simple) {
        // Shaped text: a surrogate pair's width goes to its first half, and
        // a combining mark measures next to nothing, so neither is split off.
        m_advances.resize(m_shown.size());
        for (qsizetype i = 0; i < m_shown.size(); ++i) {
            const QChar c = m_shown[i];
            m_advances[i] = c.isLowSurrogate() ? 0
                : c.isHighSurrogate()          ? face.metrics.horizontalAdvance(m_shown.mid(i, 2))
                                               : face.metrics.horizontalAdvance(c);
        }
    }
    m_cut = pdf::WrapLines(m_shown, m_advances, width, maxLines, m_lines) || text.size() > budget;
    return int(m_lines.size());
}

void WrappedText::draw(QPainter &painter, TextFace &face, QPointF origin, double width,
                       bool right)
{
    static const QString ellipsis{QChar(Ellipsis)};
    const double dots = face.metrics.horizontalAdvance(ellipsis);
    for (std::size_t l = 0; l < m_lines.size(); ++l, origin.ry() += face.lineSpacing) {
        pdf::TextLine line = m_lines[l];
        const bool cut = m_cut && l + 1 == m_lines.size();
        if (cut) {
            const qsizetype rest = m_shown.size() - line.from;
            line.length = pdf::CharsThatFit(m_advances.data() + line.from, rest, width - dots);
            while (line.length > 0 && m_shown[line.from + line.length - 1] == u' ')
                --line.length;
        }
        const QStringView text = QStringView(m_shown).mid(line.from, line.length);
        const auto from = m_advances.begin() + line.from;
        const double shown = std::accumulate(from, from + line.length, 0.0) + (cut ? dots : 0);
        const QPointF at(right ? origin.x() + width - shown : origin.x(), origin.y());
        if (m_simple) {
            face.simple.draw(painter, at, text);
            if (cut)
                face.simple.draw(painter, at + QPointF(shown - dots, 0), ellipsis);
        } else {
            const QString whole = text.toString() + (cut ? ellipsis : QString());
            painter.drawText(at, face.metrics.elidedText(whole, Qt::ElideRight, width));
        }
    }
}

} // namespace exports
