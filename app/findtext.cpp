#include "app/findtext.h"

#include <QStringList>

namespace app {

namespace {

Qt::CaseSensitivity Sensitivity(FindOptions options)
{
    return options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

} // namespace

bool CellMatches(const QString &cell, const QString &find, FindOptions options)
{
    if (find.isEmpty())
        return false;
    if (options.wholeCell)
        return cell.compare(find, Sensitivity(options)) == 0;
    return cell.contains(find, Sensitivity(options));
}

QString ReplacedText(const QString &cell, const QString &find, const QString &replacement,
                     FindOptions options)
{
    if (!CellMatches(cell, find, options))
        return cell;
    if (options.wholeCell)
        return replacement;
    QString replaced = cell;
    return replaced.replace(find, replacement, Sensitivity(options));
}

QString ReplaceAllQuestion(const QString &find, const QString &replacement, qint64 rows,
                           const QStringList &columns, bool filtered)
{
    const QString where = columns.size() == 1 ? QStringLiteral("column ") + columns.first()
                                              : QStringLiteral("columns ") + columns.join(", ");
    return QStringLiteral("Replace \"%1\" with \"%2\" in %3 %4 (%5%6)?\r\n\r\n"
                          "The rows are changed in the database at once, "
                          "rows not read into the grid yet too.")
        .arg(find, replacement)
        .arg(rows == 1 ? QStringLiteral("1") : QStringLiteral("%L1").arg(rows),
             rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"), where,
             filtered ? QStringLiteral(", only rows the filter shows") : QString());
}

} // namespace app
