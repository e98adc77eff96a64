#include "db/grid/tablecursor.h"

#include "db/sql/cellcodec.h"
#include "db/client/fbapi.h"
#include "db/grid/rowstore.h"
#include "db/grid/tableschema.h"

#include <ibase.h>

namespace db {

TableCursor::TableCursor(const QString &connectionString, const sql::TableRead &read)
    : m_connectionString(connectionString), m_read(read)
{
}

TableCursor::~TableCursor()
{
    std::lock_guard lock(m_cancelMutex);
    m_cursor.reset();
    m_statement.reset();
    m_transaction.reset();
    m_attachment.reset();
}

void TableCursor::open()
{
    auto attachment = std::make_unique<Attachment>(Attachment::open(m_connectionString));
    {
        std::lock_guard lock(m_cancelMutex);
        m_attachment = std::move(attachment);
    }
    if (m_cancelled)
        throw DbError(QStringLiteral("The export was cancelled."));
    m_transaction = std::make_unique<Transaction>(m_attachment->begin(TxMode::Browse));
    m_statement = std::make_unique<Statement>(*m_transaction, sql::SelectRows(m_read));
    m_columns = m_statement->columns();
    if (m_attachment->sendsNewTypesAsText())
        MarkTextBound(LoadTableSchema(*m_transaction, m_read.table), m_columns);
    if (m_read.withDbKey && !m_columns.empty())
        m_columns.pop_back();
    m_cursor = std::make_unique<Cursor>(
        m_statement->openCursor(*m_transaction, sql::ReadParams(m_read)));
}

QStringList TableCursor::captions() const
{
    QStringList names;
    for (const Column &column : m_columns)
        names << column.name;
    return names;
}

bool TableCursor::next(Row &row)
{
    if (m_cancelled)
        throw DbError(QStringLiteral("The export was cancelled."));
    const unsigned char *message = m_cursor->fetch();
    if (!message)
        return false;
    const std::size_t count = m_columns.size();
    row.texts.resize(count);
    row.nulls.resize(count);
    row.cells.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Column &column = m_columns[i];
        const Cell &cell = row.cells[i] = MessageCell(column, message);
        row.nulls[i] = cell.null;
        row.texts[i] = cell.null ? QString() : cellText(column, cell);
    }
    return true;
}

QString TableCursor::cellText(const Column &column, const Cell &cell)
{
    if (column.sqlType.type != SQL_BLOB)
        return CellText(column, cell.bytes);
    const QByteArray id = cell.bytes.toByteArray();
    if (!IsEditableType(column))
        return BlobSizeText(blobLength(*m_transaction, id));
    const unsigned decodeAs = column.sqlType.charSet == CsNone ? CsNone : CsUtf8;
    return DecodeText(decodeAs, readBlob(*m_transaction, id, column.sqlType.charSet));
}

void TableCursor::cancel()
{
    m_cancelled = true;
    std::lock_guard lock(m_cancelMutex);
    if (m_attachment && m_attachment->isOpen()) {
        fb::Status status;
        m_attachment->handle()->cancelOperation(status.get(), fb_cancel_raise);
    }
}

} // namespace db
