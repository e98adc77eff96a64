#pragma once

#include <QString>

#include <vector>

// Which Firebird client library the program loads, and what it can open.
// The library is chosen and loaded at run time (never linked), so that a
// newer Firebird installed beside the distribution's is used without the
// user's LD_LIBRARY_PATH. Nothing outside db/client knows which one it is.
namespace db {

// Where a client library is looked for, in this order: the installation
// root named by $FIREBIRD (as Firebird's own tools read it), the root that
// the Firebird project's packages install to, then the system's client.
struct ClientSearch
{
    QString firebirdRoot;    // $FIREBIRD; empty when unset
    QString optRoot;         // /opt/firebird
    QString systemRoot;      // the distribution's root (its lib/ and plugins/)
};
ClientSearch DefaultClientSearch();

struct ClientChoice
{
    QString library;         // the file to load; empty when none was found
    QString root;            // the installation it belongs to
    bool fromEnvironment = false; // the root came from $FIREBIRD
};
// The first root of search that holds lib/libfbclient.so.2 (or .so).
ClientChoice ChooseClient(const ClientSearch &search);

// Tests: searches here instead of DefaultClientSearch(). Only before the
// first database call of the process.
void SetClientSearch(const ClientSearch &search);

// An engine the loaded client can open files with.
struct EngineInfo
{
    QString version;         // "5.0.4"; empty when it cannot be told
    int odsMajor = 0;        // 12, 13
    int odsMinor = 0;        // highest minor it writes: 13.1 for Firebird 5
};

struct ClientInfo
{
    QString library;         // the loaded file
    QString version;         // "5.0.4"
    std::vector<EngineInfo> engines;  // newest first
};

// Loads the client if it is not loaded yet. Throws DbError when no client
// library can be found or loaded.
ClientInfo LoadedClient();

// "Firebird client 5.0.4; engines: Firebird 5.0.4 (ODS 13.1), Firebird
// 3.0.11 (ODS 12.0)", for --version and the Help text.
QString ClientInfoText(const ClientInfo &info);
// The same, or why no client could be loaded; never throws.
QString ClientSummary();

// The engine library's version as its build string says ("3.0.11"), read
// from the file; empty when it holds none.
QString LibraryVersion(const QString &file);
// The on-disk structure an engine of that Firebird version writes, as
// {major, minor}; {0, 0} when unknown.
std::pair<int, int> OdsOfVersion(const QString &version);

} // namespace db
