#pragma once

#include <QString>

namespace app {

// The folder the program's resources lie in: the program's own folder unless
// set otherwise (tests point it at the build's bin folder).
QString ProgramFolder();
void SetProgramFolder(const QString &folder);

QString SkinFilePath();        // style sheet of the login window
QString HandCursorPath();      // picture of the custom mouse pointer
QString SampleDatabasePath();  // the sample database

// True when the modification time of the file (or folder) at path can be
// read; false for anything else, including an empty path. Reports nothing.
bool FileExists(const QString &path);

} // namespace app
