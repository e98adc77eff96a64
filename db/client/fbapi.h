#pragma once

// Access to the Firebird client library, for the db layer's own sources only.

#include "db/client/dberror.h"

#include <firebird/Interface.h>
#include <ibase.h>

#include <QString>

namespace db::fb {

// The entry points of the client library chosen at start (clientlibrary.cpp).
struct ClientApi
{
    Firebird::IMaster *master = nullptr;
    decltype(&::fb_interpret) interpret = nullptr;
    decltype(&::isc_get_client_version) clientVersion = nullptr;
    QString library;
    // When a private root adds the Firebird 3 engine: the providers a new
    // database is created with, so that it gets the newest structure.
    QString createProviders;
};
// Loads the client on the first call, after preparing the environment (a
// per-user lock folder for the embedded engine, the root it reads). Throws
// DbError when no client library can be loaded.
const ClientApi &Client();

// The client's master interface.
Firebird::IMaster *master();
Firebird::IUtil *util();

// A status vector for one call; check() throws its error as DbError.
class Status
{
public:
    Status();
    ~Status();
    Status(const Status &) = delete;
    Status &operator=(const Status &) = delete;

    Firebird::CheckStatusWrapper *get() { return &m_wrapper; }
    bool failed() const;
    DbError error() const;
    void check() const;
    void clear() { m_wrapper.init(); }

private:
    Firebird::IStatus *m_status;
    Firebird::CheckStatusWrapper m_wrapper;
};

// Releases a reference-counted interface when it goes out of scope.
template<class T>
class Ref
{
public:
    Ref() = default;
    explicit Ref(T *p) : m_p(p) {}
    Ref(Ref &&o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    Ref &operator=(Ref &&o) noexcept { reset(o.m_p); o.m_p = nullptr; return *this; }
    ~Ref() { reset(); }
    void reset(T *p = nullptr) { if (m_p) m_p->release(); m_p = p; }
    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    T *take() { T *p = m_p; m_p = nullptr; return p; }

private:
    T *m_p = nullptr;
};

// True when name is "host:path", "host/port:path" or a protocol URL.
bool IsRemoteDatabaseName(const QString &name);

// Rewrites an error of an embedded open when the engine plugin is missing,
// where the client would only say it could not reach "localhost".
DbError ExplainOpenFailure(const DbError &error, const QString &database);
DbError ExplainOpenFailure(const DbError &error, const QString &database,
                           const QString &pluginFolder);
QString PluginFolder();

} // namespace db::fb
