#pragma once

#include "db/grid/job.h"

class QWidget;

namespace ui {

// The one runner of long work in the windows. Each piece of a job runs on
// a worker thread while the window stays painted; the job's own steps
// between pieces run here. The busy pointer shows and input to the window
// is held back; after half a second a window-modal progress dialog shows
// the job's progress line, and its Cancel (or Escape) cancels the job.
// A quiet runner shows no dialog: for short calls that a deadline bounds.
class JobRunner : public db::JobRunner
{
public:
    enum class Progress { Shown, Quiet };
    explicit JobRunner(QWidget *window, Progress progress = Progress::Shown)
        : m_window(window), m_progress(progress)
    {
    }

    void run(db::Job &job) override;

private:
    QWidget *m_window;
    Progress m_progress;
};

// Runs one call on a worker with the busy pointer and no dialog, the window
// painted meanwhile; what the call throws is thrown here.
void RunOffThread(QWidget *window, const std::function<void()> &call);

} // namespace ui
