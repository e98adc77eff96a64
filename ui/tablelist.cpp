#include "ui/tablelist.h"

#include "db/client/firebird.h"

#include <QListWidget>

#include <algorithm>

namespace ui {

void LoadTableList(QListWidget *list, const QString &connectionString)
{
    const QStringList names = db::UserTableNames(connectionString);
    list->clear();
    for (const QString &name : names)
        list->addItem(name);
}

void FitWholeRows(QListWidget *list)
{
    // A row's height comes from the font and the style through an entry:
    // one is measured, then taken away.
    list->setUniformItemSizes(true);
    list->addItem(QStringLiteral("Xy"));
    const int row = list->sizeHintForRow(0);
    delete list->takeItem(0);
    if (row <= 0)
        return;
    const int frame = 2 * list->frameWidth();
    const int rows = std::max(1, (list->height() - frame) / row);
    list->resize(list->width(), rows * row + frame);
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
