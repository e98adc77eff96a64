#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ui {

// A range of cells as office programs exchange them: tab-separated text and
// an HTML table. A value holding a tab, a line break or a double quote is
// quoted, with its quotes doubled, so it comes back whole. NULL is an empty
// field (an empty cell in the table).
using CellTexts = QList<std::optional<QString>>;   // one row; nullopt is NULL

struct CopiedRange
{
    QString text;
    QString html;
};

// captions empty: no heading row.
CopiedRange CopiedRangeOf(const QStringList &captions, const QList<CellTexts> &rows);

// The rows and fields of tab-separated text (as CopiedRangeOf writes it, or
// a spreadsheet does). A line break at the very end ends the last row and
// starts no new one.
QList<QStringList> DelimitedRows(const QString &text);

} // namespace ui
