// Reading delimited files for an import: records and their line numbers in
// every layout, whatever the chunk boundaries; the layout and captions the
// first lines suggest; encodings; a file that changes while it is read.

#include "export/importplan.h"
#include "export/importreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using exports::DelimitedFileReader;
using exports::ImportFileError;
using exports::Record;
using exports::TextEncoding;
using exports::TextLayout;

namespace {

TextLayout Layout(QChar delimiter, bool trailingTab = false)
{
    TextLayout layout;
    layout.delimiter = delimiter;
    layout.trailingTab = trailingTab;
    return layout;
}

// "line:field|field|field" per record; a quoted field is marked with '*'.
QStringList ReadAll(const QString &path, TextEncoding encoding, TextLayout layout,
                    qint64 chunkBytes)
{
    DelimitedFileReader reader(path, encoding, layout, chunkBytes);
    QStringList records;
    Record record;
    while (reader.next(record)) {
        QStringList fields;
        for (qsizetype i = 0; i < record.fields.size(); ++i)
            fields << (record.isQuoted(i) ? "*" : "") + record.fields[i];
        records << QString::number(record.line) + ":" + fields.join('|');
    }
    return records;
}

} // namespace

Q_DECLARE_METATYPE(exports::TextLayout)

class TestImportReader : public QObject
{
    Q_OBJECT

private slots:
    void records_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextLayout>("layout");
        QTest::addColumn<QStringList>("expected");
        const TextLayout comma = Layout(u','), txt = Layout(u'\t', true);
        QTest::newRow("CSV, CR LF") << QByteArray("ID,NAME\r\n1,Ann\r\n") << comma
                                    << QStringList{"1:ID|NAME", "2:1|Ann"};
        QTest::newRow("CSV, LF, no line end at the end")
            << QByteArray("a,b\n1,2") << comma << QStringList{"1:a|b", "2:1|2"};
        QTest::newRow("quotes hold delimiters, quotes and line ends; lines counted through them")
            << QByteArray("1,\"a,b\",\"say \"\"hi\"\"\"\r\n2,\"two\r\nlines\",x\r\n3,y,z\r\n")
            << comma
            << QStringList{"1:1|*a,b|*say \"hi\"", "2:2|*two\r\nlines|x", "4:3|y|z"};
        QTest::newRow("an empty pair of quotes is quoted, an empty field is not")
            << QByteArray("1,\"\",\r\n") << comma << QStringList{"1:1|*|"};
        QTest::newRow("a quote inside a field is a character")
            << QByteArray("5\" pipe,x\r\n") << comma << QStringList{"1:5\" pipe|x"};
        QTest::newRow("UTF-8 byte-order mark dropped")
            << QByteArray("\xEF\xBB\xBFID;N\r\n1;\xC3\xA9\r\n") << Layout(u';')
            << QStringList{"1:ID|N", "2:1|\u00E9"};
        QTest::newRow("program's TXT: trailing TAB, CR LF and quotes inside values")
            << QByteArray("ID\tNOTE\t\r\n1\ttwo\r\nlines\t\r\n2\t\"quoted\"\t\r\n") << txt
            << QStringList{"1:ID|NOTE", "2:1|two\r\nlines", "4:2|\"quoted\""};
        QTest::newRow("program's TXT: empty values, last line without its mark")
            << QByteArray("A\tB\t\r\n\t\t\r\nx\ty\t") << txt
            << QStringList{"1:A|B", "2:|", "3:x|y"};
        QTest::newRow("a blank line is a record of one empty field")
            << QByteArray("a,b\r\n\r\n1,2\r\n") << comma << QStringList{"1:a|b", "2:", "3:1|2"};
    }
    void records()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextLayout, layout);
        QFETCH(QStringList, expected);
        const QString path = write(bytes);
        // Chunks of 16 bytes cut quotes, line ends and UTF-8 sequences apart.
        for (const qint64 chunk : {qint64(16), DelimitedFileReader::DefaultChunkBytes})
            QCOMPARE(ReadAll(path, {}, layout, chunk), expected);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("quote never closed") << QByteArray("a,b\r\n1,\"open\r\n2,x\r\n")
                                            << qint64(2) << "not closed before the end";
        QTest::newRow("invalid UTF-8 on line 3")
            << QByteArray("a,b\r\n1,x\r\n2,M\xFCller\r\n") << qint64(3) << "not valid UTF-8";
        QTest::newRow("UTF-8 cut off at the end")
            << QByteArray("a,b\r\n1,\xC3") << qint64(2) << "not valid UTF-8";
        QTest::newRow("a zero byte: binary") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)
                                             << qint64(3) << "binary data";
        QTest::newRow("empty") << QByteArray() << qint64(1) << "empty";
        QTest::newRow("only a byte-order mark") << QByteArray("\xEF\xBB\xBF") << qint64(1)
                                                << "empty";
    }
    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, line);
        QFETCH(QString, reason);
        const QString path = write(bytes);
        for (const qint64 chunk : {qint64(16), DelimitedFileReader::DefaultChunkBytes}) {
            try {
                ReadAll(path, {}, Layout(u','), chunk);
                QFAIL("no refusal");
            } catch (const ImportFileError &error) {
                QCOMPARE(error.line(), line);
                QVERIFY2(error.reason().contains(reason), qPrintable(error.text()));
                QVERIFY(error.text().startsWith(QString("Line %1: ").arg(line)));
            }
        }
    }

    // The file grows or goes away after its first chunk was read.
    void fileChangesWhileRead_data()
    {
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("reason");
        QTest::newRow("grows") << false << "changed while it was being read";
        QTest::newRow("deleted") << true << "deleted or moved";
    }
    void fileChangesWhileRead()
    {
        QFETCH(bool, deleted);
        QFETCH(QString, reason);
        QByteArray bytes;
        for (int i = 1; i <= 50; ++i)
            bytes += QByteArray::number(i) + ",row\r\n";
        const QString path = write(bytes);
        DelimitedFileReader reader(path, {}, Layout(u','), 64);
        Record record;
        QVERIFY(reader.next(record));
        if (deleted) {
            QVERIFY(QFile::remove(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write("51,more\r\n");
        }
        try {
            while (reader.next(record)) {
            }
            QFAIL("the change went unnoticed");
        } catch (const ImportFileError &error) {
            QVERIFY2(error.reason().contains(reason), qPrintable(error.text()));
            QVERIFY(error.line() > 1 && error.line() < 50);
        }
    }

    void encodings_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Windows-1252: the euro at 0x80, curly quotes")
            << int(TextEncoding::Windows1252) << "" << "1:\u20AC\u201Cx\u201D|M\u00FCller";
        QTest::newRow("ISO-8859-1: control characters at 0x80..0x9F")
            << int(TextEncoding::Latin1) << "" << "1:\u0080\u0093x\u0094|M\u00FCller";
    }
    void encodings()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QString path = write("\x80\x93x\x94,M\xFCller\r\n");
        const TextEncoding encoding{TextEncoding::Kind(kind), name};
        QCOMPARE(ReadAll(path, encoding, Layout(u','), 16), QStringList{expected});
    }

    void charSetEncodings()
    {
        QCOMPARE(exports::EncodingOfCharSet("WIN1250"), QString("windows-1250"));
        QCOMPARE(exports::EncodingOfCharSet("ISO8859_2"), QString("ISO-8859-2"));
        QCOMPARE(exports::EncodingOfCharSet("KOI8R"), QString("KOI8-R"));
        QCOMPARE(exports::EncodingOfCharSet("UTF8"), QString());
        QCOMPARE(exports::EncodingOfCharSet("NONE"), QString());
    }

    void layoutDetected_data()
    {
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<bool>("trailingTab");
        QTest::newRow("the program's TXT") << "ID\tNAME\t\r\n1\tAnn\t\r\n" << "a.csv" << "\t" << true;
        QTest::newRow("commas") << "a,b,c\r\n1,2,3\r\n" << "a.txt" << "," << false;
        QTest::newRow("semicolons, commas in values")
            << "a;b\r\n1,5;2,5\r\n3,5;4\r\n" << "a.csv" << ";" << false;
        QTest::newRow("TAB without trailing TAB") << "a\tb\r\n1\t2\r\n" << "a.csv" << "\t" << false;
        QTest::newRow("quoted delimiters do not count")
            << "a,b\r\n\"x;y;z\",2\r\n" << "a.txt" << "," << false;
        QTest::newRow("one column: by the extension, .txt") << "a\r\n1\r\n" << "a.txt" << "\t"
                                                             << false;
        QTest::newRow("one column: by the extension, .csv") << "a\r\n1\r\n" << "a.csv" << ","
                                                             << false;
    }
    void layoutDetected()
    {
        QFETCH(QString, head);
        QFETCH(QString, file);
        QFETCH(QString, delimiter);
        QFETCH(bool, trailingTab);
        const TextLayout layout = exports::DetectLayout(head, file);
        QCOMPARE(QString(layout.delimiter), delimiter);
        QCOMPARE(layout.trailingTab, trailingTab);
    }

    void captionsDetected_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<bool>("captions");
        QTest::newRow("every name, other case, blanks") << QStringList{" id", "Name "} << true;
        QTest::newRow("half the fields name columns") << QStringList{"ID", "NOTES"} << true;
        QTest::newRow("data") << QStringList{"1", "Ann"} << false;
        QTest::newRow("one name among three") << QStringList{"ID", "x", "y"} << false;
    }
    void captionsDetected()
    {
        QFETCH(QStringList, fields);
        QFETCH(bool, captions);
        QCOMPARE(exports::LooksLikeCaptions(fields, {"ID", "NAME"}), captions);
    }

    // UTF-8 is judged on the first bytes; the line of the first bad byte.
    void sniff()
    {
        const exports::FileSniff good = exports::SniffFile("ID,N\r\n1,\xC3\xA9", "a.csv");
        QVERIFY(good.utf8);
        const exports::FileSniff bad = exports::SniffFile("ID,N\r\n1,x\r\n2,\xE9t\xE9\r\n", "a.csv");
        QVERIFY(!bad.utf8);
        QCOMPARE(bad.invalidLine, qint64(3));
        // A sequence cut off by the end of the first bytes is not a fault.
        QVERIFY(exports::SniffFile("a,b\r\n1,\xE2\x82", "a.csv").utf8);
    }

    void progressWords()
    {
        QCOMPARE(exports::ImportProgressText(120000, {1000000, true}),
                 QString("120,000 of about 1,000,000 rows imported"));
        QCOMPARE(exports::ImportProgressText(12, {40, false}), QString("12 of 40 rows imported"));
        QCOMPARE(exports::RowCountText({1, false}), QString("1 row"));
        QCOMPARE(exports::RowCountText({2500, true}), QString("about 2,500 rows"));
        const exports::RowCount estimate = exports::CountOrEstimate(1000000, 1000, 10, false);
        QCOMPARE(estimate.rows, qint64(10000));
        QVERIFY(estimate.estimated);
    }

private:
    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString("f%1.csv").arg(++m_files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return path;
    }

    QTemporaryDir m_dir;
    int m_files = 0;
};

QTEST_GUILESS_MAIN(TestImportReader)
#include "tst_importreader.moc"
