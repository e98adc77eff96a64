#pragma once

#include <QString>
#include <QStringList>

namespace db {

// True when an attachment with this connection string can be opened; every
// failure gives false, silently. The attachment is released at once.
bool CanConnect(const QString &connectionString);

// Like CanConnect, but a failure throws DbError carrying the server's reason.
void TestConnection(const QString &connectionString);

// Names of the tables and views the user may edit, in catalogue order: every
// relation whose name does not have '$' as its fourth character.
QStringList UserTableNames(const QString &connectionString);

// The catalogue filter alone: false when character 4 of name is '$'.
bool IsUserTableName(const QString &name);

} // namespace db
