#include "platform/filedialogs.h"
#include "platform/qtservices.h"
#include "platform/scriptedservices.h"

#include <QTest>

class TestPlatformScripted : public QObject
{
    Q_OBJECT

private slots:
    void nameFilters_data();
    void nameFilters();
    void messageBoxesRecordAndAnswer();
    void fileDialogsAnswerInOrder();
    void printers();
    void qtPrintersListThePdfWriter();
};

void TestPlatformScripted::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");

    QTest::newRow("patterns already named")
        << "FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|"
        << "FirebirdInterbase Database (*.fdb *.gdb)";
    QTest::newRow("patterns appended") << "Text|*.txt|" << "Text (*.txt)";
    QTest::newRow("two entries, no trailing bar")
        << "Text (*.txt)|*.txt|All files|*.*" << "Text (*.txt);;All files (*.*)";
    QTest::newRow("empty") << "" << "";
}

void TestPlatformScripted::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(platform::QtNameFilters(filter), expected);
}

void TestPlatformScripted::messageBoxesRecordAndAnswer()
{
    platform::ScriptedMessageBoxes boxes;
    boxes.answers = {true};
    int shown = 0;
    boxes.onShow = [&](const platform::ScriptedMessageBoxes::Call &call) {
        ++shown;
        QVERIFY(!call.text.isEmpty());
    };
    QVERIFY(boxes.ask("T", "first?"));
    QVERIFY(!boxes.ask("T", "second, queue empty?"));
    boxes.informWithDetail("T", "Could not connect.", "reason");
    boxes.warn("Application Error", "x");
    QCOMPARE(shown, 4);
    QCOMPARE(boxes.calls.size(), 4);
    QCOMPARE(boxes.calls.at(2).detail, QStringLiteral("reason"));
    QCOMPARE(boxes.calls.at(3).icon, platform::ScriptedMessageBoxes::Icon::Exclamation);
    QCOMPARE(boxes.calls.at(0).icon, platform::ScriptedMessageBoxes::Icon::None);
}

void TestPlatformScripted::fileDialogsAnswerInOrder()
{
    platform::ScriptedFileDialogs files;
    files.answers = {"/a.fdb", ""};
    QCOMPARE(files.openFile("Open", "x|*.x|"), QStringLiteral("/a.fdb"));
    QCOMPARE(files.saveFile("Save", "y|*.y|", "t.txt"), QString());
    QCOMPARE(files.openFile("Open", "x|*.x|"), QString());
    QCOMPARE(files.calls.size(), 3);
    QCOMPARE(files.calls.at(1).suggestedName, QStringLiteral("t.txt"));
}

void TestPlatformScripted::printers()
{
    platform::ScriptedPrinters printers;
    printers.printerNames = {"Laser", "Vellacourt PDF Writer"};
    printers.defaultName = "Laser";
    QVERIFY(!printers.setDefaultPrinter("Nowhere"));
    QCOMPARE(printers.defaultPrinter(), QStringLiteral("Laser"));
    QVERIFY(printers.setDefaultPrinter("Vellacourt PDF Writer"));
    QCOMPARE(printers.defaultPrinter(), QStringLiteral("Vellacourt PDF Writer"));
}

void TestPlatformScripted::qtPrintersListThePdfWriter()
{
    platform::QtPrinters printers;
    const QString before = printers.defaultPrinter();
    QVERIFY(printers.names().contains("Vellacourt PDF Writer"));
    QVERIFY(!printers.setDefaultPrinter("No Such Printer Anywhere"));
    QCOMPARE(printers.defaultPrinter(), before);
    QVERIFY(printers.setDefaultPrinter("Vellacourt PDF Writer"));
    QCOMPARE(printers.defaultPrinter(), QStringLiteral("Vellacourt PDF Writer"));
}

QTEST_MAIN(TestPlatformScripted)
#include "tst_platform_scripted.moc"
