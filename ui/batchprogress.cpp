#include "ui/batchprogress.h"

#include "db/grid/batchjob.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

namespace ui {

namespace {

constexpr int ProgressDelayMs = 500;
constexpr int WaitForRowsMs = 10;

QString ProgressText(qint64 rows, qint64 total, const QString &done)
{
    return QStringLiteral("%L1 of %L2 rows %3").arg(rows).arg(total).arg(done);
}

// Writes the prepared batch on a thread of its own; events (painting, rows
// arriving, a click on Cancel) go on meanwhile.
void WriteOffThread(db::BatchJob &job, QEventLoop::ProcessEventsFlags flags)
{
    QEventLoop loop;
    std::atomic<bool> written{false};
    std::thread worker([&] {
        job.write();   // reports failures in its results, never throws
        written = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    while (!written)
        loop.exec(flags);
    worker.join();
}

// Lets rows being read arrive.
void WaitAMoment(QEventLoop::ProcessEventsFlags flags)
{
    QEventLoop loop;
    QTimer::singleShot(WaitForRowsMs, &loop, &QEventLoop::quit);
    loop.exec(flags);
}

} // namespace

void RunBatchJob(QWidget *window, db::BatchJob &job, const QString &done)
{
    job.setWritesWhileEvents(true);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<QProgressDialog> progress;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // Until the dialog shows, no click or key reaches the window; then
        // the dialog, window-modal, keeps them from it.
        const QEventLoop::ProcessEventsFlags flags =
            progress ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
        const db::BatchJob::Step step = job.prepare();
        if (step == db::BatchJob::Step::Done)
            break;
        if (step == db::BatchJob::Step::Wait) {
            WaitAMoment(flags);
        } else {
            WriteOffThread(job, flags);
            job.apply();
        }
        if (!progress && clock.elapsed() >= ProgressDelayMs) {
            progress = std::make_unique<QProgressDialog>(window);
            progress->setWindowModality(Qt::WindowModal);
            progress->setWindowTitle(window ? window->windowTitle() : QString());
            progress->setMinimumDuration(0);
            progress->setRange(0, 1000);
            QObject::connect(progress.get(), &QProgressDialog::canceled, [&job] { job.cancel(); });
            progress->show();
        }
        // Escape or closing the dialog cancel it too, without the signal.
        if (progress && progress->wasCanceled())
            job.cancel();
        if (progress && !job.cancelled()) {
            progress->setLabelText(ProgressText(job.handled(), job.total(), done));
            if (job.total() > 0)
                progress->setValue(int(std::min<qint64>(999, job.handled() * 1000 / job.total())));
        }
    }
    progress.reset();
    QGuiApplication::restoreOverrideCursor();
}

} // namespace ui
