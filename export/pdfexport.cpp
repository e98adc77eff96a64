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
#include <stdexcept>

namespace exports {

namespace {

using pdf::Orientation;

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
// Rows measured for the column widths: the first ones, then every n-th.
constexpr qint64 SampleHead = 500;
constexpr qint64 SampleStride = 97;

constexpr double pt(double points)
{
    return points * Unit;
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

// A text as a cell shows it: on one line, and no longer than any column
// could show (every glyph of the body font is at least a quarter em wide).
QString Shown(const QString &text, qsizetype budget)
{
    const QStringView head = QStringView(text).left(budget);
    for (QChar c : head) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            return pdf::OneLine(head);
    }
    return head.size() == text.size() ? text : head.toString();
}

// The table, page by page: the survey of the text, the page plan, and the
// drawing, all in device units.
class PdfTable
{
public:
    PdfTable(QPdfWriter &writer, const QString &title, ExportControl &control)
        : m_writer(writer), m_title(title), m_control(control),
          m_body(LayoutFont(BodyPt, false)), m_bold(LayoutFont(BodyPt, true)),
          m_heading(LayoutFont(TitlePt, true)), m_small(LayoutFont(FooterPt, false)),
          m_bodyMetrics(m_body, &writer), m_boldMetrics(m_bold, &writer), m_simple(m_body, writer)
    {
    }

    bool survey(DelimitedTextReader &reader);
    void planPages();
    bool draw(DelimitedTextReader &reader);
    qint64 pages() const { return m_pages; }

private:
    struct Fitted
    {
        QString text;
        double width;
    };
    Fitted fitted(const QFontMetricsF &metrics, const QString &text, double width,
                  bool needWidth) const;
    double bodyWidth(const QString &text);
    bool drawSimple(QPainter &painter, const QString &text, double x, double inner,
                    double baseline, bool right);
    void beginPage(QPainter &painter, qint64 page);
    void endPage(QPainter &painter, double bottom);
    void drawCells(QPainter &painter, const QStringList &fields, const QFontMetricsF &metrics,
                   double top, bool captions);
    double tableWidth() const;

    QPdfWriter &m_writer;
    QString m_title;
    ExportControl &m_control;
    QFont m_body, m_bold, m_heading, m_small;
    QFontMetricsF m_bodyMetrics, m_boldMetrics;
    SimpleTextRun m_simple;
    QStringList m_captions;
    qint64 m_rows = 0;
    std::vector<double> m_natural;
    std::vector<bool> m_numeric;
    std::vector<double> m_widths;
    double m_pageWidth = 0, m_pageHeight = 0;
    double m_rowHeight = 0, m_captionHeight = 0, m_tableTop = 0;
    qint64 m_rowsPerPage = 1;
    qint64 m_pages = 1;
};

constexpr qsizetype CharBudget(double widthPt)
{
    return qsizetype(widthPt / (BodyPt / 4)) + 1;
}

bool PdfTable::survey(DelimitedTextReader &reader)
{
    QString record;
    if (!reader.next(record))
        throw std::runtime_error("The exported text has no heading line.");
    m_captions = record.split(u'\t');
    const qsizetype columns = m_captions.size();
    const qsizetype budget = CharBudget(MaxNaturalPt);
    m_natural.assign(columns, 0);
    m_numeric.assign(columns, true);
    std::vector<bool> anyValue(columns, false);
    for (qsizetype c = 0; c < columns; ++c)
        m_natural[c] = m_boldMetrics.horizontalAdvance(Shown(m_captions[c], budget));
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
            m_natural[c] = std::max(m_natural[c], bodyWidth(Shown(fields[c], budget)));
        }
    }
    for (qsizetype c = 0; c < columns; ++c) {
        m_numeric[c] = m_numeric[c] && anyValue[c];
        m_natural[c] = std::min(m_natural[c], pt(MaxNaturalPt)) + pt(2 * PaddingPt);
    }
    return true;
}

void PdfTable::planPages()
{
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    double total = 0;
    for (double width : m_natural)
        total += width;
    const Orientation orientation = pdf::ChooseOrientation(total, pt(a4.width() - 2 * MarginPt));
    const bool landscape = orientation == Orientation::Landscape;
    m_writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                       QMarginsF(MarginPt, MarginPt, MarginPt, MarginPt),
                                       QPageLayout::Point));
    m_pageWidth = pt((landscape ? a4.height() : a4.width()) - 2 * MarginPt);
    m_pageHeight = pt((landscape ? a4.width() : a4.height()) - 2 * MarginPt);
    m_widths = pdf::FitColumnWidths(m_natural, m_pageWidth);
    m_rowHeight = m_bodyMetrics.height() + pt(2 * PaddingPt);
    m_captionHeight = m_boldMetrics.height() + pt(2 * PaddingPt);
    m_tableTop = QFontMetricsF(m_heading, &m_writer).height() + pt(GapPt);
    const double footer = QFontMetricsF(m_small, &m_writer).height() + pt(GapPt);
    m_rowsPerPage = pdf::RowsPerPage(m_pageHeight - m_tableTop - footer, m_captionHeight,
                                     m_rowHeight);
    m_pages = pdf::PageCount(m_rows, m_rowsPerPage);
}

double PdfTable::tableWidth() const
{
    double total = 0;
    for (double width : m_widths)
        total += width;
    return total;
}

// The text as it fits `width`, cut with an ellipsis when it does not, and
// its width (when asked for, if it had to be cut).
PdfTable::Fitted PdfTable::fitted(const QFontMetricsF &metrics, const QString &text,
                                  double width, bool needWidth) const
{
    if (text.isEmpty() || width <= 0)
        return {QString(), 0};
    const qsizetype budget = CharBudget(width / Unit);
    const QString shown = Shown(text, budget);
    const double natural = metrics.horizontalAdvance(shown);
    if (text.size() <= budget && natural <= width)
        return {shown, natural};
    const QString cut = metrics.elidedText(shown, Qt::ElideRight, width);
    return {cut, needWidth ? metrics.horizontalAdvance(cut) : 0};
}

double PdfTable::bodyWidth(const QString &text)
{
    const double simple = m_simple.width(text);
    return simple >= 0 ? simple : m_bodyMetrics.horizontalAdvance(text);
}

// A body cell of simple text, cut with an ellipsis by the glyph table;
// false when the text is not simple.
bool PdfTable::drawSimple(QPainter &painter, const QString &text, double x, double inner,
                          double baseline, bool right)
{
    static const QString ellipsis(QChar(0x2026));
    const qsizetype budget = CharBudget(inner / Unit);
    const QString shown = Shown(text, budget);
    double width = m_simple.width(shown);
    if (width < 0)
        return false;
    if (text.size() > budget || width > inner) {
        const double dots = m_simple.width(ellipsis);
        if (dots < 0)
            return false;
        const double room = inner - dots;
        const QString cut = shown.left(m_simple.fittingChars(shown, room)) + ellipsis;
        width = m_simple.width(cut);
        m_simple.draw(painter, QPointF(right ? x + inner - width : x, baseline), cut);
    } else {
        m_simple.draw(painter, QPointF(right ? x + inner - width : x, baseline), shown);
    }
    return true;
}

void PdfTable::drawCells(QPainter &painter, const QStringList &fields,
                         const QFontMetricsF &metrics, double top, bool captions)
{
    const double baseline = top + pt(PaddingPt) + metrics.ascent();
    double x = 0;
    for (qsizetype c = 0; c < qsizetype(m_widths.size()); ++c) {
        const double inner = m_widths[c] - pt(2 * PaddingPt);
        const bool right = m_numeric[c] && !captions;
        if (!captions && inner > 0
            && (fields[c].isEmpty()
                || drawSimple(painter, fields[c], x + pt(PaddingPt), inner, baseline, right))) {
            x += m_widths[c];
            continue;
        }
        const Fitted cell = fitted(metrics, fields[c], inner, right);
        if (!cell.text.isEmpty()) {
            const double at = right ? x + m_widths[c] - pt(PaddingPt) - cell.width
                                    : x + pt(PaddingPt);
            painter.drawText(QPointF(at, baseline), cell.text);
        }
        x += m_widths[c];
    }
}

void PdfTable::beginPage(QPainter &painter, qint64 page)
{
    const QFontMetricsF heading(m_heading, &m_writer);
    painter.setFont(m_heading);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(0, heading.ascent()),
                     heading.elidedText(pdf::OneLine(m_title), Qt::ElideRight, m_pageWidth));
    const QFontMetricsF small(m_small, &m_writer);
    const QString number = QStringLiteral("Page %1 of %2").arg(page).arg(m_pages);
    painter.setFont(m_small);
    painter.drawText(QPointF(m_pageWidth - small.horizontalAdvance(number),
                             m_pageHeight - small.descent()),
                     number);
    painter.fillRect(QRectF(0, m_tableTop, tableWidth(), m_captionHeight), QColor(225, 228, 232));
    painter.setFont(m_bold);
    drawCells(painter, m_captions, m_boldMetrics, m_tableTop, true);
    painter.setFont(m_body);
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
    const qsizetype columns = m_captions.size();
    const QPen rowRule(QColor(210, 210, 210), pt(0.3));
    const QPen text(Qt::black);
    const double width = tableWidth();
    qint64 page = 1;
    beginPage(painter, page);
    double top = m_tableTop + m_captionHeight;
    qint64 onPage = 0;
    while (reader.next(record)) {
        if (m_control.cancelled)
            return false;
        if (onPage == m_rowsPerPage) {
            endPage(painter, top);
            if (!m_writer.newPage())
                throw std::runtime_error("The PDF writer could not start a new page.");
            beginPage(painter, ++page);
            top = m_tableTop + m_captionHeight;
            onPage = 0;
        }
        if (onPage > 0) {
            painter.setPen(rowRule);
            painter.drawLine(QPointF(0, top), QPointF(width, top));
            painter.setPen(text);
        }
        drawCells(painter, pdf::SplitRecord(record, columns), m_bodyMetrics, top, false);
        top += m_rowHeight;
        ++onPage;
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
            table.planPages();
            if (!table.draw(reader)) {
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
