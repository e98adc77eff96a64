#pragma once

#include "db/grid/rowwriter.h"

#include <QString>

#include <vector>

namespace db {

// What the user did to make a step, for naming it.
enum class UndoKind { Edit, Insert, Delete, Paste, SetNull, Replace };

// One row a saved change wrote: its values before and after, each the
// whole row as stored (keys included; RDB$DB_KEY last for a keyless
// table). An empty before is a row the change inserted, an empty after a
// row it deleted. BLOB cells of the written columns hold the BLOB's
// contents (text BLOBs in UTF-8), not its id: an id does not outlive the
// row version that held it.
struct UndoRow
{
    StoredRow before;
    StoredRow after;
    std::vector<int> columns;   // the columns written, in column order
    int rowHint = -1;           // the model row it was on, looked at first

    bool inserted() const { return before.empty(); }
    bool deleted() const { return after.empty(); }
};

struct UndoStep
{
    UndoKind kind = UndoKind::Edit;
    std::vector<UndoRow> rows;   // in the order they were written
};

// "Delete 3 Rows", "Edit Row", "Set to NULL": the step as menus name it.
QString StepName(const UndoStep &step);
// The bytes the step's values take, for judging whether to keep them.
qint64 StepBytes(const UndoStep &step);

// The writes that take the step back (or, redoing, do it again): each row
// from the values it has now to the values it is to have, the last row
// written first when undoing. A row that comes back is inserted with all
// its written columns; a row that goes is deleted only as it is.
std::vector<RowWrite> ReplayWrites(const UndoStep &step, bool redo);
// The order of the step's rows that ReplayWrites writes.
std::vector<int> ReplayOrder(const UndoStep &step, bool redo);

// The saved changes made in one table editor, to undo and redo them. A
// step stays where it is until its undo (or redo) has been committed.
class UndoHistory
{
public:
    // A new change: the steps undone so far can no longer be redone.
    void record(UndoStep step);
    void clear();

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    const UndoStep &nextUndo() const { return m_undo.back(); }
    const UndoStep &nextRedo() const { return m_redo.back(); }
    // The step was undone (redone), with its values as stored now.
    void undone(UndoStep step);
    void redone(UndoStep step);

    // "Undo Delete 3 Rows", or plain "Undo" with nothing to undo.
    QString undoText() const;
    QString redoText() const;

private:
    std::vector<UndoStep> m_undo;
    std::vector<UndoStep> m_redo;
};

} // namespace db
