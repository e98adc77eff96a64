#pragma once

#include "db/client/connection.h"

#include <QString>

#include <optional>

namespace db {

// The schema dialogs' own attachment. Each statement runs in a transaction
// of its own that waits at most SchemaLockTimeoutSeconds for a lock and is
// committed at once, so a statement another attachment holds up fails with
// the server's message instead of freezing the window. Detaches when
// destroyed. A lost attachment (the server went away) fails its statement
// with the client's message; the next statement attaches anew.
class SchemaChange
{
public:
    SchemaChange() = default;
    // Attaches at once; throws DbError.
    explicit SchemaChange(const QString &connectionString);

    void open(const QString &connectionString);
    bool isOpen() const { return m_attachment.has_value(); }
    // Runs one statement and commits it; throws DbError (also when not open).
    void execute(const QString &sql);

private:
    QString m_connectionString;
    std::optional<Attachment> m_attachment;
};

} // namespace db
