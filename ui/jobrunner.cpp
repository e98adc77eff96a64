#include "ui/jobrunner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

namespace ui {

namespace {

constexpr int ProgressDelayMs = 500;
constexpr int ProgressTickMs = 100;
constexpr int WaitMs = 10;

// The wait of one job: a nested event loop, input held back until the
// progress dialog shows, after which the window-modal dialog keeps input
// from the window.
class JobWait
{
public:
    JobWait(QWidget *window, db::Job &job, bool showsProgress)
        : m_window(window), m_job(job), m_showsProgress(showsProgress)
    {
        m_clock.start();
        m_tick.setInterval(ProgressTickMs);
        QObject::connect(&m_tick, &QTimer::timeout, &m_loop, [this] { tick(); });
        m_tick.start();
    }

    // Until the piece of work is done on its worker.
    void work()
    {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            m_job.runWork();
            done = true;
            QMetaObject::invokeMethod(&m_loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        while (!done)
            m_loop.exec(flags());
        worker.join();
    }

    // Lets what the job waits for arrive.
    void aMoment()
    {
        QTimer::singleShot(WaitMs, &m_loop, &QEventLoop::quit);
        m_loop.exec(flags());
    }

    // After a piece applied: the line moves on.
    void tick()
    {
        if (!m_dialog && m_showsProgress && m_clock.elapsed() >= ProgressDelayMs) {
            show();
            // Again with input let in, now that the dialog guards the window.
            m_loop.quit();
        }
        if (!m_dialog)
            return;
        // Escape or closing the dialog cancel it too, without the signal.
        if (m_dialog->wasCanceled())
            m_job.cancel();
        if (m_job.cancelled())
            return;
        m_dialog->setLabelText(m_job.progressText());
        if (const int permille = m_job.progressPermille(); permille >= 0)
            m_dialog->setValue(permille);
    }

private:
    QEventLoop::ProcessEventsFlags flags() const
    {
        return m_dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    }

    void show()
    {
        m_dialog = std::make_unique<QProgressDialog>(m_window);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setWindowTitle(m_window ? m_window->windowTitle() : QString());
        m_dialog->setMinimumDuration(0);
        m_dialog->setRange(0, m_job.progressPermille() >= 0 ? 1000 : 0);
        m_dialog->setLabelText(m_job.progressText());
        QObject::connect(m_dialog.get(), &QProgressDialog::canceled, &m_loop,
                         [this] { m_job.cancel(); });
        // Escape reaches the dialog's own reject when its Cancel shortcut
        // does not fire (the dialog not yet active): that closes it without
        // `canceled`, and must stop the job all the same.
        QObject::connect(m_dialog.get(), &QDialog::rejected, &m_loop,
                         [this] { m_job.cancel(); });
        m_dialog->show();
    }

    QWidget *m_window;
    db::Job &m_job;
    bool m_showsProgress;
    QEventLoop m_loop;
    QTimer m_tick;
    QElapsedTimer m_clock;
    std::unique_ptr<QProgressDialog> m_dialog;
};

// The wait cursor for as long as it lives.
class BusyPointer
{
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

} // namespace

void JobRunner::run(db::Job &job)
{
    const BusyPointer busy;
    job.setEventsDuringWork(true);
    JobWait wait(m_window, job, m_progress == Progress::Shown);
    for (;;) {
        const db::Job::Step step = job.prepare();
        if (step == db::Job::Step::Done)
            break;
        if (step == db::Job::Step::Wait) {
            wait.aMoment();
        } else {
            wait.work();
            job.apply();
            if (job.failure())
                break;
        }
        wait.tick();
    }
}

void RunOffThread(QWidget *window, const std::function<void()> &call)
{
    db::CallJob job(QString(), call);
    JobRunner(window, JobRunner::Progress::Quiet).run(job);
    if (job.failure())
        std::rethrow_exception(job.failure());
}

} // namespace ui
