#include "app/errortrap.h"

#include "platform/messageboxes.h"

#include <QtGlobal>

namespace app {

ErrorTrap::ErrorTrap(platform::MessageBoxes &messages, const Location &location)
    : m_messages(messages), m_location(location)
{
}

void ErrorTrap::begin(int line)
{
    Q_ASSERT_X(LineAllowed(m_location, line), m_location.text, "line number not in its table");
    m_line = line;
}

void ErrorTrap::report(const std::exception_ptr &failure)
{
    ++m_reports;
    const QString text = ErrorReportText(Describe(failure), m_location.text, m_line);
    try {
        m_messages.warn(QString::fromLatin1(ErrorReportTitle), text);
    } catch (...) {
        // A report that cannot be shown must not end the handler either.
    }
}

TrapLoop::TrapLoop(ErrorTrap &trap, int line, long long maxRounds)
    : m_trap(trap), m_line(line), m_maxRounds(maxRounds)
{
}

} // namespace app
