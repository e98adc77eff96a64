#pragma once

#include "db/client/connection.h"

#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// A fresh database file in a temporary folder, removed with the object.
class TempDatabase
{
public:
    static constexpr const char *User = "SYSDBA";
    static constexpr const char *Password = "lockstone";

    explicit TempDatabase(const QString &charset = "UTF8");
    ~TempDatabase();

    QString path() const { return m_path; }
    QString connectionString() const;   // the program's own string, SYSDBA
    db::Attachment attach() const;      // a new attachment through that string

    // Runs each statement in its own committed transaction.
    void exec(const QString &sql);
    void exec(const QStringList &statements);

    // Detaches the setup attachment so the file is free for other openers.
    void release();

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<db::Attachment> m_attachment;
};

} // namespace testsupport
