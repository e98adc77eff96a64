#include "ui/gridtexts.h"

namespace ui {

QString DiscardQuestion(const QString &table)
{
    return QStringLiteral("Discard the unsaved changes to %1?").arg(table);
}

QString QuitQuestion(int unsavedRows)
{
    if (unsavedRows == 1)
        return QStringLiteral("1 row could not be saved. Quit and discard it?");
    return QStringLiteral("%1 rows could not be saved. Quit and discard them?").arg(unsavedRows);
}

QString ExportQuestion(int unsavedRows)
{
    const QString rows = unsavedRows == 1 ? QStringLiteral("1 row could not be saved.")
                                          : QStringLiteral("%1 rows could not be saved.")
                                                .arg(unsavedRows);
    return rows
        + QStringLiteral(" Export the values stored in the database, without these changes?");
}

QString DeleteQuestion(int rows)
{
    if (rows == 1)
        return QStringLiteral("Delete the selected row from the database?");
    return QStringLiteral("Delete the %1 selected rows from the database?").arg(rows);
}

QString DeleteFailuresText(const QStringList &failures)
{
    const QString heading = failures.size() == 1 ? QStringLiteral("A row could not be deleted:")
                                                 : QStringLiteral("%1 rows could not be deleted:")
                                                       .arg(failures.size());
    return heading + "\r\n\r\n" + failures.join("\r\n");
}

} // namespace ui
