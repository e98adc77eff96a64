#include "db/grid/rowimport.h"

#include "db/client/fbapi.h"
#include "db/grid/tableschema.h"
#include "db/sql/sqltext.h"

#include <ibase.h>

#include <cstring>

using namespace Firebird;

namespace db {

namespace {

bool IsTextType(unsigned type)
{
    return type == SQL_VARYING || type == SQL_TEXT;
}

// How a column's value travels in the import's message: text as the grid
// reads it (VARCHAR, UTF-8 or raw bytes), a BLOB as the id of a blob
// written first, every other type in its native form.
SqlType MessageType(const Column &column)
{
    SqlType type = column.sqlType;
    if (type.type == SQL_BLOB) {
        type.length = sizeof(ISC_QUAD);
        if (type.charSet != CsNone && type.charSet != CsOctets && type.subType == 1)
            type.charSet = CsUtf8;
    } else if (IsTextType(type.type)) {
        type.type = SQL_VARYING;
    }
    return type;
}

} // namespace

std::vector<ImportTarget> LoadImportTargets(const QString &connectionString,
                                            const QString &table)
{
    Attachment attachment = Attachment::open(connectionString);
    Transaction tx = attachment.begin(TxMode::Browse);
    const TableSchema schema = LoadTableSchema(tx, table);
    Statement select(tx, sql::TableQuery(table));
    std::vector<ImportTarget> targets;
    for (const Column &column : select.columns()) {
        ImportTarget target;
        target.column = column;
        const ColumnTraits traits = schema.traits.value(column.field);
        target.identity = traits.identity;
        target.computed = traits.computed;
        target.inKey = schema.keyColumns.contains(column.field);
        target.charSet = traits.charSet;
        targets.push_back(std::move(target));
    }
    tx.commit();
    return targets;
}

struct RowImporter::Message
{
    fb::Ref<IMessageMetadata> meta;
    std::vector<unsigned char> buffer;
    std::vector<unsigned> offsets;
    std::vector<unsigned> nullOffsets;
    std::vector<unsigned> lengths;
};

RowImporter::RowImporter(const QString &connectionString, const QString &table,
                         const std::vector<Column> &columns, const QStringList &matching)
    : m_attachment(Attachment::open(connectionString)), m_columns(columns),
      m_message(std::make_unique<Message>())
{
    m_transaction = std::make_unique<Transaction>(m_attachment.begin(TxMode::Write));
    QStringList names;
    for (const Column &column : columns)
        names << column.field;
    m_statement = std::make_unique<Statement>(*m_transaction,
                                              sql::ImportRow(table, names, matching));
    fb::Status status;
    fb::Ref<IMetadataBuilder> builder(
        fb::master()->getMetadataBuilder(status.get(), unsigned(columns.size())));
    status.check();
    for (unsigned i = 0; i < columns.size(); ++i) {
        const SqlType type = MessageType(columns[i]);
        builder->setType(status.get(), i, type.type);
        builder->setSubType(status.get(), i, type.subType);
        builder->setScale(status.get(), i, type.scale);
        builder->setCharSet(status.get(), i, type.charSet);
        builder->setLength(status.get(), i, std::max(1u, type.length));
        status.check();
    }
    Message &message = *m_message;
    message.meta.reset(builder->getMetadata(status.get()));
    status.check();
    message.buffer.assign(message.meta->getMessageLength(status.get()), 0);
    for (unsigned i = 0; i < columns.size(); ++i) {
        message.offsets.push_back(message.meta->getOffset(status.get(), i));
        message.nullOffsets.push_back(message.meta->getNullOffset(status.get(), i));
        message.lengths.push_back(message.meta->getLength(status.get(), i));
    }
    status.check();
}

RowImporter::~RowImporter() = default;

void RowImporter::put(unsigned index, const ParsedCell &value)
{
    Message &message = *m_message;
    unsigned char *buffer = message.buffer.data();
    *reinterpret_cast<short *>(buffer + message.nullOffsets[index]) = value.null ? -1 : 0;
    if (value.null)
        return;
    const Column &column = m_columns[index];
    unsigned char *out = buffer + message.offsets[index];
    const unsigned length = message.lengths[index];
    if (column.sqlType.type == SQL_BLOB) {
        const QByteArray id = writeBlob(*m_transaction, value.bytes);
        std::memcpy(out, id.constData(), std::min<size_t>(length, id.size()));
    } else if (IsTextType(column.sqlType.type)) {
        if (value.bytes.size() > qsizetype(length))
            throw DbError(QStringLiteral("%1: the value is longer than the column can hold "
                                         "(%2 bytes, at most %3)")
                              .arg(column.name).arg(value.bytes.size()).arg(length));
        const auto size = static_cast<unsigned short>(value.bytes.size());
        std::memcpy(out, &size, sizeof size);
        std::memcpy(out + sizeof size, value.bytes.constData(), size);
    } else {
        std::memcpy(out, value.bytes.constData(), std::min<size_t>(length, value.bytes.size()));
    }
}

void RowImporter::write(const std::vector<ParsedCell> &values)
{
    for (unsigned i = 0; i < m_columns.size() && i < values.size(); ++i)
        put(i, values[i]);
    fb::Status status;
    m_statement->handle()->execute(status.get(), m_transaction->handle(), m_message->meta.get(),
                                   m_message->buffer.data(), nullptr, nullptr);
    status.check();
}

void RowImporter::commit()
{
    m_transaction->commit();
}

void RowImporter::rollback()
{
    m_transaction->rollback();
}

} // namespace db
