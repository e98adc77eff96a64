#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace db {

// A failed database call: the server's full message text, its GDS codes
// and the text arguments of its status vector.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message, std::vector<long> codes = {},
                     QStringList arguments = {});

    QString message() const { return m_message; }
    const std::vector<long> &codes() const { return m_codes; }
    bool hasCode(long code) const;
    // The texts the server put into its message, in order (names of
    // constraints, tables and columns, the offending key value).
    const QStringList &arguments() const { return m_arguments; }

    // Another transaction holds the row (update conflict, deadlock, lock timeout).
    bool isLockConflict() const;
    // The attachment is gone (network error, server shut down).
    bool isConnectionLost() const;

private:
    QString m_message;
    std::vector<long> m_codes;
    QStringList m_arguments;
};

} // namespace db
