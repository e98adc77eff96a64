#pragma once

#include <QString>

namespace app {

// How the find bar compares a cell's text with what is looked for.
struct FindOptions
{
    bool matchCase = false;
    bool wholeCell = false;
};

// The text is found in the cell: anywhere in it, or as all of it.
bool CellMatches(const QString &cell, const QString &find, FindOptions options);

// The cell's text with what is found replaced: every occurrence, or the
// whole cell; the text unchanged when it does not match.
QString ReplacedText(const QString &cell, const QString &find, const QString &replacement,
                     FindOptions options);

// What the replace-all question says: "Replace "a" with "b" in 3 rows of
// NAME, NOTE? ..." and that it cannot be taken back.
QString ReplaceAllQuestion(const QString &find, const QString &replacement, qint64 rows,
                           const QStringList &columns, bool filtered);

} // namespace app
