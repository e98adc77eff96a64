#pragma once

// Access to the Firebird client library, for the db layer's own sources only.

#include "db/client/dberror.h"

#include <firebird/Interface.h>

namespace db::fb {

// The client's master interface. The first call prepares the environment
// (a per-user lock folder for the embedded engine) before the engine loads.
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
