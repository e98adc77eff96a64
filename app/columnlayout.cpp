#include "app/columnlayout.h"

#include "app/settingskeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <set>

namespace app {

QString ColumnLayoutSection()
{
    return QString::fromLatin1(SettingsSection) + QLatin1Char('/')
           + QString::fromLatin1(ColumnLayoutGroup);
}

QString ColumnLayoutKey(const QString &database, const QString &table)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(database)) + QLatin1Char('|')
           + QString::fromLatin1(QUrl::toPercentEncoding(table));
}

QString ColumnLayoutText(const ColumnLayout &layout)
{
    if (layout.empty())
        return {};
    QJsonArray columns;
    for (const ColumnPlace &place : layout) {
        QJsonObject column{{QStringLiteral("name"), place.name},
                           {QStringLiteral("width"), place.width}};
        if (place.hidden)
            column.insert(QStringLiteral("hidden"), true);
        columns.append(column);
    }
    return QString::fromUtf8(QJsonDocument(columns).toJson(QJsonDocument::Compact));
}

ColumnLayout ParseColumnLayout(const QString &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    ColumnLayout layout;
    for (const QJsonValue &value : document.array()) {
        const QJsonObject column = value.toObject();
        const QString name = column.value(QStringLiteral("name")).toString();
        if (name.isEmpty())
            continue;
        layout.push_back({name, std::max(0, column.value(QStringLiteral("width")).toInt()),
                          column.value(QStringLiteral("hidden")).toBool()});
    }
    return layout;
}

std::vector<int> ArrangedColumns(const QStringList &tableColumns, const ColumnLayout &layout)
{
    std::vector<int> order;
    std::set<int> placed;
    for (const ColumnPlace &place : layout) {
        const int column = int(tableColumns.indexOf(place.name));
        if (column >= 0 && placed.insert(column).second)
            order.push_back(column);
    }
    for (int column = 0; column < tableColumns.size(); ++column) {
        if (!placed.count(column))
            order.push_back(column);
    }
    return order;
}

QString HiddenColumnsText(int hidden)
{
    if (hidden <= 0)
        return {};
    return hidden == 1 ? QStringLiteral("1 column hidden")
                       : QStringLiteral("%1 columns hidden").arg(hidden);
}

} // namespace app
