#include "tests/support/tempdatabase.h"

#include "db/client/connectionstring.h"

namespace testsupport {

TempDatabase::TempDatabase(const QString &charset)
    : m_path(m_dir.filePath(QStringLiteral("test.fdb")))
{
    m_attachment = std::make_unique<db::Attachment>(
        db::Attachment::create(m_path, User, Password, charset));
}

TempDatabase::~TempDatabase() = default;

QString TempDatabase::connectionString() const
{
    return db::ConnectionString({m_path, QString::fromLatin1(User), QString::fromLatin1(Password)});
}

db::Attachment TempDatabase::attach() const
{
    return db::Attachment::open(connectionString());
}

void TempDatabase::exec(const QString &sql)
{
    if (!m_attachment)
        m_attachment = std::make_unique<db::Attachment>(attach());
    m_attachment->executeImmediate(sql);
}

void TempDatabase::exec(const QStringList &statements)
{
    for (const QString &sql : statements)
        exec(sql);
}

void TempDatabase::release()
{
    m_attachment.reset();
}

} // namespace testsupport
