#include "ui/tablelist.h"

#include "db/client/firebird.h"

#include <QListWidget>

namespace ui {

void LoadTableList(QListWidget *list, const QString &connectionString)
{
    const QStringList names = db::UserTableNames(connectionString);
    list->clear();
    for (const QString &name : names)
        list->addItem(name);
}

QStringList ListedTables(const QListWidget *list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names << list->item(row)->text();
    return names;
}

int RowToSelect(const QStringList &before, const QStringList &after)
{
    for (int row = 0; row < after.size(); ++row) {
        if (!before.contains(after[row]))
            return row;
    }
    return 0;
}

} // namespace ui
