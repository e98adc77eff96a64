#include "export/pdfexport.h"

#include "export/atomicfile.h"
#include "export/delimitedreader.h"
#include "export/pdflayout.h"
#include "export/pdftext.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
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
    int wrap(TextFace &face, const QString &text, double width);
    double cellHeight(const TextFace &face, int lines) const;
    int rowLines(TextFace &face, const QStringList &fields);
    int drawRow(QPainter &painter, TextFace &face, const QStringList &fields, double top,
                bool captions);
    void beginPage(QPainter &painter, qint64 page);
    void endPage(QPainter &painter, double bottom);
    double tableWidth() const;

    QPdfWriter &m_writer;
    QString m_title;
    ExportControl &m_control;
    TextFace m_body, m_bold;
    QFont m_heading, m_small;
    QStringList m_captions;
    qint64 m_rows = 0;
    std::vector<double> m_natural, m_least, m_widths;
    std::vector<bool> m_numeric;
    double m_pageWidth = 0, m_pageHeight = 0;
    double m_captionHeight = 0, m_tableTop = 0, m_tableRoom = 0;
    std::vector<qint64> m_pageStarts;  // the first row of every page after the first
    WrappedText m_cell;
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
        const QString caption = ShownText(m_captions[c], budget);
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
            const QString shown = ShownText(fields[c], budget);
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
    m_captionHeight = cellHeight(m_bold, rowLines(m_bold, m_captions));
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
        if (filler.startsNewPage(cellHeight(m_body, rowLines(m_body, fields))))
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

// A cell's text wrapped into m_cell for a column `width` wide; its lines.
int PdfTable::wrap(TextFace &face, const QString &text, double width)
{
    const double inner = width - pt(2 * PaddingPt);
    return m_cell.wrap(face, text, inner, MaxCellLines, CharBudget(inner / Unit) * MaxCellLines);
}

double PdfTable::cellHeight(const TextFace &face, int lines) const
{
    return face.linesHeight(lines) + pt(2 * PaddingPt);
}

int PdfTable::rowLines(TextFace &face, const QStringList &fields)
{
    int lines = 1;
    for (qsizetype c = 0; c < qsizetype(m_widths.size()); ++c)
        lines = std::max(lines, wrap(face, fields[c], m_widths[c]));
    return lines;
}

// Draws a row from `top` down; returns its height in lines, as rowLines.
int PdfTable::drawRow(QPainter &painter, TextFace &face, const QStringList &fields, double top,
                      bool captions)
{
    painter.setFont(face.font);
    const QPointF inset(pt(PaddingPt), pt(PaddingPt) + face.metrics.ascent());
    int tallest = 1;
    double x = 0;
    for (qsizetype c = 0; c < qsizetype(m_widths.size()); ++c) {
        const int lines = wrap(face, fields[c], m_widths[c]);
        if (lines > 0)
            m_cell.draw(painter, face, QPointF(x, top) + inset, m_widths[c] - pt(2 * PaddingPt),
                        m_numeric[c] && !captions);
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
        top += cellHeight(m_body, drawRow(painter, m_body, fields, top, false));
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

QString PdfTemporaryTextFailure(const QString &reason)
{
    return QStringLiteral("Make room in the temporary folder \"%1\" (or set TMPDIR to another "
                          "folder) and export the PDF again.\n"
                          "The PDF's temporary text could not be written there: %2")
        .arg(QDir::toNativeSeparators(QDir::tempPath()), reason);
}

ExportOutcome PrintTextFileToPdf(const QString &textPath, const QString &pdfPath,
                                 const QString &title, qint64 expectedRows, db::JobRunner &jobs)
{
    return RunExport(jobs, expectedRows, [&](ExportControl &control) {
        return WritePdfFromText(textPath, pdfPath, title, control);
    });
}

} // namespace exports
