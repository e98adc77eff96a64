#pragma once

#include <QString>

namespace platform {

// Open and save dialogs. A filter is written as "description|patterns|"
// with patterns separated by ';' (one or more entries). Each call returns
// the chosen path, or an empty text when the user cancelled.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    virtual QString openFile(const QString &title, const QString &filter) = 0;
    virtual QString saveFile(const QString &title, const QString &filter,
                             const QString &suggestedName = {}) = 0;
};

// Turns "desc|*.a;*.b|desc2|*.c|" into Qt's ";;"-separated name filters,
// whose patterns are separated by blanks: "desc (*.a *.b);;desc2 (*.c)".
// A description that already ends in "(patterns)" gets them rewritten in
// place instead of a second list.
QString QtNameFilters(const QString &filter);

} // namespace platform
