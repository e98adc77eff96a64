#pragma once

#include "export/pdflayout.h"

#include <QFont>
#include <QFontMetricsF>
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

// A text as a cell shows it: on one line, and no longer than `budget`.
QString ShownText(const QString &text, qsizetype budget);

// One face of the table's text: a font, its metrics, its glyph table.
struct TextFace
{
    TextFace(const QFont &font, const QPaintDevice &device);
    // The height of `lines` lines (at least one).
    double linesHeight(int lines) const;

    QFont font;
    QFontMetricsF metrics;
    SimpleTextRun simple;
    double lineSpacing;
};

// A cell's text wrapped into its column (pdf::WrapLines), held from its
// measuring to its drawing; one serves every cell in turn, so that its
// buffers are reused.
class WrappedText
{
public:
    // Wraps at most `budget` characters of text into `width`, in at most
    // `maxLines` lines; returns the lines (none for an empty text).
    int wrap(TextFace &face, const QString &text, double width, int maxLines, qsizetype budget);
    // Draws the lines top down, the first baseline at `origin`'s height, from
    // its x or, `right`, ending at x + width; the last line ends with an
    // ellipsis when the text did not fit.
    void draw(QPainter &painter, TextFace &face, QPointF origin, double width, bool right);

private:
    QString m_shown;
    std::vector<double> m_advances;
    std::vector<pdf::TextLine> m_lines;
    bool m_simple = false;
    bool m_cut = false;
};

} // namespace exports
