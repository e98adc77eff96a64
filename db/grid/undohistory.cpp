#include "db/grid/undohistory.h"

namespace db {

namespace {

QString Rows(int count, const QString &verb)
{
    return count == 1 ? verb + QStringLiteral(" Row") : QStringLiteral("%1 %2 Rows").arg(verb).arg(count);
}

// The value as RowWriter sends a stored one back; NULL as NULL.
CellEdit StoredEdit(const std::optional<QByteArray> &value)
{
    if (!value)
        return CellEdit{true, {}};
    CellEdit edit;
    edit.stored = *value;
    return edit;
}

RowEdits EditsTo(const StoredRow &to, const std::vector<int> &columns)
{
    int width = 0;
    for (int column : columns)
        width = std::max(width, column + 1);
    RowEdits edits(width);
    for (int column : columns)
        edits[column] = StoredEdit(to[column]);
    return edits;
}

} // namespace

QString StepName(const UndoStep &step)
{
    const int rows = int(step.rows.size());
    switch (step.kind) {
    case UndoKind::Edit:
        return Rows(rows, QStringLiteral("Edit"));
    case UndoKind::Insert:
        return Rows(rows, QStringLiteral("Insert"));
    case UndoKind::Delete:
        return Rows(rows, QStringLiteral("Delete"));
    case UndoKind::Paste:
        return Rows(rows, QStringLiteral("Paste"));
    case UndoKind::SetNull:
        return QStringLiteral("Set to NULL");
    case UndoKind::Replace:
        return rows == 1 ? QStringLiteral("Replace") : QStringLiteral("Replace All");
    }
    return {};
}

qint64 StepBytes(const UndoStep &step)
{
    qint64 bytes = 0;
    for (const UndoRow &row : step.rows) {
        for (const StoredRow *values : {&row.before, &row.after}) {
            bytes += qint64(values->size() * sizeof(std::optional<QByteArray>));
            for (const auto &value : *values)
                bytes += value ? value->size() : 0;
        }
    }
    return bytes;
}

std::vector<int> ReplayOrder(const UndoStep &step, bool redo)
{
    const int count = int(step.rows.size());
    std::vector<int> order(count);
    for (int i = 0; i < count; ++i)
        order[i] = redo ? i : count - 1 - i;
    return order;
}

std::vector<RowWrite> ReplayWrites(const UndoStep &step, bool redo)
{
    std::vector<RowWrite> writes;
    writes.reserve(step.rows.size());
    for (int i : ReplayOrder(step, redo)) {
        const UndoRow &row = step.rows[i];
        const StoredRow &from = redo ? row.before : row.after;
        const StoredRow &to = redo ? row.after : row.before;
        RowWrite write;
        if (to.empty()) {
            write.remove = true;
            write.original = from;
        } else if (from.empty()) {
            write.insert = true;
            write.edits = EditsTo(to, row.columns);
        } else {
            write.original = from;
            write.edits = EditsTo(to, row.columns);
        }
        writes.push_back(std::move(write));
    }
    return writes;
}

void UndoHistory::record(UndoStep step)
{
    if (step.rows.empty())
        return;
    m_undo.push_back(std::move(step));
    m_redo.clear();
}

void UndoHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
}

void UndoHistory::undone(UndoStep step)
{
    m_undo.pop_back();
    m_redo.push_back(std::move(step));
}

void UndoHistory::redone(UndoStep step)
{
    m_redo.pop_back();
    m_undo.push_back(std::move(step));
}

QString UndoHistory::undoText() const
{
    return canUndo() ? QStringLiteral("Undo ") + StepName(nextUndo()) : QStringLiteral("Undo");
}

QString UndoHistory::redoText() const
{
    return canRedo() ? QStringLiteral("Redo ") + StepName(nextRedo()) : QStringLiteral("Redo");
}

} // namespace db
