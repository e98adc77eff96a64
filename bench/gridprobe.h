#pragma once

#include "platform/scriptedservices.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QTableView;
class QTimer;
class QWidget;

namespace db {
class TableModel;
}

namespace ui {
class Form3;
class Windows;
}

namespace bench {

// Nanoseconds since the process's benchmark clock started.
qint64 Now();
// CPU nanoseconds the calling thread, or the whole process, has used.
qint64 ThreadCpuNow();
qint64 ProcessCpuNow();

// Watches a widget for the first paint that starts while `ready` holds, and
// notes when that paint has been flushed (a queued call runs after the
// repaint pass that sent the paint event).
class PaintWatch : public QObject
{
    Q_OBJECT

public:
    explicit PaintWatch(QWidget *widget);

    // Runs the event loop until such a paint finished; false on timeout.
    bool wait(std::function<bool()> ready, int timeoutMs);
    qint64 paintedAt() const { return m_paintedAt; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_widget;
    std::function<bool()> m_ready;
    bool m_seen = false;
    qint64 m_paintedAt = 0;
};

// A fast timer on the UI thread that keeps the longest gap between its ticks.
class StallMeter : public QObject
{
    Q_OBJECT

public:
    explicit StallMeter(QObject *parent = nullptr);
    void start();
    void stop();
    double longestGapMs() const { return m_longest / 1e6; }
    qint64 longestGapStart() const { return m_longestStart; }   // Now() clock
    // CPU time this thread spent within the longest gap: near the gap itself
    // when the UI thread was busy, small when it only waited for a core.
    double longestGapCpuMs() const { return m_longestCpu / 1e6; }

private:
    void tick();

    QTimer *m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_longestStart = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longestCpu = 0;
};

// The table editor window with its grid, as the chooser's "Next >" shows it.
// The window's own BindTable binds the grid; where it leaves the grid
// without a bound db::TableModel, one is bound here instead.
class EditorUnderTest
{
public:
    EditorUnderTest();
    ~EditorUnderTest();

    // Shows the window and lets it paint once, as it is before the binding.
    void showAndSettle();
    void bind(const QString &connectionString, const QString &table);

    QTableView *grid() const;
    db::TableModel *model() const;
    bool boundByWindow() const { return m_boundByWindow; }
    platform::ScriptedServices &scripted() { return m_scripted; }

private:
    platform::ScriptedServices m_scripted;
    std::unique_ptr<ui::Windows> m_windows;
    ui::Form3 *m_form3 = nullptr;
    QPointer<db::TableModel> m_model;
    bool m_boundByWindow = false;
};

// Runs the event loop until done() holds or the time is up.
bool RunUntil(const std::function<bool()> &done, int timeoutMs);

// A line of /proc/self/status in kB (VmHWM, VmRSS), or -1.
qint64 StatusKb(const char *field);

} // namespace bench
