// Text columns at the widest each character set allows: written from the
// grid, read back whole and exported whole, in every character set.

#include "export/gridview.h"
#include "export/textexports.h"
#include "platform/scriptedservices.h"
#include "tests/support/exportfiles.h"
#include "tests/tst_tablemodel_harness.h"

#include <QTemporaryDir>

using namespace modeltest;

class TestWideText : public QObject
{
    Q_OBJECT

private slots:
    void wholeValue_data()
    {
        QTest::addColumn<QString>("charSet");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("ISO8859_1") << "ISO8859_1" << 32765 << QString::fromUtf8("äöüß");
        QTest::newRow("WIN1252") << "WIN1252" << 32765 << QString::fromUtf8("é€a—");
        QTest::newRow("WIN1251") << "WIN1251" << 32765 << QString::fromUtf8("Жжя");
        QTest::newRow("NONE") << "NONE" << 32765 << QString("abc");
        QTest::newRow("UNICODE_FSS") << "UNICODE_FSS" << 10921 << QString::fromUtf8("€日a");
        QTest::newRow("UTF8") << "UTF8" << 8191 << QString::fromUtf8("𝄞é");
        QTest::newRow("SJIS_0208") << "SJIS_0208" << 16382 << QString::fromUtf8("日本語");
    }
    void wholeValue()
    {
        QFETCH(QString, charSet);
        QFETCH(int, length);
        QFETCH(QString, pattern);
        QString text;
        while (text.size() < length)
            text += pattern;
        text.truncate(length);
        if (text.back().isHighSurrogate())
            text.chop(1);
        TempDatabase db;
        db.exec({QStringLiteral("CREATE TABLE W (ID INTEGER NOT NULL PRIMARY KEY, "
                                "V VARCHAR(%1) CHARACTER SET %2)").arg(length).arg(charSet),
                 "INSERT INTO W (ID) VALUES (1)"});
        db.release();
        {
            TableModel model;
            QVERIFY(bindAll(model, db, "W"));
            QVERIFY(model.setData(model.index(0, 1), text, Qt::EditRole));
            QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
        }
        TableModel model;
        QVERIFY(bindAll(model, db, "W"));
        const QString shown = model.index(0, 1).data(Qt::EditRole).toString();
        QCOMPARE(shown.size(), text.size());
        QVERIFY(shown == text);
        db::sql::TableRead read;
        read.table = "W";
        exports::TableGridView grid(db.connectionString(), read, -1);
        platform::ScriptedMessageBoxes messages;
        db::JobsHere jobs;
        QTemporaryDir dir;
        const QString path = dir.filePath("w.csv");
        QVERIFY(exports::SaveDataGridToCsvFile(grid, path, exports::ExportUi{messages, jobs})
                    .finished());
        const QList<QStringList> records =
            testsupport::ReadCsv(QString::fromUtf8(testsupport::ReadFile(path)));
        QCOMPARE(records.size(), 2);
        QVERIFY(records[1].value(1) == text);
    }
};

QTEST_MAIN(TestWideText)
#include "tst_widetext.moc"
