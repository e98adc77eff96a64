#include "db/grid/job.h"

#include <QEventLoop>
#include <QTimer>

namespace db {

namespace {

// How long a waiting job lets events in before it is asked again.
constexpr int WaitMs = 10;

} // namespace

Job::Step Job::prepare()
{
    if (m_started || cancelled())
        return Step::Done;
    m_started = true;
    return Step::Work;
}

void Job::cancel()
{
    if (!m_cancelled.exchange(true))
        interrupt();
}

void Job::runWork()
{
    try {
        work();
    } catch (...) {
        m_failure = std::current_exception();
    }
}

void RunJobHere(Job &job, const std::function<void()> &afterPiece)
{
    while (!job.cancelled()) {
        const Job::Step step = job.prepare();
        if (step == Job::Step::Done)
            return;
        if (step == Job::Step::Wait) {
            QEventLoop loop;
            QTimer::singleShot(WaitMs, &loop, &QEventLoop::quit);
            loop.exec();
            continue;
        }
        job.runWork();
        job.apply();
        if (job.failure())
            return;
        if (afterPiece)
            afterPiece();
    }
}

CallJob::CallJob(QString text, std::function<void()> call, std::function<void()> interrupt)
    : m_text(std::move(text)), m_call(std::move(call)), m_interrupt(std::move(interrupt))
{
}

void CallJob::interrupt()
{
    if (m_interrupt)
        m_interrupt();
}

} // namespace db
