#pragma once

#include "export/tablewriter.h"

#include <QHash>

#include <memory>
#include <vector>

class QTemporaryDir;

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace exports {

// The workbook's limits: a sheet's rows below its heading, a cell's text.
struct WorkbookLimits
{
    qint64 rowsPerSheet = 1'048'575;
    int cellChars = 32'767;
};

// Writes the rows into an .xlsx workbook, streamed (a row at a time, so
// memory stays flat on any table): captions in row 1, frozen and with an
// autofilter, typed cells from row 2, columns fitted to their longest text,
// a further sheet with the captions again where one is full. The file is
// complete only after end(); a writer dropped before, or a failed end(),
// removes it and releases every file the library had open. A failure
// names the system's reason ("No space left on device").
class WorkbookWriter : public TableWriter
{
public:
    WorkbookWriter(const QString &path, const QString &table, WorkbookLimits limits = {});
    ~WorkbookWriter() override;

    void begin(const std::vector<db::Column> &columns, const QStringList &captions) override;
    void row(const Row &row) override;
    void end() override;
    QString notice() const override;

private:
    void addSheet();
    void closeSheet();
    void writeCell(int column, const db::Cell &cell, const QString &text);
    void writeText(int column, const QString &text);
    lxw_format *numberFormat(const QString &code);
    void check(int error) const;
    void checkSheetFile();
    [[noreturn]] void fail(int error, int cause) const;
    void releaseFiles();

    QString m_path;
    QString m_table;
    WorkbookLimits m_limits;
    // The library's own temporary files, in a folder of their own beside
    // the workbook.
    std::unique_ptr<QTemporaryDir> m_parts;
    QByteArray m_partsPath;
    bool m_finished = false;
    lxw_workbook *m_workbook = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_heading = nullptr;
    QHash<QString, lxw_format *> m_formats;
    std::vector<db::Column> m_columns;
    QStringList m_captions;
    std::vector<int> m_widths;
    int m_sheets = 0;
    qint64 m_sheetRows = 0;     // data rows on the current sheet
    quint32 m_row = 0;          // the current row's index on its sheet
    qint64 m_cutTexts = 0;
};

} // namespace exports
