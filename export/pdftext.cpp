#include "export/pdftext.h"

#include <QPaintDevice>
#include <QPainter>

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

} // namespace exports
