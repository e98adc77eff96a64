#include "db/client/firebird.h"

#include "db/client/connection.h"
#include "db/sql/sqltext.h"

namespace db {

bool CanConnect(const QString &connectionString)
{
    try {
        Attachment::open(connectionString);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

void TestConnection(const QString &connectionString)
{
    Attachment::open(connectionString);
}

bool IsUserTableName(const QString &name)
{
    return name.size() < 4 || name.at(3) != QLatin1Char('$');
}

QStringList UserTableNames(const QString &connectionString)
{
    Attachment attachment = Attachment::open(connectionString);
    Transaction tx = attachment.begin(TxMode::Browse);
    Statement statement(tx, sql::RelationNamesQuery());
    Cursor cursor = statement.openCursor(tx);
    const Column &column = statement.columns().at(0);
    QStringList names;
    while (const unsigned char *row = cursor.fetch()) {
        const QString name = QString::fromUtf8(valueBytes(column, row));
        if (IsUserTableName(name))
            names << name;
    }
    return names;
}

} // namespace db
