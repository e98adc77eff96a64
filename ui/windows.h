#pragma once

#include "platform/services.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace ui {

class Form1;
class Form2;
class Form3;
class WindowPlacement;

// Ends the program. Assigning sets what ending does; calling first lets
// `mayEnd` save what it can and ask, and ends only when it agrees.
class ProgramEnd
{
public:
    ProgramEnd &operator=(std::function<void()> end)
    {
        m_end = std::move(end);
        return *this;
    }
    // False when the program stays.
    bool operator()() const;

    std::function<bool()> mayEnd;

private:
    std::function<void()> m_end;
};

// The program's main windows. Each exists once: it is created and loaded on
// first use and afterwards only shown and hidden. Also holds what the
// windows share: the platform services and the name of the open table.
class Windows
{
public:
    explicit Windows(platform::Services services);
    ~Windows();
    Windows(const Windows &) = delete;
    Windows &operator=(const Windows &) = delete;

    platform::Services &services() { return m_services; }

    Form1 &form1();
    Form2 &form2();
    Form3 &form3();
    bool form2Loaded() const { return m_form2 != nullptr; }
    bool form3Loaded() const { return m_form3 != nullptr; }
    WindowPlacement &placement() { return *m_placement; }

    // The connection string of the login window's profile, as it is now.
    QString connectionString();

    // The table open in the editor; written by the table chooser, and put
    // back by the editor when it keeps a table whose rows could not be saved.
    QString currentTable;

    // Ends the program at once (closing a main window, "Quit"), once the
    // editor has written its changed rows or the user gave up those that
    // failed.
    ProgramEnd endProgram;

    // Ends the program on a termination signal: the editor writes its
    // changed rows as "Quit" does, without asking; rows it cannot write are
    // reported line by line and the exit status is 128 + signal.
    void endForSignal(int signal);
    std::function<void(int status)> exitWith;
    std::function<void(const QString &line)> reportUnsaved;

    // The table chooser's new-table dialog, shown modally over `parent`.
    std::function<void(QWidget *parent)> showNewTableDialog;

private:
    platform::Services m_services;
    std::unique_ptr<WindowPlacement> m_placement;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form3> m_form3;
};

} // namespace ui
