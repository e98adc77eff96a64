#include "ui/referencepicker.h"

#include "db/grid/tablemodel.h"
#include "ui/griddelegate.h"
#include "ui/gridview.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ui {

namespace {

constexpr int TypingPauseMs = 150;

bool SameKey(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].trimmed() != b[i].trimmed())
            return false;
    }
    return true;
}

QString RowCount(int rows)
{
    return rows == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(rows);
}

} // namespace

ReferencePicker::ReferencePicker(db::ReferenceLookup &lookup, const QStringList &current,
                                 QWidget *parent)
    : QFrame(parent, Qt::Popup), m_lookup(lookup), m_current(current)
{
    setObjectName(QStringLiteral("ReferencePicker"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("txtSearch"));
    m_search->setPlaceholderText(QStringLiteral("Search %1").arg(lookup.key().parent));
    m_search->setAccessibleName(QStringLiteral("Search the rows of %1").arg(lookup.key().parent));
    m_search->installEventFilter(this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstRows"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setAccessibleName(QStringLiteral("Rows of %1").arg(lookup.key().parent));
    m_lblState = new QLabel(this);
    m_lblState->setObjectName(QStringLiteral("lblState"));
    layout->addWidget(m_search);
    layout->addWidget(m_list);
    layout->addWidget(m_lblState);
    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(TypingPauseMs);
    connect(m_typing, &QTimer::timeout, this, &ReferencePicker::searchNow);
    connect(m_search, &QLineEdit::textEdited, m_typing, qOverload<>(&QTimer::start));
    connect(&lookup, &db::ReferenceLookup::rowsArrived, this, &ReferencePicker::onRows);
    connect(&lookup, &db::ReferenceLookup::failed, this, [this](const QString &message) {
        m_waiting = false;
        m_lblState->setText(message.section('\n', 0, 0));
        m_lblState->setToolTip(message);
    });
    connect(m_list, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { choose(m_list->indexOfTopLevelItem(item)); });
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ReferencePicker::fetchIfNearEnd);
    connect(m_list->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            &ReferencePicker::fetchIfNearEnd);
    resize(380, 280);
    searchNow();
}

void ReferencePicker::searchNow()
{
    m_typing->stop();
    m_list->clear();
    m_atEnd = false;
    m_waiting = true;
    m_lblState->setText(QStringLiteral("reading…"));
    m_lookup.search(m_search->text(), PageRows);
}

void ReferencePicker::onRows(const QList<db::ReferencedRow> &rows, bool atEnd,
                             const QStringList &headings)
{
    if (m_list->headerItem()->columnCount() != headings.size()
        || m_list->headerItem()->text(0) != headings.value(0))
        m_list->setHeaderLabels(headings);
    const int keys = int(m_lookup.key().parentColumns.size());
    for (const db::ReferencedRow &row : rows) {
        QStringList texts = row.key;
        if (headings.size() > keys)
            texts << row.label;
        auto *item = new QTreeWidgetItem(m_list, texts);
        item->setData(0, Qt::UserRole, row.key);
        if (!m_current.isEmpty() && SameKey(row.key, m_current)) {
            m_list->setCurrentItem(item);
            m_list->scrollToItem(item);
        }
    }
    m_waiting = false;
    m_atEnd = atEnd;
    // Enter at once must not put another key over the cell's own: the first
    // row is offered only to a search or for an empty cell.
    const bool offerFirst = m_current.isEmpty() || !m_search->text().isEmpty();
    if (offerFirst && !m_list->currentItem() && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    const int shown = m_list->topLevelItemCount();
    m_lblState->setText(shown == 0 ? QStringLiteral("no rows match")
                        : atEnd    ? RowCount(shown)
                                   : QStringLiteral("%1, more as you scroll").arg(RowCount(shown)));
    if (!rows.isEmpty())
        m_list->resizeColumnToContents(0);
    fetchIfNearEnd();
}

// The next page is read when the last one is nearly in view.
void ReferencePicker::fetchIfNearEnd()
{
    const QScrollBar *bar = m_list->verticalScrollBar();
    if (m_atEnd || m_waiting || bar->value() < bar->maximum() - bar->pageStep())
        return;
    m_waiting = true;
    m_lookup.fetchMore(PageRows);
}

void ReferencePicker::choose(int row)
{
    QTreeWidgetItem *item = m_list->topLevelItem(row);
    if (!item)
        return;
    emit chosen(item->data(0, Qt::UserRole).toStringList());
    close();
}

// The search box keeps the focus; the keys that move in a list move in it.
bool ReferencePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_search || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        QApplication::sendEvent(m_list, event);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_typing->isActive())
            searchNow();
        else if (m_list->currentItem())
            choose(m_list->indexOfTopLevelItem(m_list->currentItem()));
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

ReferencePicking::ReferencePicking(GridView &grid, QObject *parent)
    : QObject(parent), m_grid(grid)
{
    m_button = new QToolButton(grid.viewport());
    m_button->setObjectName(QStringLiteral("cmdPickReference"));
    m_button->setText(QStringLiteral("▾"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->hide();
    connect(m_button, &QToolButton::clicked, this, &ReferencePicking::open);
    grid.installEventFilter(this);
    db::TableModel *model = grid.tableModel();
    connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
        if (model->table() != m_table)
            m_lookups.clear();
        m_table = model->table();
        m_keys = model->foreignKeys();
        placeButton();
    });
    const auto place = [this] { QTimer::singleShot(0, this, &ReferencePicking::placeButton); };
    connect(grid.selectionModel(), &QItemSelectionModel::currentChanged, this, place);
    connect(grid.horizontalHeader(), &QHeaderView::sectionResized, this, place);
    connect(grid.horizontalHeader(), &QHeaderView::sectionMoved, this, place);
    connect(grid.horizontalScrollBar(), &QScrollBar::valueChanged, this, place);
    connect(grid.verticalScrollBar(), &QScrollBar::valueChanged, this, place);
}

ReferencePicking::~ReferencePicking() = default;

const db::ForeignKey *ReferencePicking::keyOf(int column) const
{
    const QString name = m_grid.model()->headerData(column, Qt::Horizontal).toString();
    for (const db::ForeignKey &key : m_keys) {
        if (key.columns.contains(name))
            return &key;
    }
    return nullptr;
}

db::ReferenceLookup &ReferencePicking::lookupFor(const db::ForeignKey &key)
{
    std::unique_ptr<db::ReferenceLookup> &lookup = m_lookups[key.name];
    if (!lookup)
        lookup = std::make_unique<db::ReferenceLookup>(m_grid.tableModel()->connectionString(),
                                                       key);
    return *lookup;
}

// The button sits at the right end of the current cell of a referencing
// column the user may change.
void ReferencePicking::placeButton()
{
    const QModelIndex cell = m_grid.currentIndex();
    const bool shown = cell.isValid() && !m_grid.isReadOnly() && keyOf(cell.column())
                       && (cell.flags() & Qt::ItemIsEditable);
    const QRect rect = m_grid.visualRect(cell);
    const int side = rect.height();
    if (auto *delegate = qobject_cast<GridDelegate *>(m_grid.itemDelegate())) {
        delegate->keepTextClear(shown ? cell : QModelIndex(), side);
        m_grid.viewport()->update();
    }
    if (!shown) {
        m_button->hide();
        return;
    }
    m_button->setGeometry(rect.right() - side + 1, rect.top(), side, side);
    m_button->show();
    m_button->raise();
}

bool ReferencePicking::open()
{
    const QModelIndex cell = m_grid.currentIndex();
    const db::ForeignKey *key = cell.isValid() ? keyOf(cell.column()) : nullptr;
    if (!key || m_grid.isReadOnly() || !(cell.flags() & Qt::ItemIsEditable))
        return false;
    m_grid.commitOpenEditor();
    if (m_picker)
        m_picker->close();
    m_picker = new ReferencePicker(lookupFor(*key), keyOfRow(cell.row(), *key), m_grid.window());
    const db::ForeignKey chosenKey = *key;
    const QPersistentModelIndex target = cell;
    connect(m_picker, &ReferencePicker::chosen, this,
            [this, target, chosenKey](const QStringList &values) {
                fill(target, chosenKey, values);
            });
    connect(m_picker, &QObject::destroyed, this, [this] {
        m_picker = nullptr;
        m_grid.setFocus();
    });
    const QRect rect = m_grid.visualRect(cell);
    m_picker->move(m_grid.viewport()->mapToGlobal(rect.bottomLeft()));
    m_picker->show();
    m_picker->searchBox()->setFocus();
    return true;
}

// The row's values of the key's columns, as shown; empty if any is NULL.
QStringList ReferencePicking::keyOfRow(int row, const db::ForeignKey &key) const
{
    const QAbstractItemModel *model = m_grid.model();
    QStringList values;
    for (const QString &name : key.columns) {
        for (int column = 0; column < model->columnCount(); ++column) {
            if (model->headerData(column, Qt::Horizontal).toString() != name)
                continue;
            const QModelIndex cell = model->index(row, column);
            if (cell.data(db::TableModel::IsNullRole).toBool())
                return {};
            values << cell.data(Qt::EditRole).toString();
        }
    }
    return values.size() == key.columns.size() ? values : QStringList();
}

// Every column of the key gets its value, as if typed into the row.
void ReferencePicking::fill(const QModelIndex &cell, const db::ForeignKey &key,
                            const QStringList &values)
{
    QAbstractItemModel *model = m_grid.model();
    if (!cell.isValid() || !model)
        return;
    for (int column = 0; column < model->columnCount(); ++column) {
        const int part = int(key.columns.indexOf(model->headerData(column, Qt::Horizontal)
                                                     .toString()));
        if (part >= 0 && part < values.size())
            model->setData(model->index(cell.row(), column), values[part], Qt::EditRole);
    }
}

bool ReferencePicking::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_grid && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const bool f4 = key->key() == Qt::Key_F4 && modifiers == Qt::NoModifier;
        const bool altDown = key->key() == Qt::Key_Down && modifiers == Qt::AltModifier;
        if ((f4 || altDown) && open())
            return true;
    }
    if (watched == &m_grid && event->type() == QEvent::Resize)
        placeButton();
    return QObject::eventFilter(watched, event);
}

} // namespace ui
