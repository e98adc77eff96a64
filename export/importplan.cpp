#include "export/importplan.h"

#include <QDir>
#include <QFileInfo>

#include <ibase.h>

namespace exports {

namespace {

bool IsTextColumn(const db::Column &column)
{
    const unsigned type = column.sqlType.type;
    return type == SQL_VARYING || type == SQL_TEXT
           || (type == SQL_BLOB && column.sqlType.subType == 1);
}

int FieldNamed(const QStringList &captions, const QString &name)
{
    for (int i = 0; i < captions.size(); ++i) {
        if (captions[i].trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

bool CanImportInto(const db::ImportTarget &target)
{
    return !target.computed && db::IsEditableType(target.column);
}

std::vector<int> DefaultMapping(const std::vector<db::ImportTarget> &targets,
                                const QStringList &captions, bool byCaption, int fieldCount)
{
    std::vector<int> mapping;
    for (int i = 0; i < int(targets.size()); ++i) {
        const db::ImportTarget &target = targets[size_t(i)];
        if (!CanImportInto(target) || target.identity)
            mapping.push_back(-1);
        else if (byCaption)
            mapping.push_back(FieldNamed(captions, target.column.name));
        else
            mapping.push_back(i < fieldCount ? i : -1);
    }
    return mapping;
}

db::ParsedCell ConvertField(const db::ImportTarget &target, const QString &field, bool quoted,
                            const ImportOptions &options)
{
    const db::Column &column = target.column;
    const bool text = IsTextColumn(column);
    const bool null = (field.isEmpty() && (options.emptyIsNull || !text) && !(quoted && text))
                      || (!quoted && !options.nullText.isEmpty() && field == options.nullText);
    if (null) {
        if (!column.nullable)
            return {false, true, {}, QStringLiteral("%1 may not be empty (NULL)").arg(column.name)};
        return {true, true, {}, {}};
    }
    return db::ParseCellText(column, field);
}

QString StoredText(const db::Column &column, const db::ParsedCell &cell)
{
    if (cell.null)
        return QStringLiteral("NULL");
    if (!cell.ok)
        return {};
    if (IsTextColumn(column)) {
        if (column.sqlType.charSet == db::CsOctets)
            return QString::fromLatin1(cell.bytes.toHex().toUpper());
        return QString::fromUtf8(cell.bytes);
    }
    return db::CellText(column, cell.bytes);
}

void CheckFieldCount(const Record &record, int expected)
{
    const int fields = int(record.fields.size());
    if (fields == expected)
        return;
    throw ImportFileError(record.line,
                          QStringLiteral("This line has %1 field%2, the first line has %3.")
                              .arg(fields)
                              .arg(fields == 1 ? QString() : QStringLiteral("s"))
                              .arg(expected));
}

RowCount CountOrEstimate(qint64 fileSize, qint64 bytesRead, qint64 recordsRead, bool wholeFile)
{
    if (wholeFile || bytesRead <= 0 || recordsRead <= 0)
        return {recordsRead, false};
    return {qint64(double(fileSize) * double(recordsRead) / double(bytesRead) + 0.5), true};
}

QString RowCountText(const RowCount &count)
{
    const QString rows = count.rows == 1 ? QStringLiteral("1 row")
                                         : QStringLiteral("%L1 rows").arg(count.rows);
    return count.estimated ? QStringLiteral("about ") + rows : rows;
}

QString ImportProgressText(qint64 rows, const RowCount &total)
{
    return QStringLiteral("%L1 of %2%L3 rows imported")
        .arg(rows)
        .arg(total.estimated ? QStringLiteral("about ") : QString())
        .arg(std::max(rows, total.rows));
}

QString RefusedLineText(const RefusedLine &refused)
{
    if (refused.column.isEmpty())
        return QStringLiteral("Line %1: %2").arg(refused.line).arg(refused.reason);
    return QStringLiteral("Line %1, column %2: %3").arg(refused.line).arg(refused.column,
                                                                           refused.reason);
}

QString RefusedReportPath(const QString &inputPath)
{
    const QFileInfo input(inputPath);
    return input.dir().filePath(input.completeBaseName() + QStringLiteral(".refused.txt"));
}

QString RefusedReportText(const QString &inputPath, const std::vector<RefusedLine> &lines)
{
    QString text = QStringLiteral("Lines of %1 that were not imported\r\nLine\tColumn\tReason\r\n")
                       .arg(QFileInfo(inputPath).fileName());
    for (const RefusedLine &refused : lines) {
        QString reason = refused.reason;
        reason.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ');
        text += QStringLiteral("%1\t%2\t%3\r\n").arg(refused.line).arg(refused.column, reason);
    }
    return text;
}

} // namespace exports

namespace exports {

RowCount ImportPreview::rowCount(bool captions) const
{
    const qint64 dataRecords = std::max<qint64>(0, recordCount - (captions ? 1 : 0));
    if (wholeFile)
        return {dataRecords, false};
    RowCount count = CountOrEstimate(fileSize, bytesRead, recordCount, false);
    count.rows = std::max<qint64>(dataRecords, count.rows - (captions ? 1 : 0));
    return count;
}

ImportPreview ReadPreview(const QString &path, const TextEncoding &encoding,
                          const TextLayout &layout, int rows, qint64 countWholeBytes)
{
    ImportPreview preview;
    try {
        DelimitedFileReader reader(path, encoding, layout);
        preview.fileSize = reader.size();
        const bool whole = reader.size() <= countWholeBytes;
        qint64 firstChunk = -1;
        Record record;
        while (reader.next(record)) {
            // A large file is counted over its first chunk only: the records
            // read before the reader needs more bytes.
            if (firstChunk < 0)
                firstChunk = reader.bytesRead();
            if (!whole && reader.bytesRead() != firstChunk
                && int(preview.records.size()) > rows)
                break;
            ++preview.recordCount;
            preview.bytesRead = reader.bytesRead();
            if (!preview.records.empty())
                CheckFieldCount(record, int(preview.records.front().fields.size()));
            if (int(preview.records.size()) <= rows)
                preview.records.push_back(record);
        }
        preview.wholeFile = whole || preview.recordCount == 0
                            || reader.bytesRead() >= reader.size();
    } catch (const ImportFileError &error) {
        preview.problem = error.text();
    }
    return preview;
}

} // namespace exports
