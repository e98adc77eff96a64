#include "platform/filedialogs.h"

#include <QStringList>

namespace platform {

namespace {

QString QtEntry(QString description, const QString &patterns)
{
    const QString blankSeparated = QString(patterns).replace(';', ' ');
    const QString listed = '(' + patterns + ')';
    if (description.endsWith(listed)) {
        description.chop(listed.size());
        return description + '(' + blankSeparated + ')';
    }
    if (description.isEmpty())
        return blankSeparated;
    return description + " (" + blankSeparated + ')';
}

} // namespace

QString QtNameFilters(const QString &filter)
{
    QStringList parts = filter.split('|');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();   // the trailing separator
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << QtEntry(parts.at(i), parts.at(i + 1));
    return entries.join(";;");
}

} // namespace platform
