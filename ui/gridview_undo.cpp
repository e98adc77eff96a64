#include "ui/gridview.h"

#include "app/titles.h"
#include "db/grid/tablemodel.h"
#include "platform/messageboxes.h"
#include "ui/jobrunner.h"

#include <QAction>

namespace ui {

// First in the grid's menu, each naming the step it takes back or redoes.
void GridView::createUndoActions()
{
    m_undo = new QAction(QStringLiteral("Undo"), this);
    m_undo->setObjectName(QStringLiteral("actionUndo"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = new QAction(QStringLiteral("Redo"), this);
    m_redo->setObjectName(QStringLiteral("actionRedo"));
    m_redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                          QKeySequence(Qt::CTRL | Qt::Key_Y)});
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    // An open cell editor keeps its own undo of what is being typed.
    for (QAction *action : {m_undo, m_redo}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setEnabled(false);
        addAction(action);
    }
    addAction(separator);
    connect(m_undo, &QAction::triggered, this, [this] { undoOrRedo(false); });
    connect(m_redo, &QAction::triggered, this, [this] { undoOrRedo(true); });
}

void GridView::updateUndoActions()
{
    const db::UndoHistory *history = m_model ? &m_model->undoHistory() : nullptr;
    m_undo->setText(history ? history->undoText() : QStringLiteral("Undo"));
    m_redo->setText(history ? history->redoText() : QStringLiteral("Redo"));
    m_undo->setEnabled(history && history->canUndo() && !m_readOnly);
    m_redo->setEnabled(history && history->canRedo() && !m_readOnly);
}

// Typed values are saved first, as leaving their row would save them, so
// the step taken back is the latest change the user made.
void GridView::undoOrRedo(bool redo)
{
    if (!m_model || !m_model->isBound() || m_readOnly)
        return;
    commitOpenEditor();
    if (m_model->hasUnsavedRows() && !m_model->submitAll()) {
        const int row = currentIndex().row();
        const QString error = m_model->rowError(row);
        warn(error.isEmpty() ? QStringLiteral("Save or revert the unsaved rows first.") : error);
        return;
    }
    const QString step = redo ? m_redo->text() : m_undo->text();
    const std::unique_ptr<db::BatchJob> job = m_model->undoJob(redo);
    if (!job)
        return;
    JobRunner(window()).run(*job);
    const QStringList failures = job->failures();
    if (!failures.isEmpty())
        warn(QStringLiteral("%1 was not done: %2").arg(step, failures.join(QStringLiteral("\r\n"))));
}

} // namespace ui
