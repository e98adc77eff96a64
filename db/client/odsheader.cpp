#include "db/client/odsheader.h"

#include "db/client/firebirdroot.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

namespace db::fb {

namespace {

// The header page: a 16-byte page header (its type first: 1), the page
// size, then the ODS major number with the Firebird flag. The minor number
// sits at 62 up to ODS 11 and at 64 in ODS 12 and 13.
constexpr qsizetype MajorOffset = 18;
constexpr qsizetype OldMinorOffset = 62;
constexpr qsizetype MinorOffset = 64;
constexpr int FirebirdFlag = 0x8000;
constexpr int HeaderPageType = 1;

int u16(QByteArrayView bytes, qsizetype at)
{
    return uchar(bytes[at]) | uchar(bytes[at + 1]) << 8;
}

struct Writer
{
    int major;
    int minor;
    const char *version;
};
constexpr Writer Writers[] = {
    {10, 0, "1.0"}, {10, 1, "1.5"}, {11, 0, "2.0"}, {11, 1, "2.1"}, {11, 2, "2.5"},
    {12, 0, "3.0"}, {13, 0, "4.0"}, {13, 1, "5.0"}, {14, 0, "6.0"},
};

std::pair<int, int> order(const Ods &ods)
{
    return {ods.major, std::max(ods.minor, 0)};
}

QString enginesText(const std::vector<EngineInfo> &engines)
{
    QStringList parts;
    for (const EngineInfo &engine : engines) {
        QString part = QStringLiteral("ODS %1.%2").arg(engine.odsMajor).arg(engine.odsMinor);
        if (!engine.version.isEmpty())
            part += QStringLiteral(" (Firebird %1)").arg(engine.version);
        parts << part;
    }
    return parts.join(QStringLiteral(" and "));
}

bool isNewer(const Ods &ods, const std::vector<EngineInfo> &engines)
{
    return std::all_of(engines.begin(), engines.end(), [&ods](const EngineInfo &engine) {
        return order(ods) > std::pair(engine.odsMajor, engine.odsMinor);
    });
}

} // namespace

QString Ods::text() const
{
    return minor < 0 ? QString::number(major) : QStringLiteral("%1.%2").arg(major).arg(minor);
}

Ods OdsOfHeader(QByteArrayView header)
{
    Ods ods;
    if (header.size() < MinorOffset + 2 || header[0] != HeaderPageType)
        return ods;
    const int version = u16(header, MajorOffset);
    ods.interbase = !(version & FirebirdFlag);
    ods.major = version & ~FirebirdFlag;
    if (ods.major <= 11)
        ods.minor = u16(header, OldMinorOffset);
    else if (ods.major <= 13)
        ods.minor = u16(header, MinorOffset);
    return ods;
}

Ods ReadFileOds(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return OdsOfHeader(file.read(MinorOffset + 2));
}

QString FirebirdOfOds(const Ods &ods)
{
    if (ods.interbase)
        return QStringLiteral("InterBase");
    for (const Writer &writer : Writers) {
        if (writer.major == ods.major && writer.minor == ods.minor)
            return QString::fromLatin1(writer.version);
    }
    const Writer &newest = Writers[std::size(Writers) - 1];
    if (order(ods) > std::pair(newest.major, newest.minor) || ods.major == newest.major)
        return QString::fromLatin1(newest.version) + QStringLiteral(" or newer");
    if (ods.major == 13)
        return QStringLiteral("5.0 or newer");
    return QStringLiteral("1.0 or older");
}

std::vector<EngineInfo> EnginesIn(const QString &pluginFolder)
{
    std::vector<EngineInfo> engines;
    const QStringList names = EnginePlugins(pluginFolder);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        EngineInfo engine;
        engine.version = LibraryVersion(pluginFolder + QStringLiteral("/lib") + *it
                                        + QStringLiteral(".so"));
        std::tie(engine.odsMajor, engine.odsMinor) = OdsOfVersion(engine.version);
        if (engine.odsMajor == 0)
            engine.odsMajor = it->mid(6).toInt();
        engines.push_back(engine);
    }
    return engines;
}

QString WrongOdsSentence(const QString &database, const Ods &ods,
                         const std::vector<EngineInfo> &engines)
{
    const QString writer = FirebirdOfOds(ods);
    const QString firebird = ods.interbase ? writer : QStringLiteral("Firebird ") + writer;
    QString sentence = QStringLiteral("%1 has the on-disk structure (ODS) %2, which %3 writes, "
                                      "and the Firebird engines here open ")
                           .arg(database, ods.text(), firebird)
                       + enginesText(engines) + QStringLiteral(". ");
    if (isNewer(ods, engines))
        return sentence + QStringLiteral(
            "The file is newer than they are: %1 opens it. Install it from the Firebird "
            "project's packages into /opt/firebird, or set FIREBIRD to the folder it is "
            "installed in, and start the program again; or open the file through a %1 server "
            "as host:path.").arg(firebird);
    const QString here = engines.empty() || engines.front().version.isEmpty()
                             ? QStringLiteral("the Firebird installed here")
                             : QStringLiteral("Firebird ") + engines.front().version;
    sentence += QStringLiteral(
        "The file is older than they are: %1 opens it. Open it through a %1 server as "
        "host:path, or back it up with the gbak of %1 and restore the backup with the gbak of "
        "%2, which gives a file that opens here.").arg(firebird, here);
    const bool engine12 = std::any_of(engines.begin(), engines.end(), [](const EngineInfo &e) {
        return e.odsMajor == 12;
    });
    if (ods.major == 12 && !engine12)
        sentence += QStringLiteral(" Or install the package firebird3.0-server-core: with it, "
                                   "files of Firebird 3 open here too.");
    return sentence;
}

} // namespace db::fb
