#pragma once

#include <QString>

#include <atomic>
#include <exception>
#include <functional>

namespace db {

// A long task the user waits for: an export, a delete or paste of many
// rows, reading a BLOB. Its work runs on a worker thread, in one piece or
// in several; between the pieces the job may take its next piece and put
// the last one's outcome in place on the UI thread, where the model is.
// A job runner decides where the work runs and what the user sees of it.
class Job
{
public:
    enum class Step {
        Work,   // a piece of work is ready
        Wait,   // what the next piece needs is still coming: let events in, ask again
        Done,
    };

    virtual ~Job() = default;

    // UI thread: readies the next piece. By default there is one.
    virtual Step prepare();
    // Worker thread: does the piece readied. What it throws is kept as
    // failure(), and the job ends after apply().
    virtual void work() = 0;
    // UI thread: puts the piece's outcome in place.
    virtual void apply() {}

    // UI thread, also while a piece is being worked: a line on how far the
    // job is, and how far in thousandths (-1 when the end is unknown).
    virtual QString progressText() const = 0;
    virtual int progressPermille() const { return -1; }

    // Any thread: the job stops at its next chance; work waiting on the
    // server is interrupted where the job knows how.
    void cancel();
    bool cancelled() const { return m_cancelled; }

    // For runners: work() with what it throws kept.
    void runWork();
    std::exception_ptr failure() const { return m_failure; }
    // Set by a runner that lets events in while a piece is worked: the
    // model may change between prepare() and apply().
    void setEventsDuringWork(bool on) { m_eventsDuringWork = on; }
    bool eventsDuringWork() const { return m_eventsDuringWork; }

protected:
    // Called once by cancel(), on the thread that cancels.
    virtual void interrupt() {}

    std::atomic<bool> m_cancelled{false};

private:
    std::exception_ptr m_failure;
    bool m_started = false;
    bool m_eventsDuringWork = false;
};

// Runs a job to its end, returning when it is done or cancelled.
class JobRunner
{
public:
    virtual void run(Job &job) = 0;

protected:
    ~JobRunner() = default;
};

// Every piece on the calling thread, events let in only while the job
// waits; `afterPiece` runs after each applied piece (it may cancel).
void RunJobHere(Job &job, const std::function<void()> &afterPiece = {});

// A runner for work without a window: RunJobHere.
class JobsHere : public JobRunner
{
public:
    void run(Job &job) override { RunJobHere(job); }
};

// A job of one call, such as reading a value: `call` runs on the worker.
class CallJob : public Job
{
public:
    CallJob(QString text, std::function<void()> call, std::function<void()> interrupt = {});
    void work() override { m_call(); }
    QString progressText() const override { return m_text; }

protected:
    void interrupt() override;

private:
    QString m_text;
    std::function<void()> m_call;
    std::function<void()> m_interrupt;
};

} // namespace db
