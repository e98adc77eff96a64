// The one runner of long work: a job's work runs off the UI thread, its
// progress shows only after half a second, and Cancel, Escape or a failure
// end it with what was done kept.

#include "db/grid/job.h"
#include "ui/jobrunner.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <set>
#include <stdexcept>
#include <thread>

namespace {

// Counts to `steps`, one step every 10 ms on the worker, in pieces of 10.
class CountingJob : public db::Job
{
public:
    CountingJob(int steps, int failAt) : m_steps(steps), m_failAt(failAt) {}

    Step prepare() override
    {
        return cancelled() || m_done >= m_steps ? Step::Done : Step::Work;
    }
    void work() override
    {
        m_workers.insert(std::this_thread::get_id());
        ++m_pieces;
        for (int i = 0; i < 10 && !cancelled(); ++i) {
            if (m_done == m_failAt)
                throw std::runtime_error("refused");
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ++m_done;
        }
    }
    void apply() override { ++m_applied; }
    QString progressText() const override
    {
        return QStringLiteral("%1 of %2 counted").arg(m_done.load()).arg(m_steps);
    }
    int progressPermille() const override { return m_done * 1000 / m_steps; }

    int done() const { return m_done; }
    int applied() const { return m_applied; }
    int pieces() const { return m_pieces; }
    bool workedOnlyOffThisThread() const
    {
        return !m_workers.empty() && !m_workers.count(std::this_thread::get_id());
    }

private:
    int m_steps;
    int m_failAt;
    std::atomic<int> m_done{0};
    int m_applied = 0;
    int m_pieces = 0;
    std::set<std::thread::id> m_workers;
};

} // namespace

class TestJobRunner : public QObject
{
    Q_OBJECT

private slots:
    void endings_data();
    void endings();
};

void TestJobRunner::endings_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("failAt");
    QTest::addColumn<QString>("press");   // on the progress dialog: "", "cancel", "escape", "reject"
    QTest::addColumn<bool>("dialogShown");
    QTest::newRow("short: no dialog at all") << 20 << -1 << "" << false;
    QTest::newRow("long: the dialog shows the job's line") << 100 << -1 << "" << true;
    QTest::newRow("Cancel stops it") << 1000 << -1 << "cancel" << true;
    QTest::newRow("Escape stops it") << 1000 << -1 << "escape" << true;
    // Escape on a dialog not yet active misses the Cancel shortcut and
    // rejects the dialog instead.
    QTest::newRow("rejecting the dialog stops it") << 1000 << -1 << "reject" << true;
    QTest::newRow("a failure ends it and is kept") << 1000 << 35 << "" << false;
}

void TestJobRunner::endings()
{
    QFETCH(int, steps);
    QFETCH(int, failAt);
    QFETCH(QString, press);
    QWidget window;
    window.setWindowTitle("Counting");
    window.show();
    CountingJob job(steps, failAt);
    QString line;
    QString title;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        auto *dialog = window.findChild<QProgressDialog *>();
        if (!dialog || !dialog->isVisible() || !line.isEmpty())
            return;
        line = dialog->labelText();
        title = dialog->windowTitle();
        if (press == "cancel")
            dialog->findChild<QPushButton *>()->click();
        else if (press == "escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (press == "reject")
            dialog->reject();
    });
    watch.start(20);
    QElapsedTimer clock;
    clock.start();
    ui::JobRunner(&window).run(job);
    QFETCH(bool, dialogShown);
    QCOMPARE(!line.isEmpty(), dialogShown);
    QVERIFY(job.workedOnlyOffThisThread());
    QCOMPARE(job.applied(), job.pieces());   // every piece worked is put in place
    if (dialogShown) {
        QVERIFY2(line.endsWith(QString(" of %1 counted").arg(steps)), qPrintable(line));
        QCOMPARE(title, QString("Counting"));
        QVERIFY(clock.elapsed() >= 500);
    }
    if (!press.isEmpty()) {
        QVERIFY(job.cancelled());
        QVERIFY2(job.done() > 0 && job.done() < steps, qPrintable(QString::number(job.done())));
    } else if (failAt >= 0) {
        QVERIFY(job.failure());
        QCOMPARE(job.done(), failAt);
    } else {
        QCOMPARE(job.done(), steps);
        QVERIFY(!job.failure());
    }
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestJobRunner)
#include "tst_jobrunner.moc"
