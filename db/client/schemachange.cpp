#include "db/client/schemachange.h"

#include "db/client/fbapi.h"

#include <ibase.h>

namespace db {

SchemaChange::SchemaChange(const QString &connectionString)
{
    open(connectionString);
}

void SchemaChange::open(const QString &connectionString)
{
    m_connectionString = connectionString;
    m_attachment.reset();
    m_attachment.emplace(Attachment::open(connectionString));
}

void SchemaChange::execute(const QString &sql)
{
    if (!m_attachment && !m_connectionString.isEmpty())
        open(m_connectionString);
    if (!m_attachment)
        throw DbError(QStringLiteral("There is no connection to the database."));
    ObserveStatement(sql);
    try {
        Transaction tx = m_attachment->begin(TxMode::Schema);
        fb::Status status;
        m_attachment->handle()->execute(status.get(), tx.handle(), 0, sql.toUtf8().constData(),
                                        SQL_DIALECT_V6, nullptr, nullptr, nullptr, nullptr);
        status.check();
        // A schema change is carried out at commit: that is where it may wait
        // for a lock, and where the server refuses what it cannot do.
        tx.commit();
    } catch (const DbError &error) {
        if (error.isConnectionLost())
            m_attachment.reset();
        throw;
    }
}

} // namespace db
