#pragma once

#include <QString>

#include <stdexcept>
#include <vector>

namespace db {

// A failed database call: the server's full message text and its GDS codes.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message, std::vector<long> codes = {});

    QString message() const { return m_message; }
    const std::vector<long> &codes() const { return m_codes; }
    bool hasCode(long code) const;

    // Another transaction holds the row (update conflict, deadlock, lock timeout).
    bool isLockConflict() const;
    // The attachment is gone (network error, server shut down).
    bool isConnectionLost() const;

private:
    QString m_message;
    std::vector<long> m_codes;
};

} // namespace db
