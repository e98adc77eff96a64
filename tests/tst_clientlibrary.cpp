// Choosing the Firebird client, the private root that adds Firebird 3's
// engine, a file's on-disk structure and what the user is told about it,
// and the types that arrive as text: plain decisions, no database.

#include "db/client/clientlibrary.h"
#include "db/client/firebirdroot.h"
#include "db/client/odsheader.h"
#include "db/grid/tableschema.h"
#include "db/sql/tablefilter.h"
#include "export/workbookcells.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <ibase.h>

namespace {

bool touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

db::Column numberText()
{
    db::Column column;
    column.name = column.field = "N";
    column.sqlType.type = SQL_VARYING;
    column.sqlType.length = 47;
    column.bound = db::TextBound::Numeric;
    return column;
}

QByteArray header(int version, int minorOffset, int minor)
{
    QByteArray page(1024, '\0');
    page[0] = 1;
    page[18] = char(version & 0xFF);
    page[19] = char(version >> 8);
    page[minorOffset] = char(minor);
    return page;
}

} // namespace

class TestClientLibrary : public QObject
{
    Q_OBJECT

private slots:
    // $FIREBIRD first, then /opt/firebird, then the system's; a root
    // without a client is passed over.
    void choosesTheFirstRootWithAClient_data()
    {
        QTest::addColumn<QStringList>("withClient");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("all three") << QStringList{"env", "opt", "system"} << "env";
        QTest::newRow("no $FIREBIRD client") << QStringList{"opt", "system"} << "opt";
        QTest::newRow("system only") << QStringList{"system"} << "system";
        QTest::newRow("none") << QStringList{} << "";
    }
    void choosesTheFirstRootWithAClient()
    {
        QFETCH(QStringList, withClient);
        QFETCH(QString, chosen);
        QTemporaryDir dir;
        for (const QString &root : withClient)
            QVERIFY(touch(dir.filePath(root + "/lib/libfbclient.so.2")));
        QDir().mkpath(dir.filePath("env"));
        const db::ClientChoice choice =
            db::ChooseClient({dir.filePath("env"), dir.filePath("opt"), dir.filePath("system")});
        QCOMPARE(choice.root, chosen.isEmpty() ? QString() : dir.filePath(chosen));
        QCOMPARE(choice.library.isEmpty(), chosen.isEmpty());
        QCOMPARE(choice.fromEnvironment, chosen == "env");
    }

    void composesARootWithBothEngines()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath("fb5");
        QVERIFY(touch(root + "/plugins/libEngine13.so"));
        QVERIFY(touch(root + "/plugins/udr/libudf.so"));
        QVERIFY(touch(root + "/lib/libfbclient.so.2"));
        QFile config(root + "/firebird.conf");
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("#Providers = Remote, Engine13, Loopback\nProviders = Engine13\nX = 1\n");
        config.close();
        QVERIFY(touch(dir.filePath("fb3/libEngine12.so")));
        const QString target = dir.filePath("private");
        QDir().mkpath(target);
        QString error;
        const QStringList engines =
            QStringList{"Engine12"} + db::fb::EnginePlugins(root + "/plugins");
        QVERIFY2(db::fb::ComposeRoot(root, dir.filePath("fb3/libEngine12.so"), target,
                                     db::fb::ProvidersValue(engines), &error),
                 qPrintable(error));
        QCOMPARE(db::fb::EnginePlugins(target + "/plugins"), QStringList({"Engine12", "Engine13"}));
        QVERIFY(QFileInfo(target + "/plugins/udr").isSymLink());
        QVERIFY(QFileInfo(target + "/lib").isSymLink());
        QFile composed(target + "/firebird.conf");
        QVERIFY(composed.open(QIODevice::ReadOnly));
        QCOMPARE(composed.readAll(),
                 QByteArray("#Providers = Remote, Engine13, Loopback\n# Providers = Engine13\nX = 1\n"
                            "Providers = Remote, Engine12, Engine13, Loopback\n"));
        QVERIFY(QFile::exists(root + "/firebird.conf"));   // the original stays as it was
    }

    void readsTheStructureFromTheHeader_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("ods");
        QTest::addColumn<QString>("writer");
        QTest::newRow("Firebird 2.5") << header(0x800B, 62, 2) << "11.2" << "2.5";
        QTest::newRow("Firebird 3") << header(0x800C, 64, 0) << "12.0" << "3.0";
        QTest::newRow("Firebird 4") << header(0x800D, 64, 0) << "13.0" << "4.0";
        QTest::newRow("Firebird 5") << header(0x800D, 64, 1) << "13.1" << "5.0";
        QTest::newRow("Firebird 6") << header(0x800E, 64, 0) << "14" << "6.0 or newer";
        QTest::newRow("InterBase") << header(0x000A, 62, 0) << "10.0" << "InterBase";
        QTest::newRow("not a header") << QByteArray(1024, 'x') << "" << "";
    }
    void readsTheStructureFromTheHeader()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, ods);
        QFETCH(QString, writer);
        const db::fb::Ods read = db::fb::OdsOfHeader(page);
        QCOMPARE(read.known() ? read.text() : QString(), ods);
        if (read.known())
            QCOMPARE(db::fb::FirebirdOfOds(read), writer);
    }

    // Which Firebird opens the file and how; a newer file is never called older.
    void tellsWhereAFileOpens_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QList<int>>("engines");   // ODS majors, newest first
        QTest::addColumn<QStringList>("says");
        QTest::newRow("Firebird 5 file, Firebird 3 only")
            << 13 << 1 << QList<int>{12}
            << QStringList{"ODS) 13.1, which Firebird 5.0 writes", "newer than they are",
                           "/opt/firebird", "FIREBIRD", "Firebird 5.0 server as host:path"};
        QTest::newRow("Firebird 2.5 file") << 11 << 2 << QList<int>{13, 12}
            << QStringList{"which Firebird 2.5 writes", "older than they are",
                           "Firebird 2.5 server as host:path", "gbak of Firebird 2.5"};
        QTest::newRow("Firebird 3 file, Firebird 5 only")
            << 12 << 0 << QList<int>{13}
            << QStringList{"which Firebird 3.0 writes", "older", "firebird3.0-server-core"};
        QTest::newRow("Firebird 6 file") << 14 << -1 << QList<int>{13, 12}
            << QStringList{"ODS) 14, which Firebird 6.0 or newer writes", "newer"};
    }
    void tellsWhereAFileOpens()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QList<int>, engines);
        QFETCH(QStringList, says);
        std::vector<db::EngineInfo> found;
        for (int ods : engines)
            found.push_back({ods == 12 ? "3.0.11" : "5.0.4", ods, ods == 12 ? 0 : 1});
        const QString sentence = db::fb::WrongOdsSentence("/d/x.fdb", {major, minor}, found);
        for (const QString &part : says)
            QVERIFY2(sentence.contains(part), qPrintable(sentence));
        const QRegularExpression older("\\bolder\\b"), newer("\\bnewer\\b");
        QCOMPARE(sentence.contains(older), !sentence.contains(newer));
    }

    void catalogueTypesOfNewerFirebird_data()
    {
        QTest::addColumn<int>("fieldType");
        QTest::addColumn<int>("subType");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bound");
        QTest::newRow("INT128") << 26 << 0 << "INT128" << int(db::TextBound::Int128);
        QTest::newRow("NUMERIC(38,4)") << 26 << 1 << "NUMERIC (38, 4)" << int(db::TextBound::Numeric);
        QTest::newRow("DECIMAL(38,4)") << 26 << 2 << "DECIMAL (38, 4)" << int(db::TextBound::Numeric);
        QTest::newRow("DECFLOAT(16)") << 24 << 0 << "DECFLOAT (16)" << int(db::TextBound::DecFloat);
        QTest::newRow("DECFLOAT(34)") << 25 << 0 << "DECFLOAT (34)" << int(db::TextBound::DecFloat);
        QTest::newRow("TIME WITH TIME ZONE") << 28 << 0 << "TIME WITH TIME ZONE"
                                             << int(db::TextBound::TimeTz);
        QTest::newRow("TIMESTAMP WITH TIME ZONE") << 29 << 0 << "TIMESTAMP WITH TIME ZONE"
                                                  << int(db::TextBound::TimestampTz);
        QTest::newRow("BIGINT stays itself") << 16 << 0 << "BIGINT" << int(db::TextBound::None);
    }
    void catalogueTypesOfNewerFirebird()
    {
        QFETCH(int, fieldType);
        QFETCH(int, subType);
        QFETCH(QString, name);
        QFETCH(int, bound);
        QCOMPARE(db::ColumnTypeName(fieldType, subType, 0, 38, -4), name);
        QCOMPARE(int(db::TextBoundOf(fieldType, subType)), bound);
    }

    // A number sent as text is compared, not searched for as text.
    void numberTextFiltersByValue()
    {
        const db::ParsedFilter plain = db::ParseFilter(numberText(), "12.5");
        QVERIFY(plain.ok);
        QCOMPARE(plain.term.op, db::sql::FilterOp::Equal);
        QCOMPARE(plain.term.value.data, QByteArray("12.5"));
        QVERIFY(db::ParseFilter(numberText(), "< -1").ok);
    }

    // A workbook number only where a double holds the value exactly.
    void numberTextInAWorkbook_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("number");   // empty: written as text
        QTest::addColumn<QString>("format");
        QTest::newRow("integer") << QByteArray("-42") << "-42" << "0";
        QTest::newRow("half") << QByteArray("0.5000") << "0.5" << "0.0000";
        QTest::newRow("2^53") << QByteArray("9007199254740992") << "9007199254740992" << "0";
        QTest::newRow("2^53 + 1") << QByteArray("9007199254740993") << "" << "";
        QTest::newRow("a tenth") << QByteArray("0.10") << "" << "";
        QTest::newRow("38 digits") << QByteArray("-1234567890123456789012345678901234.5678") << ""
                                   << "";
        QTest::newRow("exponent") << QByteArray("1.23E+12") << "" << "";
        QTest::newRow("negative zero") << QByteArray("-0") << "" << "";
        QTest::newRow("NaN") << QByteArray("NaN") << "" << "";
    }
    void numberTextInAWorkbook()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, number);
        QFETCH(QString, format);
        const std::optional<double> value = exports::NumberCellValue(numberText(), text);
        QCOMPARE(value ? QString::number(*value, 'g', 17) : QString(), number);
        if (value)
            QCOMPARE(exports::CellNumberFormat(numberText(), text), format);
    }
};

QTEST_MAIN(TestClientLibrary)
#include "tst_clientlibrary.moc"
