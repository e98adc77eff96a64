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

// The user's own copy of the sample, in the per-user data folder.
QString UserSampleDatabasePath();

// The sample database to open. Firebird writes to every database it opens,
// so the program's own is used only where the user may write it (a build
// tree); an installed, read-only one is copied to UserSampleDatabasePath()
// the first time and that copy used from then on. Throws std::runtime_error
// when the copy cannot be made.
QString UsableSampleDatabase();

// True when the modification time of the file (or folder) at path can be
// read; false for anything else, including an empty path. Reports nothing.
bool FileExists(const QString &path);

} // namespace app
