#include "app/errorreport.h"
#include "db/client/dberror.h"

#include <QSet>
#include <QTest>

#include <stdexcept>

class TestAppErrorReport : public QObject
{
    Q_OBJECT

private slots:
    void reportText();
    void emptyDescriptionBeginsWithLineBreak();
    void irregularLocationIsKeptAsWritten();
    void locationTable();
    void lineNumbers_data();
    void lineNumbers();
    void printerModuleFormat();
    void descriptions();
};

void TestAppErrorReport::reportText()
{
    const QString text = app::ErrorReportText("Connection refused",
                                              app::loc::Form2_PushButton3_Click.text, 110);
    QCOMPARE(text, QStringLiteral("Connection refused\r\nin Quorvane2020/08/02.Form2."
                                  "PushButton3_Click at line 110\r\r"));
    QCOMPARE(QString::fromLatin1(app::ErrorReportTitle), QStringLiteral("Application Error"));
}

void TestAppErrorReport::emptyDescriptionBeginsWithLineBreak()
{
    const QString text = app::ErrorReportText(QString(), app::loc::Form1_Form_Load.text, 104);
    QVERIFY(text.startsWith("\r\nin Quorvane2020/08/02.Form1.Form_Load at line 104"));
    QVERIFY(text.endsWith("104\r\r"));
}

void TestAppErrorReport::irregularLocationIsKeptAsWritten()
{
    const QString text = app::ErrorReportText("x", app::loc::Form3_mnuXLS_Click.text, 120);
    QCOMPARE(text.split("\r\n").at(1), QStringLiteral("in Quorvane.Form3.mnuXLS_Click at line 120\r\r"));
    QCOMPARE(QString::fromLatin1(app::loc::Datagrid1_SaveDataGridToFile.text),
             QStringLiteral("in Quorvane2020/08/02.Datagrid1.SaveDataGridToFile "));
    QCOMPARE(QString::fromLatin1(app::loc::Form3_chkNewColumn_Click.text),
             QStringLiteral("in Quorvane2020/08/02.Form3.chkNewColumn_Click "));
    QCOMPARE(QString::fromLatin1(app::loc::frmNewTable_cmdAdd_Click.text),
             QStringLiteral("in Quorvane2020/08/02.frmNewTable.cmdAdd_Click "));
}

void TestAppErrorReport::locationTable()
{
    QSet<QString> texts;
    for (const app::Location &location : app::loc::All) {
        const QString text = QString::fromLatin1(location.text);
        QVERIFY2(text.startsWith("in Quorvane2020/08/02.") || text == "in Quorvane.Form3.mnuXLS_Click ",
                 qPrintable(text));
        QVERIFY2(text.endsWith(' ') && !text.endsWith("  "), qPrintable(text));
        QVERIFY2(app::LineAllowed(location, 100) || text.contains("Form3.PushButton4_Click")
                     || text.contains("Form3.PushButton6_Click"),
                 qPrintable(text));
        texts.insert(text);
    }
    QCOMPARE(texts.size(), 28);
}

void TestAppErrorReport::lineNumbers_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("allowed");

    auto row = [](const app::Location &location, int line, bool allowed) {
        QTest::addRow("%s %d", location.text, line) << QString::fromLatin1(location.text) << line
                                                    << allowed;
    };
    row(app::loc::Form1_Form_Load, 100, true);
    row(app::loc::Form1_Form_Load, 102, false);
    row(app::loc::Form1_Form_Load, 104, true);
    row(app::loc::Form1_Form_Load, 106, false);
    row(app::loc::Form1_Form_Load, 124, true);
    row(app::loc::Form1_Form_Load, 138, true);
    row(app::loc::Form1_Form_Load, 140, false);
    row(app::loc::Form1_PushButton3_Click, 108, true);
    row(app::loc::Form1_PushButton3_Click, 110, false);
    row(app::loc::Form1_PushButton3_Click, 103, false);
    row(app::loc::Form2_Form_Load, 104, false);
    row(app::loc::Form2_Form_Load, 106, true);
    row(app::loc::Form2_PushButton3_Click, 132, true);
    row(app::loc::Form3_PushButton4_Click, 100, false);
    row(app::loc::Form3_PushButton4_Click, 102, true);
    row(app::loc::Form3_PushButton6_Click, 106, true);
    row(app::loc::Form3_mnuXLS_Click, 154, true);
    row(app::loc::frmNewTable_PushButton2_Click, 120, true);
    row(app::loc::frmNewTable_PushButton2_Click, 122, false);
    row(app::loc::frmNewTable_PushButton2_Click, 124, true);
    row(app::loc::frmNewTable_PushButton2_Click, 130, true);
}

void TestAppErrorReport::lineNumbers()
{
    QFETCH(QString, location);
    QFETCH(int, line);
    QFETCH(bool, allowed);
    for (const app::Location &candidate : app::loc::All) {
        if (QString::fromLatin1(candidate.text) == location) {
            QCOMPARE(app::LineAllowed(candidate, line), allowed);
            return;
        }
    }
    QFAIL("location not in the table");
}

void TestAppErrorReport::printerModuleFormat()
{
    QCOMPARE(app::PrinterModuleReportText(482, "Printer not found"),
             QStringLiteral("Error No: 482\r\nPrinter not found\r\nHas occured in "
                            "modPrinters.GetDefaultPrinter\r\nPlease contact Technical Support"));
}

void TestAppErrorReport::descriptions()
{
    auto describe = [](auto &&thrower) {
        try {
            thrower();
        } catch (...) {
            return app::Describe(std::current_exception());
        }
        return QString();
    };
    QCOMPARE(describe([] { throw db::DbError("I/O error during \"open\""); }),
             QStringLiteral("I/O error during \"open\""));
    QCOMPARE(describe([] { throw std::runtime_error("Invalid picture"); }),
             QStringLiteral("Invalid picture"));
    QCOMPARE(describe([] { throw 42; }), QStringLiteral("Unknown error"));
    QCOMPARE(app::Describe(nullptr), QStringLiteral("Unknown error"));
}

QTEST_GUILESS_MAIN(TestAppErrorReport)
#include "tst_app_errorreport.moc"
