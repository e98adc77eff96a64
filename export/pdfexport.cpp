#include "export/pdfexport.h"

#include "export/atomicfile.h"
#include "export/delimitedreader.h"
#include "export/pdflayout.h"
#include "export/pdftext.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace exports {

namespace {

// Device units per point: fine enough that rounded font metrics stay true.
constexpr int Resolution = 720;
constexpr double Unit = Resolution / 72.0;
constexpr double MarginPt = 28;
constexpr double BodyPt = 8;
constexpr double TitlePt = 10;
constexpr double FooterPt = 7;
constexpr double PaddingPt = 2.5;
constexpr double GapPt = 6;           // between the title, the table, the footer
constexpr double MaxNaturalPt = 220;  // a long text does not claim the page
constexpr int MaxCellLines = 6;       // a longer text is cut on its last line
// Rows measured for the column widths: the first ones, then every n-th.
constexpr qint64 SampleHead = 500;
constexpr qint64 SampleStride = 97;

constexpr double pt(double points)
{
    return points * Unit;
}

// Characters that may show in `widthPt`: every glyph of the fonts used is at
// least a quarter em wide.
constexpr qsizetype CharBudget(double widthPt)
{
    return qsizetype(widthPt / (BodyPt / 4)) + 1;
}

QFont LayoutFont(double points, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    // Widths then add up glyph by glyph, as the simple text runs lay out.
    font.setKerning(false);
    return font;
}

// A text as a cell shows it: on one line, and no longer than `budget`.
QString Shown(const QString &text, qsizetype budget)
{
    const QStringView head = QStringView(text).left(budget);
    for (QChar c : head) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            return pdf::OneLine(head);
    }
    return head.size() == text.size() ? text : head.toString();
}

// The face of a cell's text: the glyph table where it applies, the font's
// metrics otherwise.
struct Face
{
    QFont font;
    QFontMetricsF metrics;
    SimpleTextRun simple;
    double lineSpacing;

    Face(const QFont &f, QPdfWriter &writer)
        : font(f), metrics(f, &writer), simple(f, writer), lineSpacing(metrics.lineSpacing())
    {
    }
    // The height of a cell of `lines` lines, padding included.
    double cellHeight(int lines) const
    {
        return metrics.height() + std::max(0, lines - 1) * lineSpacing + pt(2 * PaddingPt);
    }
};

// A cell's text wrapped into its column.
struct WrappedCell
{
    QString shown;
    std::vector<double> advances;
    std::vector<pdf::TextLine> lines;
    bool simple = false;
    bool cut = false;
};

// The table, page by page: the survey of the text, the page plan, the
// measuring of the rows, and the drawing, all in device units.
class PdfTable
{
public:
    PdfTable(QPdfWriter &writer, const QString &title, ExportControl &control)
        : m_writer(writer), m_title(title), m_control(control),
          m_body(LayoutFont(BodyPt, false), writer), m_bold(LayoutFont(BodyPt, true), writer),
          m_heading(LayoutFont(TitlePt, true)), m_small(LayoutFont(FooterPt, false))
    {
    }

    bool survey(DelimitedTextReader &reader);
    void planPage();
    bool planPageBreaks(DelimitedTextReader &reader);
    bool draw(DelimitedTextReader &reader);
    qint64 pages() const { return qint64(m_pageStarts.size()) + 1; }

private:
    int wrap(Face &face, const QString &text, double inner);
    int rowLines(Face &face, const QStringList &fields);
    void drawCell(QPainter &painter, Face &face, double x, double inner, double top, bool right);
    int drawRow(QPainter &painter, Face &face, const QStringList &fields, double top,
                bool captions);
    void beginPage(QPainter &painter, qint64 page);
    void endPage(QPainter &painter, double bottom);
    double tableWidth() const;

    QPdfWriter &m_writer;
    QString m_title;
    ExportControl &m_control;
    Face m_body, m_bold;
    QFont m_heading, m_small;
    QStringList m_captions;
    qint64 m_rows = 0;
    std::vector<double> m_natural, m_least, m_widths;
    std::vector<bool> m_numeric;
    double m_pageWidth = 0, m_pageHeight = 0;
    double m_captionHeight = 0, m_tableTop = 0, m_tableRoom = 0;
    std::vector<qint64> m_pageStarts;  // the first row of every page after the first
    WrappedCell m_cell;
};

bool PdfTable::survey(DelimitedTextReader &reader)
{
    QString record;
    if (!reader.next(record))
        throw std::runtime_error("The exported text has no heading line.");
    m_captions = record.split(u'\t');
    const qsizetype columns = m_captions.size();
    const qsizetype budget = CharBudget(MaxNaturalPt);
    m_natural.assign(columns, 0);
    m_least.assign(columns, 0);
    m_numeric.assign(columns, true);
    std::vector<bool> anyValue(columns, false);
    for (qsizetype c = 0; c < columns; ++c) {
        const QString caption = Shown(m_captions[c], budget);
        m_natural[c] = m_bold.metrics.horizontalAdvance(caption);
        for (const QString &word : caption.split(u' ', Qt::SkipEmptyParts))
            m_least[c] = std::max(m_least[c], m_bold.metrics.horizontalAdvance(word));
    }
    while (reader.next(record)) {
        if (m_control.cancelled)
            return false;
        const qint64 index = m_rows++;
        if (index >= SampleHead && index % SampleStride != 0)
            continue;
        const QStringList fields = pdf::SplitRecord(record, columns);
        for (qsizetype c = 0; c < columns; ++c) {
            if (fields[c].isEmpty())
                continue;
            anyValue[c] = true;
            if (m_numeric[c] && !pdf::LooksNumeric(fields[c]))
                m_numeric[c] = false;
            const QString shown = Shown(fields[c], budget);
            const double simple = m_body.simple.width(shown);
            m_natural[c] = std::max(m_natural[c], simple >= 0 ? simple
                                                              : m_body.metrics.horizontalAdvance(shown));
        }
    }
    for (qsizetype c = 0; c < columns; ++c) {
        m_numeric[c] = m_numeric[c] && anyValue[c];
        m_natural[c] = std::min(m_natural[c], pt(MaxNaturalPt)) + pt(2 * PaddingPt);
        m_least[c] = std::min(m_least[c], pt(MaxNaturalPt)) + pt(2 * PaddingPt);
    }
    return true;
}

// The orientation, the column widths and the captions' height.
void PdfTable::planPage()
{
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    double total = 0;
    for (double width : m_natural)
        total += width;
    const bool landscape = pdf::ChooseOrientation(total, pt(a4.width() - 2 * MarginPt))
        == pdf::Orientation::Landscape;
    m_writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                       QMarginsF(MarginPt, MarginPt, MarginPt, MarginPt),
                                       QPageLayout::Point));
    m_pageWidth = pt((landscape ? a4.height() : a4.width()) - 2 * MarginPt);
    m_pageHeight = pt((landscape ? a4.width() : a4.height()) - 2 * MarginPt);
    m_widths = pdf::FitColumnWidths(m_natural, m_least, m_pageWidth);
    m_captionHeight = m_bold.cellHeight(rowLines(m_bold, m_captions));
    m_tableTop = QFontMetricsF(m_heading, &m_writer).height() + pt(GapPt);
    const double footer = QFontMetricsF(m_small, &m_writer).height() + pt(GapPt);
    m_tableRoom = m_pageHeight - m_tableTop - footer - m_captionHeight;
}

// The rows' heights, read once before drawing, so that every page can
// carry its "of N"; only the first row of each page is kept.
bool PdfTable::planPageBreaks(DelimitedTextReader &reader)
{
    reader.rewind();
    QString record;
    reader.next(record);
    pdf::PageFiller filler(m_tableRoom);
    for (qint64 row = 0; reader.next(record); ++row) {
        if (m_control.cancelled)
            return false;
        const QStringList fields = pdf::SplitRecord(record, m_captions.size());
        if (filler.startsNewPage(m_body.cellHeight(rowLines(m_body, fields))))
            m_pageStarts.push_back(row);
    }
    return true;
}

double PdfTable::tableWidth() const
{
    double total = 0;
    for (double width : m_widths)
        total += width;
    return total;
}

// Wraps text into m_cell for a column `inner` wide; returns its lines.
int PdfTable::wrap(Face &face, const QString &text, double inner)
{
    WrappedCell &cell = m_cell;
    cell.lines.clear();
    if (text.isEmpty() || inner <= 0)
        return 0;
    const qsizetype budget = CharBudget(inner / Unit) * MaxCellLines;
    cell.shown = Shown(text, budget);
    cell.simple = face.simple.advances(cell.shown, cell.advances);
    if (!cell.simple) {
        // Shaped text: a surrogate pair's width goes to its first half, and
        // a combining mark measures next to nothing, so neither is split off.
        cell.advances.resize(cell.shown.size());
        for (qsizetype i = 0; i < cell.shown.size(); ++i) {
            const QChar c = cell.shown[i];
            cell.advances[i] = c.isLowSurrogate() ? 0
                : c.isHighSurrogate()             ? face.metrics.horizontalAdvance(cell.shown.mid(i, 2))
                                                  : face.metrics.horizontalAdvance(c);
        }
    }
    cell.cut = pdf::WrapLines(cell.shown, cell.advances, inner, MaxCellLines, cell.lines)
        || text.size() > budget;
    return int(cell.lines.size());
}

int PdfTable::rowLines(Face &face, const QStringList &fields)
{
    int lines = 1;
    for (qsizetype c = 0; c < qsizetype(m_widths.size()); ++c)
        lines = std::max(lines, wrap(face, fields[c], m_widths[c] - pt(2 * PaddingPt)));
    return lines;
}

// The lines of m_cell, top down from `top`; the last one ends with an
// ellipsis when the text was cut.
void PdfTable::drawCell(QPainter &painter, Face &face, double x, double inner, double top,
                        bool right)
{
    static const QString ellipsis(QChar(0x2026));
    const WrappedCell &cell = m_cell;
    const double dots = face.metrics.horizontalAdvance(ellipsis);
    double baseline = top + pt(PaddingPt) + face.metrics.ascent();
    for (std::size_t l = 0; l < cell.lines.size(); ++l, baseline += face.lineSpacing) {
        pdf::TextLine line = cell.lines[l];
        const bool cut = cell.cut && l + 1 == cell.lines.size();
        if (cut) {
            const qsizetype rest = cell.shown.size() - line.from;
            line.length = pdf::CharsThatFit(cell.advances.data() + line.from, rest, inner - dots);
            while (line.length > 0 && cell.shown[line.from + line.length - 1] == u' ')
                --line.length;
        }
        const QStringView text = QStringView(cell.shown).mid(line.from, line.length);
        double width = std::accumulate(cell.advances.begin() + line.from,
                                       cell.advances.begin() + line.from + line.length, 0.0);
        if (cut)
            width += dots;
        const QPointF origin(right ? x + inner - width : x, baseline);
        if (cell.simple && face.simple.width(ellipsis) >= 0) {
            face.simple.draw(painter, origin, text);
            if (cut)
                face.simple.draw(painter, origin + QPointF(width - dots, 0), ellipsis);
        } else {
            const QString shown = text.toString() + (cut ? ellipsis : QString());
            painter.drawText(origin, face.metrics.elidedText(shown, Qt::ElideRight, inner));
        }
    }
}

// Draws a row from `top` down; returns its height in lines, as rowLines.
int PdfTable::drawRow(QPainter &painter, Face &face, const QStringList &fields, double top,
                      bool captions)
{
    painter.setFont(face.font);
    int tallest = 1;
    double x = 0;
    for (qsizetype c = 0; c < qsizetype(m_widths.size()); ++c) {
        const double inner = m_widths[c] - pt(2 * PaddingPt);
        const int lines = wrap(face, fields[c], inner);
        if (lines > 0)
            drawCell(painter, face, x + pt(PaddingPt), inner, top, m_numeric[c] && !captions);
        tallest = std::max(tallest, lines);
        x += m_widths[c];
    }
    return tallest;
}

void PdfTable::beginPage(QPainter &painter, qint64 page)
{
    const QFontMetricsF heading(m_heading, &m_writer);
    painter.setFont(m_heading);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(0, heading.ascent()),
                     heading.elidedText(pdf::OneLine(m_title), Qt::ElideRight, m_pageWidth));
    const QFontMetricsF small(m_small, &m_writer);
    const QString number = QStringLiteral("Page %1 of %2").arg(page).arg(pages());
    painter.setFont(m_small);
    painter.drawText(QPointF(m_pageWidth - small.horizontalAdvance(number),
                             m_pageHeight - small.descent()),
                     number);
    painter.fillRect(QRectF(0, m_tableTop, tableWidth(), m_captionHeight), QColor(225, 228, 232));
    drawRow(painter, m_bold, m_captions, m_tableTop, true);
}

// The grid of the page: column rules from the captions down to `bottom`,
// a heavier rule under the captions, the frame.
void PdfTable::endPage(QPainter &painter, double bottom)
{
    const double width = tableWidth();
    painter.setPen(QPen(QColor(120, 120, 120), pt(0.5)));
    double x = 0;
    painter.drawLine(QPointF(0, m_tableTop), QPointF(0, bottom));
    for (double column : m_widths) {
        x += column;
        painter.drawLine(QPointF(x, m_tableTop), QPointF(x, bottom));
    }
    painter.drawLine(QPointF(0, m_tableTop), QPointF(width, m_tableTop));
    painter.drawLine(QPointF(0, bottom), QPointF(width, bottom));
    painter.setPen(QPen(Qt::black, pt(0.8)));
    const double underCaptions = m_tableTop + m_captionHeight;
    painter.drawLine(QPointF(0, underCaptions), QPointF(width, underCaptions));
}

bool PdfTable::draw(DelimitedTextReader &reader)
{
    QPainter painter;
    if (!painter.begin(&m_writer))
        throw std::runtime_error("The PDF writer could not start.");
    reader.rewind();
    QString record;
    reader.next(record);
    const QPen rowRule(QColor(210, 210, 210), pt(0.3));
    const QPen text(Qt::black);
    const double width = tableWidth();
    qint64 page = 1;
    beginPage(painter, page);
    double top = m_tableTop + m_captionHeight;
    for (qint64 row = 0; reader.next(record); ++row) {
        if (m_control.cancelled)
            return false;
        if (page <= qint64(m_pageStarts.size()) && row == m_pageStarts[page - 1]) {
            endPage(painter, top);
            if (!m_writer.newPage())
                throw std::runtime_error("The PDF writer could not start a new page.");
            beginPage(painter, ++page);
            top = m_tableTop + m_captionHeight;
        } else if (row > 0) {
            painter.setPen(rowRule);
            painter.drawLine(QPointF(0, top), QPointF(width, top));
        }
        painter.setPen(text);
        const QStringList fields = pdf::SplitRecord(record, m_captions.size());
        top += m_body.cellHeight(drawRow(painter, m_body, fields, top, false));
        ++m_control.rows;
    }
    endPage(painter, top);
    if (!painter.end())
        throw std::runtime_error("The PDF writer could not finish the file.");
    return true;
}

} // namespace

ExportOutcome WritePdfFromText(const QString &textPath, const QString &pdfPath,
                               const QString &title, ExportControl &control, qint64 *pages)
{
    ExportOutcome outcome;
    try {
        DelimitedTextReader reader(textPath);
        AtomicFile file(pdfPath);
        file.open();
        {
            QPdfWriter writer(&file.device());
            writer.setResolution(Resolution);
            writer.setTitle(title);
            writer.setCreator(QStringLiteral("Gravelin"));
            PdfTable table(writer, title, control);
            if (!table.survey(reader)) {
                outcome.cancelled = true;
                return outcome;
            }
            table.planPage();
            if (!table.planPageBreaks(reader) || !table.draw(reader)) {
                outcome.cancelled = true;
                return outcome;
            }
            if (pages)
                *pages = table.pages();
        }
        file.commit();
        outcome.rows = control.rows;
    } catch (...) {
        outcome.failed = ExportOutcome::Failure::Writing;
        outcome.failure = std::current_exception();
    }
    return outcome;
}

ExportOutcome PrintTextFileToPdf(const QString &textPath, const QString &pdfPath,
                                 const QString &title, qint64 expectedRows, QWidget *window)
{
    ExportControl control;
    return RunWithProgress(
        window, expectedRows, control,
        [&] { return WritePdfFromText(textPath, pdfPath, title, control); }, {});
}

} // namespace exports
