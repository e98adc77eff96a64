#pragma once

#include <QString>

namespace db {

// The three values the user types in the login window.
struct ConnectionProfile
{
    QString database;
    QString user;
    QString password;
};

// What an attach needs, read back out of a connection string.
struct ConnectionParams
{
    QString user;
    QString password;
    QString role;
    QString charset;
    QString database;
};

// The one connection string every opener builds from the profile. Ordinary
// values appear exactly as typed; a value holding ';', quotes or braces is
// quoted so that the string still parses back to the same value.
QString ConnectionString(const ConnectionProfile &profile);

// Reads user, password, role, charset and database back from a connection
// string built by ConnectionString (or typed in the same form).
ConnectionParams ParseConnectionString(const QString &connectionString);

} // namespace db
