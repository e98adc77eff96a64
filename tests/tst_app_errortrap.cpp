#include "app/errortrap.h"
#include "db/client/dberror.h"
#include "platform/scriptedservices.h"

#include <QTest>

#include <stdexcept>

using Kind = platform::ScriptedMessageBoxes::Kind;

class TestAppErrorTrap : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_messages = platform::ScriptedMessageBoxes(); }
    void successfulStepsShowNothing();
    void failingStepIsReportedAndTheHandlerGoesOn();
    void twoFailingStepsGiveTwoReports();
    void failingTestRunsTheGuardedSteps();
    void passingAndFailingTests();
    void stepThatDoneWorkBeforeFailingKeepsIt();
    void descriptionsOfFailures();
    void loopStopsAtItsBound();
    void loopWhoseTestKeepsFailingEnds();
    void loopRecoversAfterOneFailingTest();

private:
    platform::ScriptedMessageBoxes m_messages;
};

void TestAppErrorTrap::successfulStepsShowNothing()
{
    app::ErrorTrap trap(m_messages, app::loc::Form1_PushButton7_Click);
    int ran = 0;
    trap.step(100, [&] { ++ran; });
    trap.step(102, [&] { ++ran; });
    QCOMPARE(ran, 2);
    QCOMPARE(trap.currentLine(), 102);
    QVERIFY(m_messages.calls.isEmpty());
}

void TestAppErrorTrap::failingStepIsReportedAndTheHandlerGoesOn()
{
    app::ErrorTrap trap(m_messages, app::loc::Form1_PushButton7_Click);
    bool after = false;
    trap.step(100, [] { throw std::runtime_error("boom"); });
    trap.step(102, [&] { after = true; });
    QVERIFY(after);
    QCOMPARE(m_messages.calls.size(), 1);
    const auto &call = m_messages.calls.first();
    QCOMPARE(call.kind, Kind::Warn);
    QCOMPARE(call.icon, platform::ScriptedMessageBoxes::Icon::Exclamation);
    QCOMPARE(call.title, QStringLiteral("Application Error"));
    QCOMPARE(call.text, QStringLiteral("boom\r\nin Quorvane2020/08/02.Form1.PushButton7_Click "
                                       "at line 100\r\r"));
}

void TestAppErrorTrap::twoFailingStepsGiveTwoReports()
{
    app::ErrorTrap trap(m_messages, app::loc::Form2_PushButton1_Click);
    trap.step(110, [] { throw db::DbError("cannot attach"); });
    trap.step(114, [] { throw db::DbError("cannot attach again"); });
    trap.step(120, [] {});
    QCOMPARE(m_messages.calls.size(), 2);
    QVERIFY(m_messages.calls.at(0).text.startsWith("cannot attach\r\n"));
    QVERIFY(m_messages.calls.at(0).text.endsWith("PushButton1_Click at line 110\r\r"));
    QVERIFY(m_messages.calls.at(1).text.startsWith("cannot attach again\r\n"));
    QVERIFY(m_messages.calls.at(1).text.endsWith("PushButton1_Click at line 114\r\r"));
    QCOMPARE(trap.reports(), 2);
}

void TestAppErrorTrap::failingTestRunsTheGuardedSteps()
{
    app::ErrorTrap trap(m_messages, app::loc::Form1_Form_Load);
    bool body = false;
    if (trap.test(134, []() -> bool { throw std::runtime_error("no text"); }))
        trap.step(136, [&] { body = true; });
    QVERIFY(body);
    QCOMPARE(m_messages.calls.size(), 1);
    QVERIFY(m_messages.calls.first().text.endsWith("Form_Load at line 134\r\r"));
}

void TestAppErrorTrap::passingAndFailingTests()
{
    app::ErrorTrap trap(m_messages, app::loc::Form1_Form_Load);
    QVERIFY(trap.test(134, [] { return true; }));
    QVERIFY(!trap.test(134, [] { return false; }));
    QVERIFY(m_messages.calls.isEmpty());
}

void TestAppErrorTrap::stepThatDoneWorkBeforeFailingKeepsIt()
{
    app::ErrorTrap trap(m_messages, app::loc::Form1_PushButton7_Click);
    QStringList done;
    trap.step(100, [&] {
        done << "first half";
        throw std::runtime_error("half way");
    });
    QCOMPARE(done, QStringList{"first half"});
}

void TestAppErrorTrap::descriptionsOfFailures()
{
    app::ErrorTrap trap(m_messages, app::loc::Form1_PushButton7_Click);
    trap.step(100, [] { throw db::DbError("Your user name and password are not defined"); });
    trap.step(102, [] { throw 7; });
    trap.step(104, [] { throw std::runtime_error(""); });
    QCOMPARE(m_messages.calls.size(), 3);
    QVERIFY(m_messages.calls.at(0).text.startsWith("Your user name and password are not defined\r\n"));
    QVERIFY(m_messages.calls.at(1).text.startsWith("Unknown error\r\n"));
    QVERIFY(m_messages.calls.at(2).text.startsWith("\r\nin Quorvane"));
}

void TestAppErrorTrap::loopStopsAtItsBound()
{
    app::ErrorTrap trap(m_messages, app::loc::Datagrid1_SaveDataGridToFile);
    app::TrapLoop loop(trap, 112, 5);
    int bodies = 0;
    while (loop.next([] { return true; }))
        ++bodies;
    QCOMPARE(bodies, 5);
    QVERIFY(m_messages.calls.isEmpty());
}

void TestAppErrorTrap::loopWhoseTestKeepsFailingEnds()
{
    app::ErrorTrap trap(m_messages, app::loc::Datagrid1_SaveDataGridToFile);
    app::TrapLoop loop(trap, 112, 1000000);
    int bodies = 0;
    while (loop.next([]() -> bool { throw std::runtime_error("no rows"); }))
        ++bodies;
    // The first failure runs the body once, as after any failing step; the
    // second in a row ends the loop.
    QCOMPARE(bodies, 1);
    QCOMPARE(m_messages.calls.size(), 2);
    QVERIFY(m_messages.calls.at(1).text.endsWith("at line 112\r\r"));
}

void TestAppErrorTrap::loopRecoversAfterOneFailingTest()
{
    app::ErrorTrap trap(m_messages, app::loc::Datagrid1_SaveDataGridToFile);
    app::TrapLoop loop(trap, 112, 100);
    int round = 0;
    int bodies = 0;
    while (loop.next([&]() -> bool {
        ++round;
        if (round == 2)
            throw std::runtime_error("once");
        return round < 5;
    }))
        ++bodies;
    QCOMPARE(bodies, 4);
    QCOMPARE(m_messages.calls.size(), 1);
}

QTEST_GUILESS_MAIN(TestAppErrorTrap)
#include "tst_app_errortrap.moc"
