#include "tests/tst_tablemodel_harness.h"

using namespace db;
using namespace modeltest;

// Text in every charset through a CHARSET=NONE connection, text blobs read
// on demand, binary blobs.
class tst_TableModelText : public QObject
{
    Q_OBJECT

private slots:
    void connectionKeepsCharsetNone();
    void largeTextBlobLoadsOnDemand_data();
    void largeTextBlobLoadsOnDemand();
    void largeWin1252TextBlob();
    void blobPreviewIsAPrefix_data();
    void blobPreviewIsAPrefix();
    void binaryBlobShowsSizeAndIsReadOnly();
    void textTheCharsetCannotHoldIsRefused_data();
    void textTheCharsetCannotHoldIsRefused();
};

namespace {

void createTable(TempDatabase &database)
{
    database.exec({"CREATE TABLE X (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10), "
                   "VW VARCHAR(20) CHARACTER SET WIN1252, VI VARCHAR(20) CHARACTER SET ISO8859_1, "
                   "TB BLOB SUB_TYPE TEXT, TBW BLOB SUB_TYPE TEXT CHARACTER SET WIN1252, "
                   "TBN BLOB SUB_TYPE TEXT CHARACTER SET NONE, BB BLOB SUB_TYPE BINARY)",
                   "INSERT INTO X VALUES (1, 'one', 'w1', 'i1', 'tb1', 'tbw1', 'tbn1', 'bb1')",
                   "INSERT INTO X VALUES (2, 'two', 'w2', 'i2', 'tb2', 'tbw2', 'tbn2', 'bb2')",
                   "INSERT INTO X VALUES (3, 'three', 'w3', 'i3', 'tb3', 'tbw3', 'tbn3', 'bb3')"});
}

// About bytes of text with characters of one to four bytes, over many lines.
QString longText(int bytes)
{
    QString text;
    for (qsizetype size = 0, line = 0; size < bytes; ++line) {
        const QString next = QString("Zoë 茶 🍵 line %1 of a long text blob\n").arg(line);
        size += next.toUtf8().size();
        text += next;
    }
    return text;
}

} // namespace

// Non-ASCII text below goes through the program's own connection string.
void tst_TableModelText::connectionKeepsCharsetNone()
{
    TempDatabase database;
    QVERIFY(database.connectionString().contains("CHARSET=NONE"));
}

void tst_TableModelText::largeTextBlobLoadsOnDemand_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("size");
    QTest::newRow("utf8") << "TB" << 100 * 1024;
    QTest::newRow("none") << "TBN" << 100 * 1024;
    QTest::newRow("utf8, 10 MB") << "TB" << 10 * 1024 * 1024;
}

void tst_TableModelText::largeTextBlobLoadsOnDemand()
{
    QFETCH(QString, column);
    QFETCH(int, size);
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "X"));
    const int c = columnOf(model, column);
    const QString text = longText(size);
    const QStringList before = tableSnapshot(database, "X");
    QVERIFY(model.setData(model.index(1, c), text));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(valueOf(database, QString("SELECT %1 FROM X WHERE ID = 2").arg(column)),
             hex(text.toUtf8()));
    QCOMPARE(tableSnapshot(database, "X")[0], before[0]);
    QCOMPARE(tableSnapshot(database, "X")[2], before[2]);

    TableModel again;
    QVERIFY(bindAll(again, database, "X"));
    const QString preview = display(again, 1, c);
    QVERIFY2(preview.size() < text.size() / 4, qPrintable(QString::number(preview.size())));
    QVERIFY(preview.endsWith(QString("…")));
    QVERIFY(text.startsWith(preview.chopped(1)));
    QCOMPARE(again.index(1, c).data(Qt::EditRole).toString(), text);
    // unchanged text typed back is no edit; a changed end is
    QVERIFY(!again.setData(again.index(1, c), text));
    QVERIFY(again.setData(again.index(1, c), text + "end"));
    QVERIFY2(again.submitRow(1), qPrintable(again.rowError(1)));
    QCOMPARE(valueOf(database, QString("SELECT %1 FROM X WHERE ID = 2").arg(column)),
             hex((text + "end").toUtf8()));
}

// Past the largest text parameter the text goes as a blob of its own, and
// the engine still transliterates it into the column's charset, or refuses.
void tst_TableModelText::largeWin1252TextBlob()
{
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "X"));
    const int c = columnOf(model, "TBW");
    QString text;
    for (int line = 0; text.toUtf8().size() < 100 * 1024; ++line)
        text += QString("café € line %1\n").arg(line);
    const QStringList before = tableSnapshot(database, "X");
    QVERIFY(model.setData(model.index(1, c), text + "日本"));
    QVERIFY(!model.submitRow(1));
    QVERIFY2(model.rowError(1).contains("Cannot transliterate character between character sets"),
             qPrintable(model.rowError(1)));
    QCOMPARE(model.index(1, c).data(Qt::EditRole).toString(), text + "日本");
    QCOMPARE(tableSnapshot(database, "X"), before);
    QVERIFY(model.setData(model.index(1, c), text));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QByteArray win1252 = text.toLatin1();   // é is the same byte; € is not Latin-1
    win1252.replace('?', '\x80');
    QCOMPARE(valueOf(database, "SELECT TBW FROM X WHERE ID = 2"), hex(win1252));
    TableModel again;
    QVERIFY(bindAll(again, database, "X"));
    QCOMPARE(again.index(1, c).data(Qt::EditRole).toString(), text);
}

void tst_TableModelText::blobPreviewIsAPrefix_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("shift");   // moves the preview's cut through a character
    for (const char *column : {"TB", "TBN", "TBW"}) {
        for (int shift = 0; shift < 4; ++shift)
            QTest::addRow("%s %d", column, shift) << QString(column) << shift;
    }
}

// However the preview's byte limit cuts the text, it shows whole characters
// of the right text.
void tst_TableModelText::blobPreviewIsAPrefix()
{
    QFETCH(QString, column);
    QFETCH(int, shift);
    TempDatabase database;
    createTable(database);
    const QString text = QString(shift, 'x')
        + (column == "TBW" ? QString("café € ").repeated(2000) : QString("茶🍵ë").repeated(2000));
    TableModel model;
    QVERIFY(bindAll(model, database, "X"));
    const int c = columnOf(model, column);
    QVERIFY(model.setData(model.index(0, c), text));
    QVERIFY2(model.submitRow(0), qPrintable(model.rowError(0)));
    TableModel again;
    QVERIFY(bindAll(again, database, "X"));
    const QString preview = display(again, 0, c);
    QVERIFY(preview.endsWith(QString("…")));
    QVERIFY2(text.startsWith(preview.chopped(1)), qPrintable(preview.right(20)));
    QVERIFY(preview.size() > 1000);
}

void tst_TableModelText::binaryBlobShowsSizeAndIsReadOnly()
{
    TempDatabase database;
    createTable(database);
    {
        Attachment attachment = database.attach();
        Transaction tx = attachment.begin(TxMode::Write);
        QByteArray bytes(1000, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7);
        Statement(tx, "UPDATE X SET BB = ? WHERE ID = 2").execute(tx, {Param::bytes(bytes, CsOctets)});
        tx.commit();
    }
    TableModel model;
    QVERIFY(bindAll(model, database, "X"));
    const int c = columnOf(model, "BB");
    // Painting never waits for the server: "…" first, the size with a repaint.
    QSignalSpy repainted(&model, &TableModel::dataChanged);
    QCOMPARE(model.index(1, c).data().toString(), QString("…"));
    QVERIFY(repainted.wait(10000));
    QCOMPARE(model.index(1, c).data().toString(), QString("(BLOB, 1000 bytes)"));
    QCOMPARE(model.index(1, c).data(Qt::EditRole).toString(), QString("(BLOB, 1000 bytes)"));
    QCOMPARE(display(model, 0, c), QString("(BLOB, 3 bytes)"));
    QVERIFY(!(model.flags(model.index(1, c)) & Qt::ItemIsEditable));
    QVERIFY(model.flags(model.index(1, c)) & Qt::ItemIsEnabled);
    QVERIFY(!model.setData(model.index(1, c), "abc"));
    QVERIFY(!model.setNull(model.index(1, c)));
    QVERIFY(!model.isRowDirty(1));
    // the other columns of that row stay editable and the blob survives their edits
    const QString blob = valueOf(database, "SELECT BB FROM X WHERE ID = 2");
    QVERIFY(model.flags(model.index(1, 1)) & Qt::ItemIsEditable);
    QVERIFY(model.setData(model.index(1, 1), "changed"));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    QCOMPARE(valueOf(database, "SELECT BB FROM X WHERE ID = 2"), blob);
    QCOMPARE(display(model, 1, c), QString("(BLOB, 1000 bytes)"));
}

void tst_TableModelText::textTheCharsetCannotHoldIsRefused_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("stored");   // good, as the column's bytes
    QTest::newRow("win1252") << "VW" << "日本" << "Zoë €" << "5A6FEB2080";
    QTest::newRow("win1252 mixed") << "VW" << "café 日本" << "café" << "636166E9";
    QTest::newRow("latin1") << "VI" << "5 €" << "5 ÿ" << "3520FF";
    QTest::newRow("win1252 blob") << "TBW" << "日本" << "Zoë €" << "5A6FEB2080";
}

// The server refuses the write; the typed text stays to be corrected and
// nothing is stored corrupted.
void tst_TableModelText::textTheCharsetCannotHoldIsRefused()
{
    QFETCH(QString, column);
    QFETCH(QString, bad);
    QFETCH(QString, good);
    QFETCH(QString, stored);
    TempDatabase database;
    createTable(database);
    TableModel model;
    QVERIFY(bindAll(model, database, "X"));
    const int c = columnOf(model, column);
    const QStringList before = tableSnapshot(database, "X");
    QVERIFY(model.setData(model.index(1, 1), "other"));
    QVERIFY(model.setData(model.index(1, c), bad));
    QSignalSpy failed(&model, &TableModel::writeFailed);
    QVERIFY(!model.submitRow(1));
    QCOMPARE(failed.count(), 1);
    QVERIFY2(model.rowError(1).contains("Cannot transliterate character between character sets"),
             qPrintable(model.rowError(1)));
    QCOMPARE(display(model, 1, c), bad);
    QCOMPARE(display(model, 1, 1), QString("other"));
    QCOMPARE(tableSnapshot(database, "X"), before);

    QVERIFY(model.setData(model.index(1, c), good));
    QVERIFY2(model.submitRow(1), qPrintable(model.rowError(1)));
    const QString raw = column == "TBW" ? column
                                        : QString("CAST(%1 AS VARCHAR(20) CHARACTER SET OCTETS)")
                                              .arg(column);
    QCOMPARE(valueOf(database, QString("SELECT %1 FROM X WHERE ID = 2").arg(raw)), stored);
    QCOMPARE(valueOf(database, "SELECT V FROM X WHERE ID = 2"), QString("other"));
    TableModel again;
    QVERIFY(bindAll(again, database, "X"));
    QCOMPARE(display(again, 1, c), good);
}

QTEST_GUILESS_MAIN(tst_TableModelText)
#include "tst_tablemodel_text.moc"
