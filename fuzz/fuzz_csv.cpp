// The CSV writer: whatever the cells hold, an RFC 4180 reader gets the same
// captions and cells back from its output.

#include "export/tablewriter.h"
#include "fuzz/fuzzinput.h"

#include <QBuffer>

namespace {

QList<QStringList> ReadCsv(const QString &text)
{
    QList<QStringList> records{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"' && field.isEmpty()) {
            quoted = true;
        } else if (c == ',') {
            records.last() << std::exchange(field, QString());
        } else if (c == '\r' && text.mid(i, 2) == "\r\n") {
            records.last() << std::exchange(field, QString());
            records << QStringList();
            ++i;
        } else {
            field += c;
        }
    }
    records.removeLast();
    return records;
}

} // namespace

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
    fuzz::Check(ReadCsv(text) == expected, "cells read back", text);
    for (const QString &cell : cells)
        fuzz::Check(exports::CsvField(cell).size() >= cell.size(), "a field keeps its text");
    return 0;
}
