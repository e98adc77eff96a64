#pragma once

#include "db/client/clientlibrary.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

// A database file's on-disk structure (ODS), read from its header page, and
// what to tell a user whose engines cannot open it.
namespace db::fb {

struct Ods
{
    int major = 0;        // 0: not a Firebird header
    int minor = -1;       // -1: not known for this major
    bool interbase = false;   // written by InterBase, not Firebird

    bool known() const { return major > 0; }
    QString text() const;     // "13.1", "14"
};

// The ODS of a header page (the first bytes of the file).
Ods OdsOfHeader(QByteArrayView header);
// The ODS of a database file; unknown when it cannot be read.
Ods ReadFileOds(const QString &path);

// The Firebird version that writes files of this structure: "5.0", "2.5";
// for a structure newer than the ones known, "6.0 or newer".
QString FirebirdOfOds(const Ods &ods);

// The engines found in a plugins folder, newest first.
std::vector<EngineInfo> EnginesIn(const QString &pluginFolder);

// Why database, of structure ods, does not open with these engines, which
// Firebird opens it and how to get there.
QString WrongOdsSentence(const QString &database, const Ods &ods,
                         const std::vector<EngineInfo> &engines);

} // namespace db::fb
