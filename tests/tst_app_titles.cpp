#include "app/titles.h"

#include <QTest>

class TestAppTitles : public QObject
{
    Q_OBJECT

private slots:
    void shortTitle_data();
    void shortTitle();
    void setAppTitleUsesTheDisplayTitle();
};

void TestAppTitles::shortTitle_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no blank keeps the whole title") << "Gravelin" << "Gravelin";
    QTest::newRow("one blank drops the last word") << "Gravelin Editor" << "Gravelin";
    QTest::newRow("short title still loses its last word")
        << "Firebird Table Editor" << "Firebird Table";
    QTest::newRow("only the text before the last blank") << "A  B" << "A ";
    QTest::newRow("trailing blank") << "Gravelin " << "Gravelin";
    QTest::newRow("cut again while longer than 40")
        << "Gravelin Editor For Firebird And Interbase Database Files"
        << "Gravelin Editor For Firebird And";
    QTest::newRow("exactly 40 after one cut")
        << QString(40, 'x') + " tail" << QString(40, 'x');
    QTest::newRow("41 after one cut is cut again")
        << "aaaa " + QString(36, 'x') + " tail" << "aaaa";
    QTest::newRow("long without a blank left is kept")
        << QString(45, 'y') + " tail" << QString(45, 'y');
    QTest::newRow("empty") << "" << "";
}

void TestAppTitles::shortTitle()
{
    QFETCH(QString, display);
    QFETCH(QString, expected);
    QCOMPARE(app::ShortTitleFor(display), expected);
}

void TestAppTitles::setAppTitleUsesTheDisplayTitle()
{
    app::SetAppTitle();
    QCOMPARE(app::ShortTitle(), QStringLiteral("Gravelin"));
    QCOMPARE(QString::fromLatin1(app::DisplayTitle), QStringLiteral("Gravelin"));
}

QTEST_GUILESS_MAIN(TestAppTitles)
#include "tst_app_titles.moc"
