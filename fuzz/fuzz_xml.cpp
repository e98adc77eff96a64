// The XML writer: whatever the captions and cells hold, an XML parser reads
// its output without error, finds the element names XmlElementName gives,
// and each cell's text less the characters XML cannot hold.

#include "export/tablewriter.h"
#include "fuzz/fuzzinput.h"

#include <QBuffer>
#include <QXmlStreamReader>

namespace {

// What XML 1.0 can hold, as the writer drops the rest.
QString Holdable(const QString &text)
{
    QString kept;
    for (char32_t c : text.toUcs4()) {
        const bool ok = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
            || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
        if (ok)
            kept += QString::fromUcs4(&c, 1);
    }
    return kept;
}

} // namespace

// Texts separated by NUL: two captions, then cells, two to a row.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList cells = fuzz::Texts(data, size);
    const QStringList captions{cells.takeFirst(), cells.isEmpty() ? QString() : cells.takeFirst()};
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    exports::XmlWriter writer(device);
    writer.begin({}, captions);
    for (qsizetype i = 0; i + 1 < cells.size(); i += 2) {
        exports::Row row;
        row.texts = {cells[i], cells[i + 1]};
        writer.row(row);
    }
    writer.end();

    QXmlStreamReader xml(bytes);
    fuzz::Check(xml.readNextStartElement() && xml.name() == u"xml", "the root", bytes);
    qsizetype at = 0;
    while (xml.readNextStartElement()) {
        fuzz::Check(xml.name() == u"row", "a row", bytes);
        for (const QString &caption : captions) {
            fuzz::Check(xml.readNextStartElement(), "a cell", bytes);
            fuzz::Check(xml.name() == exports::XmlElementName(caption), "its name", bytes);
            fuzz::Check(xml.readElementText() == Holdable(cells[at++]), "its text", bytes);
        }
        xml.skipCurrentElement();
    }
    fuzz::Check(!xml.hasError(), "well-formed", xml.errorString() + "\n" + bytes);
    fuzz::Check(at == cells.size() / 2 * 2, "every cell", bytes);
    return 0;
}
