#pragma once

#include <QGlyphRun>
#include <QRawFont>
#include <QString>

#include <vector>

class QPaintDevice;
class QPainter;

namespace exports {

// The body text of the PDF table, drawn without shaping where shaping
// changes nothing: Latin, Greek and Cyrillic text in a font that has every
// glyph is laid out from a table of glyphs and advances (kerning off), so
// a cell costs a few lookups instead of a text layout. Anything else (other
// scripts, combining marks, a glyph the font lacks) reports that it cannot,
// and the caller goes the general way.
class SimpleTextRun
{
public:
    // `font` with its size for `device`'s resolution.
    SimpleTextRun(const QFont &font, const QPaintDevice &device);

    // The width of text, or -1 when it is not simple.
    double width(QStringView text);
    // Each character's advance into `advances`; false when text is not simple.
    bool advances(QStringView text, std::vector<double> &advances);
    // Draws simple text with its baseline's left end at `origin`.
    void draw(QPainter &painter, QPointF origin, QStringView text);

private:
    struct Glyph
    {
        quint32 index = 0;
        double advance = -1;   // -1: not looked up yet
    };
    const Glyph *glyph(QChar c);

    QRawFont m_font;
    std::vector<Glyph> m_glyphs;
    QGlyphRun m_run;
    QList<quint32> m_indexes;
    QList<QPointF> m_positions;
};

} // namespace exports
