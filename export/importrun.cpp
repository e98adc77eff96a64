#include "export/importrun.h"

#include "export/atomicfile.h"

#include <algorithm>
#include <optional>

namespace exports {

namespace {

QString Unquoted(QString text)
{
    if (const qsizetype dot = text.lastIndexOf(QStringLiteral("\".\"")); dot >= 0)
        text = text.mid(dot + 2);
    return text.remove(u'"').trimmed();
}

// A line of the file that could not be written, and why.
struct Refusal
{
    QString column;
    QString reason;
};

// The rows of the file into the table, line by line.
class ImportWorker
{
public:
    ImportWorker(const ImportRequest &request, ImportControl &control)
        : m_request(request), m_options(request.options), m_control(control)
    {
    }

    ImportOutcome run();

private:
    void chooseColumns();
    QStringList matchingKey() const;
    std::optional<Refusal> importRecord(const Record &record);
    std::optional<Refusal> convert(const Record &record);
    Refusal serverRefusal(const db::DbError &error, const Record &record) const;
    void writeReport();
    ImportOutcome failed(const QString &text);

    const ImportRequest &m_request;
    const ImportOptions &m_options;
    ImportControl &m_control;
    std::vector<int> m_targets;          // indexes of the columns written
    std::vector<db::Column> m_columns;   // their columns
    std::vector<db::ParsedCell> m_values;
    std::unique_ptr<db::RowImporter> m_importer;
    ImportOutcome m_outcome;
    int m_fieldCount = -1;
};

void ImportWorker::chooseColumns()
{
    for (size_t i = 0; i < m_request.targets.size() && i < m_options.mapping.size(); ++i) {
        if (m_options.mapping[i] >= 0 && CanImportInto(m_request.targets[i])) {
            m_targets.push_back(int(i));
            m_columns.push_back(m_request.targets[i].column);
        }
    }
    m_values.resize(m_columns.size());
    if (m_columns.empty())
        throw ImportFileError(1, QStringLiteral("No column takes a field of the file. Choose "
                                                "a field for at least one column."));
}

QStringList ImportWorker::matchingKey() const
{
    if (!m_options.updateSameKey)
        return {};
    QStringList key;
    for (size_t i = 0; i < m_request.targets.size(); ++i) {
        const db::ImportTarget &target = m_request.targets[i];
        if (!target.inKey)
            continue;
        if (i >= m_options.mapping.size() || m_options.mapping[i] < 0)
            throw ImportFileError(1, QStringLiteral("Rows with the same key can only be updated "
                                                    "when every key column takes a field; %1 "
                                                    "takes none.")
                                         .arg(target.column.name));
        key << target.column.field;
    }
    if (key.isEmpty())
        throw ImportFileError(1, QStringLiteral("The table has no primary key, so rows with "
                                                "the same key cannot be updated."));
    return key;
}

std::optional<Refusal> ImportWorker::convert(const Record &record)
{
    for (size_t k = 0; k < m_targets.size(); ++k) {
        const int target = m_targets[k];
        const int index = m_options.mapping[size_t(target)];
        m_values[k] = ConvertField(m_request.targets[size_t(target)], record.fields[index],
                                   record.isQuoted(index), m_options);
        if (!m_values[k].ok)
            return Refusal{m_columns[k].name, m_values[k].error};
    }
    return std::nullopt;
}

Refusal ImportWorker::serverRefusal(const db::DbError &error, const Record &record) const
{
    std::vector<db::RefusedCell> typed;
    for (size_t k = 0; k < m_targets.size(); ++k) {
        const db::Column &column = m_columns[k];
        typed.push_back({column.name, column.sourceCharSet, column.charLength,
                         record.fields[m_options.mapping[size_t(m_targets[k])]]});
    }
    const QString reason = m_request.wording ? m_request.wording(error, typed) : error.message();
    return {RefusedColumnName(error, m_columns), reason};
}

std::optional<Refusal> ImportWorker::importRecord(const Record &record)
{
    try {
        CheckFieldCount(record, m_fieldCount);
    } catch (const ImportFileError &error) {
        if (!m_options.skipRefused)
            throw;
        return Refusal{{}, error.reason()};
    }
    if (std::optional<Refusal> refusal = convert(record))
        return refusal;
    try {
        m_importer->write(m_values);
    } catch (const db::DbError &error) {
        if (error.isConnectionLost())
            throw;
        return serverRefusal(error, record);
    }
    return std::nullopt;
}

void ImportWorker::writeReport()
{
    const QString path = RefusedReportPath(m_request.path);
    AtomicFile file(path);
    file.open();
    WriteAll(file.device(), RefusedReportText(m_request.path, m_outcome.refused).toUtf8());
    file.commit();
    m_outcome.reportPath = path;
}

ImportOutcome ImportWorker::failed(const QString &text)
{
    if (m_importer)
        m_importer->rollback();
    m_outcome.end = ImportOutcome::End::Failed;
    m_outcome.imported = 0;
    m_outcome.reportPath.clear();
    m_outcome.failure = QStringLiteral("Nothing was imported.\r\n\r\n") + text;
    return m_outcome;
}

ImportOutcome ImportWorker::run()
{
    try {
        DelimitedFileReader reader(m_request.path, m_options.encoding, m_options.layout,
                                   m_request.chunkBytes);
        if (m_request.previewedSize >= 0 && reader.size() != m_request.previewedSize)
            throw ImportFileError(1, QStringLiteral("The file changed after its preview "
                                                    "(%L1 bytes then, %L2 now). Look at it "
                                                    "again before importing it.")
                                         .arg(m_request.previewedSize)
                                         .arg(reader.size()));
        chooseColumns();
        m_importer = std::make_unique<db::RowImporter>(
            m_request.connectionString, m_request.table, m_columns, matchingKey());
        Record record;
        while (reader.next(record)) {
            if (m_control.cancelled) {
                m_importer->rollback();
                m_outcome.end = ImportOutcome::End::Cancelled;
                m_outcome.imported = 0;
                return m_outcome;
            }
            if (m_fieldCount < 0) {
                m_fieldCount = int(record.fields.size());
                if (m_options.captions)
                    continue;
            }
            if (std::optional<Refusal> refusal = importRecord(record)) {
                m_outcome.refused.push_back({record.line, refusal->column, refusal->reason});
                if (!m_options.skipRefused)
                    return failed(RefusedLineText(m_outcome.refused.back()));
            } else {
                ++m_outcome.imported;
            }
            ++m_control.rows;
        }
        if (!m_outcome.refused.empty())
            writeReport();
        m_importer->commit();
        m_outcome.end = ImportOutcome::End::Committed;
        return m_outcome;
    } catch (const ImportFileError &error) {
        return failed(error.text());
    } catch (const db::DbError &error) {
        return failed(error.message());
    } catch (const std::exception &error) {
        return failed(QString::fromStdString(error.what()));
    }
}

} // namespace

QString RefusedColumnName(const db::DbError &error, const std::vector<db::Column> &columns)
{
    for (const QString &argument : error.arguments()) {
        const QString name = Unquoted(argument);
        for (const db::Column &column : columns) {
            if (column.field == name)
                return column.name;
        }
    }
    return {};
}

ImportOutcome RunImport(const ImportRequest &request, ImportControl &control)
{
    ImportWorker worker(request, control);
    return worker.run();
}

namespace {

class ImportJob : public db::Job
{
public:
    ImportJob(const ImportRequest &request, const RowCount &total)
        : m_request(request), m_total(total)
    {
        // What a job cancelled before its work began comes to.
        m_outcome.end = ImportOutcome::End::Cancelled;
    }

    void work() override { m_outcome = RunImport(m_request, m_control); }
    QString progressText() const override { return ImportProgressText(m_control.rows, m_total); }
    int progressPermille() const override
    {
        return m_total.rows > 0 ? int(std::min<qint64>(999, m_control.rows * 1000 / m_total.rows))
                                : -1;
    }
    const ImportOutcome &outcome() const { return m_outcome; }

protected:
    void interrupt() override { m_control.cancelled = true; }

private:
    const ImportRequest &m_request;
    RowCount m_total;
    ImportControl m_control;
    ImportOutcome m_outcome;
};

} // namespace

ImportOutcome RunImport(db::JobRunner &jobs, const ImportRequest &request, const RowCount &total)
{
    ImportJob job(request, total);
    jobs.run(job);
    return job.outcome();
}

} // namespace exports
