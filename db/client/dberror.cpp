#include "db/client/dberror.h"

#include <ibase.h>

#include <algorithm>

namespace db {

DbError::DbError(const QString &message, std::vector<long> codes, QStringList arguments)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_codes(std::move(codes))
    , m_arguments(std::move(arguments))
{
}

bool DbError::hasCode(long code) const
{
    return std::find(m_codes.begin(), m_codes.end(), code) != m_codes.end();
}

bool DbError::isLockConflict() const
{
    return hasCode(isc_update_conflict) || hasCode(isc_deadlock)
        || hasCode(isc_lock_conflict) || hasCode(isc_lock_timeout);
}

bool DbError::isConnectionLost() const
{
    return hasCode(isc_network_error) || hasCode(isc_net_read_err)
        || hasCode(isc_net_write_err) || hasCode(isc_shutdown)
        || hasCode(isc_att_shutdown) || hasCode(isc_conn_lost)
        || hasCode(isc_lost_db_connection) || hasCode(isc_net_server_shutdown);
}

} // namespace db
