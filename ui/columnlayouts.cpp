#include "ui/columnlayouts.h"

#include "platform/settingsstore.h"
#include "ui/gridview.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QScopedValueRollback>

namespace ui {

ColumnLayouts::ColumnLayouts(GridView &grid, platform::SettingsStore &settings, QObject *parent)
    : QObject(parent), m_grid(grid), m_settings(settings)
{
    QHeaderView *header = m_grid.horizontalHeader();
    header->setSectionsMovable(true);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    // A drag or a resize is over when the button is let go: kept then.
    header->viewport()->installEventFilter(this);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](QPoint at) {
        QMenu *menu = headingMenu(header->logicalIndexAt(at), header);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(header->mapToGlobal(at));
    });
}

void ColumnLayouts::setTable(const QString &database, const QString &table)
{
    m_key = table.isEmpty() ? QString() : app::ColumnLayoutKey(database, table);
    m_applied.clear();
}

QStringList ColumnLayouts::columnNames() const
{
    QStringList names;
    const QAbstractItemModel *model = m_grid.model();
    for (int column = 0; model && column < model->columnCount(); ++column)
        names << model->headerData(column, Qt::Horizontal).toString();
    return names;
}

app::ColumnLayout ColumnLayouts::currentLayout() const
{
    const QHeaderView *header = m_grid.horizontalHeader();
    const QStringList names = columnNames();
    app::ColumnLayout layout;
    for (int visual = 0; visual < header->count() && visual < names.size(); ++visual) {
        const int column = header->logicalIndex(visual);
        const bool hidden = header->isSectionHidden(column);
        // A hidden section has no size; the width it had is the one kept.
        int width = header->sectionSize(column);
        if (hidden) {
            for (const app::ColumnPlace &place : m_applied) {
                if (place.name == names[column])
                    width = place.width;
            }
        }
        layout.push_back({names[column], width, hidden});
    }
    return layout;
}

void ColumnLayouts::restore()
{
    QHeaderView *header = m_grid.horizontalHeader();
    const QStringList names = columnNames();
    if (m_key.isEmpty() || names.isEmpty())
        return;
    const app::ColumnLayout layout = app::ParseColumnLayout(
        m_settings.get(app::ColumnLayoutSection(), m_key));
    const std::vector<int> order = app::ArrangedColumns(names, layout);
    for (int visual = 0; visual < int(order.size()); ++visual)
        header->moveSection(header->visualIndex(order[visual]), visual);
    for (int column = 0; column < names.size(); ++column)
        header->setSectionHidden(column, false);
    for (const app::ColumnPlace &place : layout) {
        const int column = int(names.indexOf(place.name));
        if (column < 0)
            continue;
        if (place.width > 0)
            header->resizeSection(column, place.width);
        header->setSectionHidden(column, place.hidden);
    }
    m_applied = layout.empty() ? currentLayout() : layout;
    keepCursorOnShownColumn();
    emit changed();
}

void ColumnLayouts::reset()
{
    QHeaderView *header = m_grid.horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        header->setSectionHidden(column, false);
        header->moveSection(header->visualIndex(column), column);
    }
    m_grid.fitColumns();
    if (!m_key.isEmpty())
        m_settings.save(app::ColumnLayoutSection(), m_key, QString());
    m_applied = currentLayout();
    emit changed();
}

void ColumnLayouts::setColumnHidden(int column, bool hidden)
{
    QHeaderView *header = m_grid.horizontalHeader();
    if (column < 0 || column >= header->count() || header->isSectionHidden(column) == hidden)
        return;
    // The last shown column stays: a grid of no columns cannot be got back
    // from its own heading.
    if (hidden && header->hiddenSectionCount() + 1 >= header->count())
        return;
    app::ColumnLayout layout = currentLayout();
    for (app::ColumnPlace &place : layout) {
        if (place.name == columnNames().value(column))
            place.hidden = hidden;
    }
    header->setSectionHidden(column, hidden);
    keepCursorOnShownColumn();
    save(layout);
}

int ColumnLayouts::hiddenCount() const
{
    return m_grid.horizontalHeader()->hiddenSectionCount();
}

void ColumnLayouts::save(const app::ColumnLayout &layout)
{
    m_applied = layout;
    if (!m_key.isEmpty())
        m_settings.save(app::ColumnLayoutSection(), m_key, app::ColumnLayoutText(layout));
    emit changed();
}

void ColumnLayouts::keepIfChanged()
{
    const app::ColumnLayout layout = currentLayout();
    if (!m_key.isEmpty() && !layout.empty() && layout != m_applied)
        save(layout);
}

// The cursor does not stay in a column the user cannot see.
void ColumnLayouts::keepCursorOnShownColumn()
{
    const QModelIndex current = m_grid.currentIndex();
    QHeaderView *header = m_grid.horizontalHeader();
    if (!current.isValid() || !header->isSectionHidden(current.column()))
        return;
    const int visual = header->visualIndex(current.column());
    for (int step = 1; step < header->count(); ++step) {
        for (int candidate : {visual + step, visual - step}) {
            const int column = header->logicalIndex(candidate);
            if (column >= 0 && !header->isSectionHidden(column)) {
                m_grid.setCurrentIndex(current.siblingAtColumn(column));
                return;
            }
        }
    }
}

QMenu *ColumnLayouts::headingMenu(int column, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("headingMenu"));
    const QStringList names = columnNames();
    QHeaderView *header = m_grid.horizontalHeader();
    if (column >= 0 && column < names.size()) {
        QAction *hide = menu->addAction(QStringLiteral("Hide Column %1").arg(names[column]));
        hide->setObjectName(QStringLiteral("actionHideColumn"));
        hide->setEnabled(header->count() - header->hiddenSectionCount() > 1);
        connect(hide, &QAction::triggered, this, [this, column] { setColumnHidden(column, true); });
    }
    QMenu *shown = menu->addMenu(QStringLiteral("Show Columns"));
    shown->setObjectName(QStringLiteral("menuShowColumns"));
    for (int visual = 0; visual < header->count() && visual < names.size(); ++visual) {
        const int logical = header->logicalIndex(visual);
        QAction *item = shown->addAction(names[logical]);
        item->setCheckable(true);
        item->setChecked(!header->isSectionHidden(logical));
        connect(item, &QAction::toggled, this,
                [this, logical](bool on) { setColumnHidden(logical, !on); });
    }
    menu->addSeparator();
    QAction *reset = menu->addAction(QStringLiteral("Reset Columns"));
    reset->setObjectName(QStringLiteral("actionResetColumns"));
    connect(reset, &QAction::triggered, this, &ColumnLayouts::reset);
    return menu;
}

bool ColumnLayouts::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease)
        QMetaObject::invokeMethod(this, &ColumnLayouts::keepIfChanged, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

} // namespace ui
