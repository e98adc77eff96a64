// The CSV writer: whatever the cells hold, an RFC 4180 reader gets the same
// captions and cells back from its output.

#include "export/tablewriter.h"
#include "fuzz/fuzzinput.h"
#include "tests/support/exportfiles.h"

#include <QBuffer>

// Texts separated by NUL are cells; the first is the one caption, and a
// record holds two cells.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList cells = fuzz::Texts(data, size);
    const QStringList captions{cells.takeFirst(), QStringLiteral("second")};
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    exports::CsvWriter writer(device);
    writer.begin({}, captions);
    QList<QStringList> expected{captions};
    for (qsizetype i = 0; i + 1 < cells.size(); i += 2) {
        exports::Row row;
        row.texts = {cells[i], cells[i + 1]};
        writer.row(row);
        expected << QStringList{cells[i], cells[i + 1]};
    }
    writer.end();
    const QString text = QString::fromUtf8(bytes);
    fuzz::Check(testsupport::ReadCsv(text) == expected, "cells read back", text);
    for (const QString &cell : cells)
        fuzz::Check(exports::CsvField(cell).size() >= cell.size(), "a field keeps its text");
    return 0;
}
