#include "ui/gridtexts.h"

namespace ui {

QString DiscardQuestion(const QString &table)
{
    return QStringLiteral("Discard the unsaved changes to %1?").arg(table);
}

QString BackQuestion(int unsavedRows, const QString &table)
{
    const QString rows = unsavedRows == 1 ? QStringLiteral("1 row")
                                          : QStringLiteral("%1 rows").arg(unsavedRows);
    return QStringLiteral("%1 of %2 could not be saved. Go back anyway?").arg(rows, table);
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

QString CopyNotReadYetText()
{
    return QStringLiteral("Some of the selected rows are still being read. Copy again in a moment.");
}

QString PasteGrowsQuestion(int newRecords)
{
    if (newRecords == 1)
        return QStringLiteral("The pasted text has 1 row more than the table from here. "
                              "Add it as a new record?");
    return QStringLiteral("The pasted text has %1 rows more than the table from here. "
                          "Add them as new records?").arg(newRecords);
}

QString PasteFailuresText(const QStringList &failures, int notPasted)
{
    QString text = failures.size() == 1
        ? QStringLiteral("A pasted row could not be saved; it keeps the pasted values:")
        : QStringLiteral("%1 pasted rows could not be saved; they keep the pasted values:")
              .arg(failures.size());
    text += "\r\n\r\n" + failures.join("\r\n");
    if (notPasted > 0)
        text += QStringLiteral("\r\n\r\n%1 more rows were not pasted.").arg(notPasted);
    return text;
}

} // namespace ui
