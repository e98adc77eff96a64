#pragma once

// Reading exports back, shared by the export tests and the fuzz targets.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>

#include <utility>

namespace testsupport {

// A file's bytes, or "<no file>" when it cannot be read.
inline QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// RFC 4180 records (CR LF after each) back into cells.
inline QList<QStringList> ReadCsv(const QString &text)
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

} // namespace testsupport
