#pragma once

#include "app/columnlayout.h"

#include <QObject>

class QAction;
class QMenu;

namespace platform {
class SettingsStore;
}

namespace ui {

class GridView;

// The grid's column layout per database and table: which columns are
// hidden (from the heading's menu), the order they were dragged into and
// their widths, kept in the settings store and put back whenever the table
// is read. Only what the user did is kept; widths fitted to the rows are
// not. "Reset Columns" goes back to the table's own order and fitted widths.
class ColumnLayouts : public QObject
{
    Q_OBJECT

public:
    ColumnLayouts(GridView &grid, platform::SettingsStore &settings, QObject *parent);

    // The table whose layout is kept from now on.
    void setTable(const QString &database, const QString &table);
    // Puts the stored layout on the columns (after they were made or fitted).
    void restore();
    void reset();
    void setColumnHidden(int column, bool hidden);
    int hiddenCount() const;
    // The heading's context menu for a column: hide it, show each column,
    // "Reset Columns".
    QMenu *headingMenu(int column, QWidget *parent);

signals:
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList columnNames() const;
    app::ColumnLayout currentLayout() const;
    void keepIfChanged();
    void save(const app::ColumnLayout &layout);
    void keepCursorOnShownColumn();

    GridView &m_grid;
    platform::SettingsStore &m_settings;
    QString m_key;
    app::ColumnLayout m_applied;   // as restored or saved last
};

} // namespace ui
