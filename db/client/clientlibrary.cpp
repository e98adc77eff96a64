#include "db/client/clientlibrary.h"

#include "db/client/fbapi.h"
#include "db/client/firebirdroot.h"
#include "db/client/odsheader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace db {

namespace {

const QString LibraryNames[] = {QStringLiteral("lib/libfbclient.so.2"),
                                QStringLiteral("lib/libfbclient.so")};

std::optional<ClientSearch> &searchOverride()
{
    static std::optional<ClientSearch> search;
    return search;
}

// Without this the embedded engine shares /tmp/firebird with the server
// package, whose owner makes it unusable for ordinary users.
QString runtimeBase()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isWritable())
        base = QDir::tempPath();
    return base;
}

void prepareLockFolder()
{
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QString folder = runtimeBase() + QStringLiteral("/gravelin-firebird-%1").arg(getuid());
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(folder));
}

// The private root of this process, removed when it ends.
struct ComposedRoot
{
    std::unique_ptr<QTemporaryDir> folder;
};

// The root the client is to read: the chosen one, or a private one that
// adds the distribution's Firebird 3 engine to a newer installation that
// lacks it. createProviders is set when the latter.
QString effectiveRoot(const ClientChoice &choice, const ClientSearch &search,
                      ComposedRoot &composed, QString &createProviders)
{
    const QString engine12 = search.systemRoot + QStringLiteral("/plugins/libEngine12.so");
    const QStringList engines = fb::EnginePlugins(choice.root + QStringLiteral("/plugins"));
    if (engines.isEmpty() || engines.contains(QStringLiteral("Engine12"))
        || search.systemRoot.isEmpty() || !QFileInfo::exists(engine12))
        return choice.root;
    composed.folder = std::make_unique<QTemporaryDir>(runtimeBase()
                                                      + QStringLiteral("/gravelin-root-XXXXXX"));
    QString error;
    const QStringList both = QStringList{QStringLiteral("Engine12")} + engines;
    if (!composed.folder->isValid()
        || !fb::ComposeRoot(choice.root, engine12, composed.folder->path(),
                            fb::ProvidersValue(both), &error)) {
        composed.folder.reset();
        return choice.root;   // files of the newer structure still open
    }
    createProviders = fb::ProvidersValue({engines.last()});
    return composed.folder->path();
}

template<class T>
T symbol(void *library, const char *name)
{
    return reinterpret_cast<T>(dlsym(library, name));
}

fb::ClientApi load()
{
    prepareLockFolder();
    const ClientSearch search = searchOverride().value_or(DefaultClientSearch());
    const ClientChoice choice = ChooseClient(search);
    if (choice.library.isEmpty())
        throw DbError(QStringLiteral(
            "No Firebird client library was found: install the package libfbclient2, or "
            "Firebird from the Firebird project's packages into /opt/firebird, or set FIREBIRD "
            "to the folder Firebird is installed in."));
    static ComposedRoot composed;
    fb::ClientApi api;
    qputenv("FIREBIRD", QFile::encodeName(effectiveRoot(choice, search, composed,
                                                        api.createProviders)));
    void *library = dlopen(QFile::encodeName(choice.library).constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!library)
        throw DbError(QStringLiteral("The Firebird client %1 cannot be loaded: %2")
                          .arg(choice.library, QString::fromLocal8Bit(dlerror())));
    api.library = choice.library;
    api.interpret = symbol<decltype(api.interpret)>(library, "fb_interpret");
    api.clientVersion = symbol<decltype(api.clientVersion)>(library, "isc_get_client_version");
    const auto getMaster = symbol<Firebird::IMaster *(*)()>(library, "fb_get_master_interface");
    if (!getMaster || !api.interpret || !api.clientVersion)
        throw DbError(QStringLiteral("%1 is not a Firebird 3 or newer client library.")
                          .arg(choice.library));
    api.master = getMaster();
    return api;
}

// "LI-V6.3.4.1812 Firebird 5.0" -> "5.0.4": the leading number may be the
// old compatibility one; the release follows "Firebird".
QString versionOf(const QString &buildString)
{
    static const QRegularExpression version(
        QStringLiteral("V\\d+\\.\\d+\\.(\\d+)\\.\\d+ Firebird (\\d+\\.\\d+)"));
    const QRegularExpressionMatch match = version.match(buildString);
    return match.hasMatch() ? match.captured(2) + QLatin1Char('.') + match.captured(1) : buildString;
}

} // namespace

ClientSearch DefaultClientSearch()
{
    return {qEnvironmentVariable("FIREBIRD"), QStringLiteral("/opt/firebird"),
            QStringLiteral(GRAVELIN_SYSTEM_FIREBIRD_ROOT)};
}

ClientChoice ChooseClient(const ClientSearch &search)
{
    const QString roots[] = {search.firebirdRoot, search.optRoot, search.systemRoot};
    for (const QString &root : roots) {
        if (root.isEmpty())
            continue;
        for (const QString &name : LibraryNames) {
            const QString library = QDir(root).filePath(name);
            if (QFileInfo(library).isFile())
                return {library, QDir::cleanPath(root), &root == &roots[0]};
        }
    }
    return {};
}

void SetClientSearch(const ClientSearch &search)
{
    searchOverride() = search;
}

QString LibraryVersion(const QString &file)
{
    QFile library(file);
    if (!library.open(QIODevice::ReadOnly))
        return {};
    const uchar *bytes = library.map(0, library.size());
    if (!bytes)
        return {};
    // The build string: "LI-V3.0.11.33637 Firebird 3.0". The first such
    // string may carry the old compatibility number (6.3) instead.
    static const QRegularExpression build(
        QStringLiteral("LI-V((\\d+)\\.(\\d+)\\.\\d+)\\.\\d+ Firebird (\\d+)\\.(\\d+)"));
    const QByteArrayView all(reinterpret_cast<const char *>(bytes), library.size());
    for (qsizetype at = all.indexOf("LI-V"); at >= 0; at = all.indexOf("LI-V", at + 4)) {
        const auto match = build.match(QString::fromLatin1(all.sliced(at, std::min<qsizetype>(40, all.size() - at))));
        if (match.hasMatch() && match.captured(2) == match.captured(4)
            && match.captured(3) == match.captured(5))
            return match.captured(1);
    }
    return {};
}

std::pair<int, int> OdsOfVersion(const QString &version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    switch (parts.value(0).toInt()) {
    case 3: return {12, 0};
    case 4: return {13, 0};
    case 5: return {13, 1};
    case 6: return {14, 0};
    default: return {0, 0};
    }
}

ClientInfo LoadedClient()
{
    const fb::ClientApi &api = fb::Client();
    ClientInfo info;
    info.library = api.library;
    char build[256] = {};
    api.clientVersion(build);
    info.version = versionOf(QString::fromLatin1(build));
    info.engines = fb::EnginesIn(fb::PluginFolder());
    return info;
}

QString ClientInfoText(const ClientInfo &info)
{
    QStringList engines;
    for (const EngineInfo &engine : info.engines)
        engines << QStringLiteral("Firebird %1 (ODS %2.%3)")
                       .arg(engine.version.isEmpty() ? QStringLiteral("?") : engine.version)
                       .arg(engine.odsMajor)
                       .arg(engine.odsMinor);
    return QStringLiteral("Firebird client %1 (%2); engines for files: %3")
        .arg(info.version, info.library,
             engines.isEmpty() ? QStringLiteral("none (files open only through a server)")
                               : engines.join(QStringLiteral(", ")));
}

QString ClientSummary()
{
    try {
        return ClientInfoText(LoadedClient());
    } catch (const DbError &error) {
        return error.message();
    }
}

namespace fb {

const ClientApi &Client()
{
    static std::once_flag once;
    static ClientApi api;
    std::call_once(once, [] { api = load(); });
    return api;
}

} // namespace fb

} // namespace db
