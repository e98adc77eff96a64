#pragma once

#include "db/grid/referencelookup.h"

#include <QFrame>
#include <QPersistentModelIndex>

#include <map>
#include <memory>

class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace ui {

class GridView;

// The drop-down list of a foreign key's parent rows: a search box over a
// list of key and label, filled as it is scrolled. Enter or a double-click
// chooses a row, Esc closes it.
class ReferencePicker : public QFrame
{
    Q_OBJECT

public:
    static constexpr int PageRows = 50;

    // `current`: the key the cell holds (empty when NULL), shown as the
    // current row when it comes into the list.
    ReferencePicker(db::ReferenceLookup &lookup, const QStringList &current, QWidget *parent);

    QLineEdit *searchBox() const { return m_search; }
    QTreeWidget *list() const { return m_list; }
    // The shown row's key, as chosen.
    void choose(int row);

signals:
    void chosen(const QStringList &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onRows(const QList<db::ReferencedRow> &rows, bool atEnd, const QStringList &headings);
    void searchNow();
    void fetchIfNearEnd();

    db::ReferenceLookup &m_lookup;
    QLineEdit *m_search = nullptr;
    QTreeWidget *m_list = nullptr;
    QLabel *m_lblState = nullptr;
    QTimer *m_typing = nullptr;
    QStringList m_current;
    bool m_atEnd = false;
    bool m_waiting = false;   // a page has been asked for and not come yet
};

// Picking parent rows in the editor's grid: F4 or Alt+Down in a cell of a
// foreign key column, or the small button drawn in such a current cell,
// opens the picker; a chosen row's key goes into the row's cells of that
// key (all of them, for a composite key) as typed values.
class ReferencePicking : public QObject
{
    Q_OBJECT

public:
    explicit ReferencePicking(GridView &grid, QObject *parent);
    ~ReferencePicking() override;

    // The picker for the current cell; false when its column references nothing.
    bool open();
    ReferencePicker *picker() const { return m_picker; }
    QToolButton *button() const { return m_button; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const db::ForeignKey *keyOf(int column) const;
    db::ReferenceLookup &lookupFor(const db::ForeignKey &key);
    void placeButton();
    void fill(const QModelIndex &cell, const db::ForeignKey &key, const QStringList &values);
    QStringList keyOfRow(int row, const db::ForeignKey &key) const;

    GridView &m_grid;
    QToolButton *m_button = nullptr;
    ReferencePicker *m_picker = nullptr;
    QList<db::ForeignKey> m_keys;
    QString m_table;
    std::map<QString, std::unique_ptr<db::ReferenceLookup>> m_lookups;   // by key name
};

} // namespace ui
