#include "bench/exportmeasures.h"

#include "bench/benchdatabase.h"
#include "bench/gridprobe.h"
#include "db/client/connection.h"

#include <QFile>

#include <ibase.h>
#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace bench {

namespace {

template <typename T>
T Load(const unsigned char *at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// One cell written straight from the client's message, typed by column:
// what the workbook export writes, without the grid's texts.
void WriteCell(lxw_worksheet *sheet, lxw_row_t row, lxw_col_t col, const db::Column &column,
               const unsigned char *message, lxw_format *dateFormat, std::string &text)
{
    const unsigned char *value = message + column.offset;
    const double scale = std::pow(10.0, column.sqlType.scale);
    switch (column.sqlType.type) {
    case SQL_SHORT: worksheet_write_number(sheet, row, col, Load<qint16>(value) * scale, nullptr); break;
    case SQL_LONG: worksheet_write_number(sheet, row, col, Load<qint32>(value) * scale, nullptr); break;
    case SQL_INT64: worksheet_write_number(sheet, row, col, double(Load<qint64>(value)) * scale, nullptr); break;
    case SQL_TIMESTAMP: {
        const auto stamp = Load<ISC_TIMESTAMP>(value);
        worksheet_write_number(sheet, row, col,
                               stamp.timestamp_date - 15018 + stamp.timestamp_time / 864e6,
                               dateFormat);
        break;
    }
    case SQL_VARYING: {
        const auto length = Load<quint16>(value);
        text.assign(reinterpret_cast<const char *>(value + 2), length);
        worksheet_write_string(sheet, row, col, text.c_str(), nullptr);
        break;
    }
    default: break;
    }
}

} // namespace

void MeasureBareWorkbook(const QString &database, const QString &table)
{
    const QString path = database + QStringLiteral(".bare.xlsx");
    const qint64 rssBefore = StatusKb("VmRSS");
    const qint64 start = Now();
    const qint64 cpuStart = ProcessCpuNow();
    db::Attachment attachment = db::Attachment::open(BenchConnectionString(database));
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement select(tx, QStringLiteral("SELECT * FROM ") + table);
    db::Cursor cursor = select.openCursor(tx);

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(path.toUtf8().constData(), &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, table.toUtf8().constData());
    lxw_format *dateFormat = workbook_add_format(book);
    format_set_num_format(dateFormat, "yyyy-mm-dd hh:mm:ss");
    const std::vector<db::Column> &columns = select.columns();
    for (std::size_t c = 0; c < columns.size(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), columns[c].name.toUtf8().constData(), nullptr);
    std::string text;
    lxw_row_t row = 0;
    while (const unsigned char *message = cursor.fetch()) {
        ++row;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (!db::isNull(columns[c], message))
                WriteCell(sheet, row, lxw_col_t(c), columns[c], message, dateFormat, text);
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR)
        throw std::runtime_error("the bare workbook could not be written");
    const qint64 end = Now();
    std::printf("bare_xlsx_ms=%.3f\nbare_xlsx_cpu_ms=%.3f\nrows=%d\nrss_growth_kb=%lld\n",
                (end - start) / 1e6, (ProcessCpuNow() - cpuStart) / 1e6, int(row),
                StatusKb("VmHWM") - rssBefore);
    QFile::remove(path);
}

} // namespace bench
