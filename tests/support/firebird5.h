#pragma once

// Firebird 5.0.4 for the tests that need it: the tree that the build
// extracts from ../shared/firebird, and its isql.

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QString>
#include <QStringList>

namespace testsupport {

// The extracted tree's root; empty when it is not there.
QString Firebird5Root();
// Why the Firebird 5 tests are skipped, in one line.
QString Firebird5Missing();

// Makes this process load that tree's client (before any database call).
void UseFirebird5Client(const QString &root);
// Makes this process load the distribution's Firebird 3 client.
void UseSystemClient();

// The environment for a Firebird tool of root (empty: the distribution's),
// sharing this process's lock folder so that both see who has a file.
QProcessEnvironment FirebirdToolEnvironment(const QString &root);

// Runs isql (root's, or the distribution's isql-fb for an empty root) on
// script; returns what it printed, standard error after standard output.
QString RunIsql(const QString &root, const QString &script);

// A Firebird server of root's on a free loopback port, in a private copy of
// root's configuration and security database; stopped with the object.
class Firebird5Server
{
public:
    static constexpr const char *Password = "gravelin-five";

    explicit Firebird5Server(const QString &root);
    ~Firebird5Server();
    Firebird5Server(const Firebird5Server &) = delete;
    Firebird5Server &operator=(const Firebird5Server &) = delete;

    // Empty when it runs; else why it did not start.
    QString failure() const { return m_failure; }
    int port() const { return m_port; }
    // "localhost/PORT:" + path of a file in the server's own folder.
    QString databaseName(const QString &file) const;

private:
    QString start(const QString &root);

    QTemporaryDir m_dir;
    QProcess m_server;
    int m_port = 0;
    QString m_failure;
};

} // namespace testsupport
