#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace app {

// Column layouts are kept per database and table in a group of their own,
// beside the login keys of the same section.
inline constexpr const char *ColumnLayoutGroup = "ColumnLayouts";
QString ColumnLayoutSection();

// One column as the user left it: where it stands, how wide, whether shown.
struct ColumnPlace
{
    QString name;
    int width = 0;          // 0: as fitted to the rows
    bool hidden = false;
    bool operator==(const ColumnPlace &) const = default;
};
using ColumnLayout = std::vector<ColumnPlace>;   // in shown order

// The key of a table's layout: the database as the profile names it and the
// table, each percent-encoded so that no character of either is a separator
// of the settings file ("%2Fdata%2Fshop.fdb|ORDERS").
QString ColumnLayoutKey(const QString &database, const QString &table);

// The stored text: a JSON array of {"name", "width", "hidden"}; the empty
// layout is the empty text. ParseColumnLayout gives the empty layout for
// text it cannot read.
QString ColumnLayoutText(const ColumnLayout &layout);
ColumnLayout ParseColumnLayout(const QString &text);

// The table's columns (by their index) in the order the layout shows them:
// the layout's columns that the table still has, then the table's columns
// the layout does not know, in the table's order.
std::vector<int> ArrangedColumns(const QStringList &tableColumns, const ColumnLayout &layout);

// What the status line says of hidden columns: "1 column hidden",
// "2 columns hidden"; empty for none.
QString HiddenColumnsText(int hidden);

} // namespace app
