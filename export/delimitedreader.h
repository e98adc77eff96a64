#pragma once

#include <QFile>
#include <QString>
#include <QStringDecoder>

namespace exports {

// Reads back the tab-delimited text of the TXT export one record at a time,
// in constant memory. A record ends at TAB CR LF (every line's last field is
// followed by a TAB), so a value holding CR LF stays inside its record.
// Failures throw std::runtime_error with the system's reason.
class DelimitedTextReader
{
public:
    explicit DelimitedTextReader(const QString &path);

    // The next record without its closing TAB CR LF; false at the end.
    bool next(QString &record);
    // Back to the first record, for a second pass.
    void rewind();

private:
    bool fill();

    QFile m_file;
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    QString m_buffer;
    qsizetype m_at = 0;
    bool m_atEnd = false;
};

} // namespace exports
