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

} // namespace ui
