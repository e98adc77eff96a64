#pragma once

#include "app/errorreport.h"

#include <exception>
#include <utility>

namespace platform {
class MessageBoxes;
}

namespace app {

// The one error trap of a handler. Each numbered step runs through it; a
// step that throws shows the error report (this handler's location, the
// step's line) and the handler goes on with its next step. No exception
// leaves a step.
//
//   ErrorTrap trap(services.messages, loc::Form1_Form_Load);
//   trap.step(100, [&] { ApplySkin(); });
//   if (trap.test(134, [&] { return !Text1->text().isEmpty(); })) { ... }
class ErrorTrap
{
public:
    ErrorTrap(platform::MessageBoxes &messages, const Location &location);
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    template <typename Step>
    void step(int line, Step &&body)
    {
        begin(line);
        try {
            std::forward<Step>(body)();
        } catch (...) {
            report(std::current_exception());
        }
    }

    // The test of an if. A test that throws counts as passed: after its
    // report the guarded steps run.
    template <typename Test>
    bool test(int line, Test &&condition)
    {
        begin(line);
        try {
            return static_cast<bool>(std::forward<Test>(condition)());
        } catch (...) {
            report(std::current_exception());
            return true;
        }
    }

    int currentLine() const { return m_line; }
    int reports() const { return m_reports; }
    const Location &location() const { return m_location; }

private:
    void begin(int line);
    void report(const std::exception_ptr &failure);

    platform::MessageBoxes &m_messages;
    Location m_location;
    int m_line = 0;
    int m_reports = 0;
};

// The test of a loop under a trap. A failing test is reported and the body
// runs once more, as after any failing step; a second failing test in a row
// ends the loop, and so does reaching maxRounds.
//
//   TrapLoop rows(trap, 112, rowCount + 1);
//   while (rows.next([&] { return !cursor.atEnd(); })) { ... }
class TrapLoop
{
public:
    TrapLoop(ErrorTrap &trap, int line, long long maxRounds);

    template <typename Test>
    bool next(Test &&condition)
    {
        if (m_rounds >= m_maxRounds)
            return false;
        const int before = m_trap.reports();
        const bool go = m_trap.test(m_line, std::forward<Test>(condition));
        const bool failed = m_trap.reports() != before;
        if (failed && m_lastFailed)
            return false;
        m_lastFailed = failed;
        if (go)
            ++m_rounds;
        return go;
    }

    long long rounds() const { return m_rounds; }

private:
    ErrorTrap &m_trap;
    int m_line;
    long long m_maxRounds;
    long long m_rounds = 0;
    bool m_lastFailed = false;
};

} // namespace app
