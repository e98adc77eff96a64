#include "ui/statusline.h"

#include "app/columnlayout.h"
#include "db/grid/tablemodel.h"
#include "ui/gridview.h"

#include <QDir>
#include <QHeaderView>
#include <QRegularExpression>

namespace ui {

using db::TableModel;

namespace {

const QString Separator = QStringLiteral("  ·  ");
constexpr int PassingMs = 5000;   // long enough to read a path

QString RowText(const StatusFacts &facts)
{
    QString text = facts.newRecord ? QStringLiteral("new record")
                                   : QStringLiteral("row %1").arg(facts.row + 1);
    if (!facts.refusal.isEmpty())
        return text + QStringLiteral(": could not be saved: ")
               + facts.refusal.split(QRegularExpression(QStringLiteral("[\r\n]"))).first();
    if (facts.changed)
        return text + QStringLiteral(": changed, not saved");
    return text;
}

} // namespace

QString StatusText(const StatusFacts &facts)
{
    QStringList parts;
    if (!facts.counted)
        parts << QStringLiteral("counting…");
    else
        parts << (facts.records == 1 ? QStringLiteral("1 record")
                                     : QStringLiteral("%1 records").arg(facts.records));
    if (facts.hiddenColumns > 0)
        parts << app::HiddenColumnsText(facts.hiddenColumns);
    if (!facts.filter.isEmpty())
        parts << QStringLiteral("filter: ") + facts.filter;
    if (facts.row >= 0)
        parts << RowText(facts);
    return parts.join(Separator);
}

QString ExportDoneText(qint64 rows, const QString &path)
{
    const QString file = QDir::toNativeSeparators(path);
    if (rows == 1)
        return QStringLiteral("1 row written to \"%1\"").arg(file);
    return QStringLiteral("%L1 rows written to \"%2\"").arg(rows).arg(file);
}

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
{
    m_while.setSingleShot(true);
    m_while.setInterval(PassingMs);
    connect(&m_while, &QTimer::timeout, this, &StatusLine::showState);
    setObjectName(QStringLiteral("StatusLine"));
    setAccessibleName(QStringLiteral("State of the open table"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setIndent(4);
    setTextFormat(Qt::PlainText);
}

void StatusLine::follow(GridView *grid)
{
    m_grid = grid;
    TableModel *model = grid->tableModel();
    const auto refresh = [this] { showState(); };
    connect(model, &TableModel::countChanged, this, refresh);
    connect(model, &QAbstractItemModel::rowsInserted, this, refresh);
    connect(model, &QAbstractItemModel::rowsRemoved, this, refresh);
    connect(model, &QAbstractItemModel::modelReset, this, refresh);
    connect(model, &QAbstractItemModel::headerDataChanged, this, refresh);
    connect(model, &QAbstractItemModel::dataChanged, this, refresh);
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this, refresh);
    showState();
}

void StatusLine::showForAWhile(const QString &text)
{
    m_passing = text;
    m_while.start();
    showState();
}

void StatusLine::showState()
{
    if (m_while.isActive()) {
        setText(m_passing);
        setToolTip(m_passing);
        return;
    }
    const TableModel *model = m_grid ? m_grid->tableModel() : nullptr;
    if (!model || !model->isBound()) {
        setText({});
        return;
    }
    StatusFacts facts;
    facts.counted = model->countKnown();
    facts.records = model->recordCount();
    facts.filter = model->filterText();
    facts.hiddenColumns = m_grid->horizontalHeader()->hiddenSectionCount();
    const QModelIndex current = m_grid->currentIndex();
    if (current.isValid()) {
        facts.row = current.row();
        facts.newRecord = current.row() == model->newRecordRow();
        facts.changed = model->isRowDirty(current.row());
        facts.refusal = model->rowError(current.row());
    }
    setText(StatusText(facts));
    setToolTip(facts.refusal);
}

} // namespace ui
