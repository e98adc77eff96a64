#include "db/client/connection.h"

#include "db/client/fbapi.h"
#include "db/sql/charsets.h"

#include <ibase.h>

#include <atomic>
#include <cstring>

using namespace Firebird;

namespace db {

namespace {

// Bytes per character of a charset, to turn a byte length into characters.
unsigned bytesPerChar(unsigned charSet)
{
    switch (charSet) {
    case 3: return 3;                 // UNICODE_FSS
    case CsUtf8: case 69: return 4;   // UTF8, GB18030
    case 5: case 6: case 44: case 56: case 57: case 67: case 68: return 2;
    default: return 1;
    }
}

bool isText(unsigned type)
{
    return type == SQL_TEXT || type == SQL_VARYING;
}

QString stripTerminator(QString sql)
{
    sql = sql.trimmed();
    if (sql.endsWith(QLatin1Char(';')))
        sql.chop(1);
    return sql;
}

// The most characters a UTF8 field of a message can hold: 32,765 bytes,
// counted by the engine as four per character.
constexpr unsigned WidestUtf8Chars = 32765 / 4;

// Text other than NONE/OCTETS arrives as UTF8 VARCHAR; CHAR becomes VARCHAR
// so a short value does not carry its padding to the full byte width. Text
// wider than a UTF8 field holds stays in its own character set, which
// cellcodec converts.
void coerce(IMetadataBuilder *builder, IMessageMetadata *meta, unsigned i)
{
    fb::Status status;
    const unsigned type = meta->getType(status.get(), i);
    const unsigned charSet = meta->getCharSet(status.get(), i);
    if (!isText(type) || charSet == CsOctets)
        return;
    const unsigned length = meta->getLength(status.get(), i);
    builder->setType(status.get(), i, SQL_VARYING);
    const unsigned chars = length / bytesPerChar(charSet);
    if (charSet != CsNone && charSet != CsUtf8
        && (chars <= WidestUtf8Chars || !ConvertsCharSet(charSet))) {
        builder->setCharSet(status.get(), i, CsUtf8);
        builder->setLength(status.get(), i, std::min(32765u, std::max(1u, chars * 4)));
    } else {
        builder->setLength(status.get(), i, length);
    }
    status.check();
}

Column describe(IMessageMetadata *coerced, IMessageMetadata *original, unsigned i)
{
    fb::Status status;
    Column c;
    c.name = QString::fromUtf8(coerced->getAlias(status.get(), i));
    c.relation = QString::fromUtf8(coerced->getRelation(status.get(), i));
    c.field = QString::fromUtf8(coerced->getField(status.get(), i));
    c.sqlType.type = coerced->getType(status.get(), i);
    c.sqlType.subType = coerced->getSubType(status.get(), i);
    c.sqlType.scale = coerced->getScale(status.get(), i);
    c.sqlType.length = coerced->getLength(status.get(), i);
    c.sqlType.charSet = coerced->getCharSet(status.get(), i);
    c.sourceCharSet = original->getCharSet(status.get(), i);
    if (isText(c.sqlType.type))
        c.charLength = original->getLength(status.get(), i) / bytesPerChar(c.sourceCharSet);
    c.nullable = original->isNullable(status.get(), i);
    c.offset = coerced->getOffset(status.get(), i);
    c.nullOffset = coerced->getNullOffset(status.get(), i);
    status.check();
    return c;
}

struct InputMessage
{
    fb::Ref<IMessageMetadata> meta;
    std::vector<unsigned char> buffer;
};

void setParamType(IMetadataBuilder *builder, unsigned i, const Param &p)
{
    fb::Status status;
    builder->setType(status.get(), i, p.type.type);
    builder->setSubType(status.get(), i, p.type.subType);
    builder->setScale(status.get(), i, p.type.scale);
    builder->setCharSet(status.get(), i, p.type.charSet);
    unsigned length = p.type.length;
    if (p.type.type == SQL_VARYING || p.type.type == SQL_TEXT)
        length = std::max<unsigned>(1, unsigned(p.data.size()));
    if (length)
        builder->setLength(status.get(), i, length);
    status.check();
}

void putParam(unsigned char *buffer, IMessageMetadata *meta, unsigned i, const Param &p)
{
    fb::Status status;
    const unsigned offset = meta->getOffset(status.get(), i);
    const unsigned nullOffset = meta->getNullOffset(status.get(), i);
    const unsigned length = meta->getLength(status.get(), i);
    status.check();
    *reinterpret_cast<short *>(buffer + nullOffset) = p.null ? -1 : 0;
    if (p.null)
        return;
    unsigned char *out = buffer + offset;
    if (p.type.type == SQL_VARYING) {
        const auto size = static_cast<unsigned short>(p.data.size());
        std::memcpy(out, &size, sizeof size);
        std::memcpy(out + sizeof size, p.data.constData(), size);
    } else {
        std::memcpy(out, p.data.constData(), std::min<size_t>(length, p.data.size()));
    }
}

InputMessage buildInput(const std::vector<Param> &params)
{
    InputMessage input;
    if (params.empty())
        return input;
    fb::Status status;
    fb::Ref<IMetadataBuilder> builder(fb::master()->getMetadataBuilder(status.get(), params.size()));
    status.check();
    for (unsigned i = 0; i < params.size(); ++i)
        setParamType(builder.get(), i, params[i]);
    input.meta.reset(builder->getMetadata(status.get()));
    status.check();
    input.buffer.assign(input.meta->getMessageLength(status.get()), 0);
    status.check();
    for (unsigned i = 0; i < params.size(); ++i)
        putParam(input.buffer.data(), input.meta.get(), i, params[i]);
    return input;
}

} // namespace

namespace {
std::atomic<StatementObserver> observer{nullptr};
} // namespace

void SetStatementObserver(StatementObserver newObserver)
{
    observer.store(newObserver);
}

void ObserveStatement(const QString &sql)
{
    if (const StatementObserver observe = observer.load(std::memory_order_relaxed))
        observe(sql);
}

Statement::Statement(Transaction &tx, const QString &sql)
{
    ObserveStatement(sql);
    fb::Status status;
    m_handle = tx.attachmentHandle()->prepare(
        status.get(), tx.handle(), 0, stripTerminator(sql).toUtf8().constData(), SQL_DIALECT_V6,
        IStatement::PREPARE_PREFETCH_METADATA);
    status.check();
    fb::Ref<IMessageMetadata> input(m_handle->getInputMetadata(status.get()));
    status.check();
    m_inputCount = input->getCount(status.get());
    describeOutput();
}

void Statement::describeOutput()
{
    fb::Status status;
    fb::Ref<IMessageMetadata> original(m_handle->getOutputMetadata(status.get()));
    status.check();
    const unsigned count = original->getCount(status.get());
    if (count == 0)
        return;
    fb::Ref<IMetadataBuilder> builder(original->getBuilder(status.get()));
    status.check();
    for (unsigned i = 0; i < count; ++i)
        coerce(builder.get(), original.get(), i);
    m_outMeta = builder->getMetadata(status.get());
    status.check();
    m_outputLength = m_outMeta->getMessageLength(status.get());
    for (unsigned i = 0; i < count; ++i)
        m_columns.push_back(describe(m_outMeta, original.get(), i));
}

Statement::Statement(Statement &&other) noexcept
    : m_handle(other.m_handle)
    , m_inputCount(other.m_inputCount)
    , m_outMeta(other.m_outMeta)
    , m_columns(std::move(other.m_columns))
    , m_outputLength(other.m_outputLength)
    , m_row(std::move(other.m_row))
{
    other.m_handle = nullptr;
    other.m_outMeta = nullptr;
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    // The old statement goes to other and is freed with it.
    std::swap(m_handle, other.m_handle);
    std::swap(m_inputCount, other.m_inputCount);
    std::swap(m_outMeta, other.m_outMeta);
    std::swap(m_columns, other.m_columns);
    std::swap(m_outputLength, other.m_outputLength);
    std::swap(m_row, other.m_row);
    return *this;
}

Statement::~Statement()
{
    if (m_outMeta)
        m_outMeta->release();
    if (m_handle) {
        fb::Status status;
        m_handle->free(status.get());
        if (status.failed())
            m_handle->release();
    }
}

unsigned Statement::execute(Transaction &tx, const std::vector<Param> &params)
{
    if (params.size() != m_inputCount)
        throw DbError(QStringLiteral("The statement takes %1 parameters, %2 were given")
                          .arg(m_inputCount).arg(params.size()));
    InputMessage input = buildInput(params);
    m_row.assign(m_outputLength, 0);
    fb::Status status;
    m_handle->execute(status.get(), tx.handle(), input.meta.get(),
                      input.buffer.empty() ? nullptr : input.buffer.data(),
                      m_outMeta, m_row.empty() ? nullptr : m_row.data());
    status.check();
    const auto affected = m_handle->getAffectedRecords(status.get());
    status.check();
    return unsigned(affected);
}

const unsigned char *Statement::row() const
{
    return m_row.empty() ? nullptr : m_row.data();
}

Cursor Statement::openCursor(Transaction &tx, const std::vector<Param> &params)
{
    if (params.size() != m_inputCount)
        throw DbError(QStringLiteral("The statement takes %1 parameters, %2 were given")
                          .arg(m_inputCount).arg(params.size()));
    InputMessage input = buildInput(params);
    fb::Status status;
    IResultSet *rs = m_handle->openCursor(status.get(), tx.handle(), input.meta.get(),
                                          input.buffer.empty() ? nullptr : input.buffer.data(),
                                          m_outMeta, 0);
    status.check();
    return Cursor(rs, m_outputLength);
}

Cursor::Cursor(IResultSet *handle, unsigned length)
    : m_handle(handle)
    , m_buffer(length)
{
}

Cursor::Cursor(Cursor &&other) noexcept
    : m_handle(other.m_handle)
    , m_buffer(std::move(other.m_buffer))
{
    other.m_handle = nullptr;
}

Cursor &Cursor::operator=(Cursor &&other) noexcept
{
    if (this != &other) {
        close();
        m_handle = other.m_handle;
        m_buffer = std::move(other.m_buffer);
        other.m_handle = nullptr;
    }
    return *this;
}

Cursor::~Cursor()
{
    close();
}

const unsigned char *Cursor::fetch()
{
    if (!m_handle)
        return nullptr;
    fb::Status status;
    const int result = m_handle->fetchNext(status.get(), m_buffer.data());
    status.check();
    return result == IStatus::RESULT_OK ? m_buffer.data() : nullptr;
}

void Cursor::close()
{
    if (!m_handle)
        return;
    fb::Status status;
    m_handle->close(status.get());
    if (status.failed())
        m_handle->release();
    m_handle = nullptr;
}

bool isNull(const Column &column, const unsigned char *message)
{
    return *reinterpret_cast<const short *>(message + column.nullOffset) != 0;
}

QByteArray valueBytes(const Column &column, const unsigned char *message)
{
    const auto *data = reinterpret_cast<const char *>(message + column.offset);
    if (column.sqlType.type == SQL_VARYING) {
        unsigned short length = 0;
        std::memcpy(&length, data, sizeof length);
        return QByteArray(data + sizeof length, length);
    }
    return QByteArray(data, column.sqlType.length);
}

} // namespace db
