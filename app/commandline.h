#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the command line asks for. Either the program starts, with the
// database file to open in place of the remembered one (empty: none), or
// it prints `output` and ends with `exitCode` (--help, --version, a
// mistake).
struct StartRequest
{
    QString databaseFile;
    bool exits = false;
    int exitCode = 0;
    QString output;   // for stdout when exitCode is 0, stderr otherwise
};

// Reads the arguments as main() gets them, the program's name first. Needs
// no application object, so --help works without a display.
StartRequest ParseCommandLine(const QStringList &arguments);

QString ProgramVersion();

} // namespace app
