// The BLOB window's own decisions: the lines of its hex view, its title and
// what it says about a BLOB it cannot change.

#include "ui/blobwindow.h"

#include <QTest>

using ui::BlobLock;
using ui::HexLine;

Q_DECLARE_METATYPE(HexLine)

class TestBlobWindow : public QObject
{
    Q_OBJECT

private slots:
    void hexLine_data();
    void hexLine();
    void title_data();
    void title();
    void lockAndSize();
};

void TestBlobWindow::hexLine_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<HexLine>("line");
    QTest::newRow("no bytes") << qint64(0) << QByteArray() << HexLine{"00000000", "", ""};
    QTest::newRow("a full line, gap after the eighth") << qint64(16)
        << QByteArray("0123456789ABCDEF")
        << HexLine{"00000010", "30 31 32 33 34 35 36 37  38 39 41 42 43 44 45 46",
                   "0123456789ABCDEF"};
    QTest::newRow("a short last line") << qint64(0x7FFFFFF0) << QByteArray("a b")
        << HexLine{"7FFFFFF0", "61 20 62", "a b"};
    QTest::newRow("NUL, controls, DEL and high bytes are dots")
        << qint64(0) << QByteArray("\x00\x1f\x20\x7e\x7f\x80\xff", 7)
        << HexLine{"00000000", "00 1F 20 7E 7F 80 FF", ".. ~..."};
    QTest::newRow("past 4 GB the offset grows") << qint64(0x123456780) << QByteArray("z")
        << HexLine{"123456780", "7A", "z"};
}

void TestBlobWindow::hexLine()
{
    QFETCH(qint64, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(HexLine, line);
    const HexLine made = ui::HexLineOf(offset, bytes);
    QCOMPARE(made.offset, line.offset);
    QCOMPARE(made.hex, line.hex);
    QCOMPARE(made.text, line.text);
}

void TestBlobWindow::title_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("newRecord");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("title");
    QTest::newRow("a row, counted from 1") << 2 << false << false << "BLOB DOC, row 3";
    QTest::newRow("the new-record line") << 7 << true << false << "BLOB DOC, new record";
    QTest::newRow("read-only") << 0 << false << true << "BLOB DOC, row 1 (read-only)";
}

void TestBlobWindow::title()
{
    QFETCH(int, row);
    QFETCH(bool, newRecord);
    QFETCH(bool, readOnly);
    QFETCH(QString, title);
    QCOMPARE(ui::BlobWindowTitle("DOC", row, newRecord, readOnly), title);
}

void TestBlobWindow::lockAndSize()
{
    QCOMPARE(ui::BlobLockText(BlobLock::View, "DOC"),
             QStringLiteral("Read-only: the rows of this view cannot be changed here."));
    QCOMPARE(ui::BlobLockText(BlobLock::Table, "DOC"),
             QStringLiteral("Read-only: the rows of this table cannot be changed here."));
    QCOMPARE(ui::BlobLockText(BlobLock::None, "DOC"), QString());
    QCOMPARE(ui::BlobSizeLine({true, {}}), QStringLiteral("NULL"));
    QCOMPARE(ui::BlobSizeLine({false, {}}), QStringLiteral("0 bytes"));
    QCOMPARE(ui::BlobSizeLine({false, QByteArray(1, '\0')}), QStringLiteral("1 byte"));
    QCOMPARE(ui::BlobSizeLine({false, QByteArray(1234567, 'x')}), QStringLiteral("1,234,567 bytes"));
}

QTEST_MAIN(TestBlobWindow)
#include "tst_blobwindow.moc"
