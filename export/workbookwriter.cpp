#include "export/workbookwriter.h"

#include "export/strayfiles.h"
#include "export/workbookcells.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cerrno>
#include <stdexcept>

namespace exports {

namespace {

constexpr int WidestColumn = 60;   // characters

// The library's failures that come from a system call, whose errno says why.
bool FromTheSystem(int error)
{
    switch (error) {
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE: return true;
    default: return false;
    }
}

} // namespace

WorkbookWriter::WorkbookWriter(const QString &path, const QString &table, WorkbookLimits limits)
    : m_path(path), m_table(table), m_limits(limits)
{
}

WorkbookWriter::~WorkbookWriter()
{
    if (m_workbook) {
        lxw_workbook_free(std::exchange(m_workbook, nullptr));
        releaseFiles();
    }
}

void WorkbookWriter::check(int error) const
{
    if (error != LXW_NO_ERROR)
        fail(error, 0);
}

// The system's reason where the library has one ("No space left on device"
// rather than "Zip generic error ZIP_ERRNO"), with what to do about a full disk.
void WorkbookWriter::fail(int error, int cause) const
{
    const bool system = cause != 0 && FromTheSystem(error);
    QString text = QStringLiteral("Could not write \"%1\": %2")
                       .arg(m_path, system ? qt_error_string(cause)
                                           : QString::fromUtf8(lxw_strerror(lxw_error(error))));
    if (system && (cause == ENOSPC || cause == EDQUOT))
        text.prepend(QStringLiteral("Free some space on the disk that holds \"%1\" and export again.\n")
                         .arg(QFileInfo(m_path).absolutePath()));
    throw std::runtime_error(text.toStdString());
}

// The library writes a sheet's rows into a temporary file and never looks
// at the result: a full disk would cut the sheet short without a word.
void WorkbookWriter::checkSheetFile()
{
    FILE *rows = m_sheet->optimize_tmpfile;
    if (rows && std::ferror(rows))
        fail(LXW_ERROR_CREATING_TMPFILE, errno);
}

// Whatever the library still holds open goes, its temporary files with it,
// and an unfinished workbook is removed.
void WorkbookWriter::releaseFiles()
{
    CloseStrayFiles(m_parts ? m_parts->path() : QString(), m_path);
    m_parts.reset();
    if (!m_finished)
        QFile::remove(m_path);
}

void WorkbookWriter::begin(const std::vector<db::Column> &columns, const QStringList &captions)
{
    m_columns = columns;
    m_captions = captions;
    m_widths.assign(columns.size(), 0);
    for (std::size_t i = 0; i < columns.size(); ++i)
        m_widths[i] = int(captions.value(qsizetype(i)).size());
    // The library's own temporary files stay beside the workbook, in a
    // folder of their own; a workbook folder that cannot take one fails
    // when the workbook is written.
    m_parts = std::make_unique<QTemporaryDir>(
        QFileInfo(m_path).absoluteDir().filePath(QStringLiteral(".parts-XXXXXX")));
    if (m_parts->isValid())
        m_partsPath = QFile::encodeName(m_parts->path());
    else
        m_parts.reset();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_parts ? m_partsPath.data() : nullptr;
    m_workbook = workbook_new_opt(m_path.toUtf8().constData(), &options);
    if (!m_workbook)
        check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    m_heading = workbook_add_format(m_workbook);
    format_set_bold(m_heading);
    addSheet();
}

void WorkbookWriter::addSheet()
{
    errno = 0;
    m_sheet = workbook_add_worksheet(m_workbook, SheetName(m_table, ++m_sheets).toUtf8().constData());
    if (!m_sheet) {
        // The names are unique: the sheet's temporary file could not be made.
        const int cause = errno;
        fail(cause ? LXW_ERROR_CREATING_TMPFILE : LXW_ERROR_SHEETNAME_ALREADY_USED, cause);
    }
    m_row = 0;
    m_sheetRows = 0;
    for (int c = 0; c < m_captions.size(); ++c)
        check(worksheet_write_string(m_sheet, 0, lxw_col_t(c), m_captions[c].toUtf8().constData(),
                                     m_heading));
    worksheet_freeze_panes(m_sheet, 1, 0);
}

void WorkbookWriter::closeSheet()
{
    if (m_sheet->optimize_tmpfile)
        std::fflush(m_sheet->optimize_tmpfile);
    checkSheetFile();
    if (m_captions.isEmpty())
        return;
    const auto last = lxw_col_t(m_captions.size() - 1);
    check(worksheet_autofilter(m_sheet, 0, 0, m_row, last));
    for (lxw_col_t c = 0; c <= last; ++c)
        check(worksheet_set_column(m_sheet, c, c, std::min(m_widths[c], WidestColumn) + 2, nullptr));
}

void WorkbookWriter::row(const Row &row)
{
    if (m_sheetRows == m_limits.rowsPerSheet) {
        closeSheet();
        addSheet();
    }
    ++m_row;
    ++m_sheetRows;
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
        if (row.nulls[c])
            continue;
        m_widths[c] = std::max(m_widths[c], int(row.texts[c].size()));
        writeCell(int(c), row.cells[c], row.texts[c]);
    }
    checkSheetFile();
}

void WorkbookWriter::writeCell(int column, const db::Cell &cell, const QString &text)
{
    const db::Column &type = m_columns[std::size_t(column)];
    const CellKind kind = CellKindOf(type);
    const auto col = lxw_col_t(column);
    if (kind == CellKind::Boolean) {
        check(worksheet_write_boolean(m_sheet, m_row, col, text == QLatin1String("true"), nullptr));
        return;
    }
    if (kind != CellKind::Text) {
        if (const std::optional<double> number = NumberCellValue(type, cell.bytes)) {
            check(worksheet_write_number(m_sheet, m_row, col, *number,
                                         numberFormat(CellNumberFormat(type, cell.bytes))));
            return;
        }
    }
    writeText(column, text);
}

void WorkbookWriter::writeText(int column, const QString &text)
{
    QString shown = text;
    if (shown.size() > m_limits.cellChars) {
        shown.truncate(m_limits.cellChars);
        if (shown.back().isHighSurrogate())
            shown.chop(1);
        ++m_cutTexts;
    }
    check(worksheet_write_string(m_sheet, m_row, lxw_col_t(column), shown.toUtf8().constData(),
                                 nullptr));
}

lxw_format *WorkbookWriter::numberFormat(const QString &code)
{
    if (code.isEmpty())
        return nullptr;
    lxw_format *&format = m_formats[code];
    if (!format) {
        format = workbook_add_format(m_workbook);
        format_set_num_format(format, code.toUtf8().constData());
    }
    return format;
}

void WorkbookWriter::end()
{
    closeSheet();
    errno = 0;
    const lxw_error error = workbook_close(std::exchange(m_workbook, nullptr));
    const int cause = errno;
    m_finished = error == LXW_NO_ERROR;
    releaseFiles();
    if (!m_finished)
        fail(error, cause);
}

QString WorkbookWriter::notice() const
{
    if (m_cutTexts == 0)
        return {};
    return QStringLiteral("%1 texts were longer than a workbook cell holds (%2 characters) and "
                          "were cut.")
        .arg(m_cutTexts)
        .arg(m_limits.cellChars);
}

} // namespace exports
