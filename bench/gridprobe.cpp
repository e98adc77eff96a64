#include "bench/gridprobe.h"

#include "db/grid/tablemodel.h"
#include "ui/form3.h"
#include "ui/windows.h"

#include <QAbstractProxyModel>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTableView>
#include <QTimer>

#include <stdexcept>

#include <time.h>

namespace bench {

qint64 Now()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

namespace {

qint64 cpuClock(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

qint64 ThreadCpuNow()
{
    return cpuClock(CLOCK_THREAD_CPUTIME_ID);
}

qint64 ProcessCpuNow()
{
    return cpuClock(CLOCK_PROCESS_CPUTIME_ID);
}

PaintWatch::PaintWatch(QWidget *widget)
    : m_widget(widget)
{
    widget->installEventFilter(this);
}

bool PaintWatch::wait(std::function<bool()> ready, int timeoutMs)
{
    m_ready = std::move(ready);
    m_seen = false;
    m_paintedAt = 0;
    const bool painted = RunUntil([this] { return m_paintedAt != 0; }, timeoutMs);
    m_ready = nullptr;
    return painted;
}

bool PaintWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget && event->type() == QEvent::Paint && m_ready && !m_seen
        && m_ready()) {
        m_seen = true;
        // Runs once the repaint pass that sent this event has drawn and flushed.
        QMetaObject::invokeMethod(this, [this] { m_paintedAt = Now(); }, Qt::QueuedConnection);
    }
    return false;
}

StallMeter::StallMeter(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(1);
    connect(m_timer, &QTimer::timeout, this, &StallMeter::tick);
}

void StallMeter::start()
{
    m_longest = m_longestCpu = 0;
    m_last = m_longestStart = Now();
    m_lastCpu = ThreadCpuNow();
    m_timer->start();
}

void StallMeter::stop()
{
    tick();
    m_timer->stop();
}

void StallMeter::tick()
{
    const qint64 now = Now();
    const qint64 cpu = ThreadCpuNow();
    if (now - m_last > m_longest) {
        m_longest = now - m_last;
        m_longestStart = m_last;
        m_longestCpu = cpu - m_lastCpu;
    }
    m_last = now;
    m_lastCpu = cpu;
}

EditorUnderTest::EditorUnderTest()
    : m_windows(std::make_unique<ui::Windows>(m_scripted.services()))
    , m_form3(&m_windows->form3())
{
}

EditorUnderTest::~EditorUnderTest() = default;

QTableView *EditorUnderTest::grid() const
{
    return m_form3->DataGrid1();
}

db::TableModel *EditorUnderTest::model() const
{
    return m_model;
}

void EditorUnderTest::showAndSettle()
{
    m_form3->show();
    PaintWatch watch(grid()->viewport());
    if (!watch.wait([] { return true; }, 5000))
        throw std::runtime_error("the table editor window never painted");
    RunUntil([] { return false; }, 100);
}

namespace {

db::TableModel *findTableModel(QAbstractItemModel *model)
{
    while (model) {
        if (auto *table = qobject_cast<db::TableModel *>(model))
            return table;
        auto *proxy = qobject_cast<QAbstractProxyModel *>(model);
        model = proxy ? proxy->sourceModel() : nullptr;
    }
    return nullptr;
}

} // namespace

void EditorUnderTest::bind(const QString &connectionString, const QString &table)
{
    m_form3->BindTable(connectionString, table);
    if (!m_scripted.messages.calls.isEmpty())
        throw std::runtime_error("binding the table reported: "
                                 + m_scripted.messages.calls.first().text.toStdString());
    if (QAbstractItemModel *shown = grid()->model()) {
        m_model = findTableModel(shown);
        if (!m_model)
            throw std::runtime_error("the editor's grid shows a model that is no db::TableModel");
        m_boundByWindow = m_model->isBound();
        if (!m_boundByWindow)
            m_model->bind(connectionString, table);
        return;
    }
    m_model = new db::TableModel(grid());
    m_model->bind(connectionString, table);
    grid()->setModel(m_model);
}

bool RunUntil(const std::function<bool()> &done, int timeoutMs)
{
    // The heartbeat only makes sure the wait wakes up to look at the clock.
    QTimer heartbeat;
    heartbeat.start(10);
    const qint64 deadline = Now() + qint64(timeoutMs) * 1'000'000;
    while (!done()) {
        if (Now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

qint64 StatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace bench
