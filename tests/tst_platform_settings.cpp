#include "platform/qtsettingsstore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// The file's mode bits as the system has them.
int Mode(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

} // namespace

class TestPlatformSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void absentKeyGivesTheDefault();
    void savedValueIsReadBack();
    void layoutOnDisk();
    void fileIsPrivateAfterEveryWrite();
    void perUserStoreIsPrivate();
    void createdPrivateUnderAnyUmask();
    void unwritableFolderSaysWhy();
    void sameLinesAsBefore_data();
    void sameLinesAsBefore();
    void untouchedLinesKeepTheirBytes_data();
    void untouchedLinesKeepTheirBytes();

private:
    QTemporaryDir m_dir;
};

void TestPlatformSettings::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QStandardPaths::setTestModeEnabled(true);
}

void TestPlatformSettings::absentKeyGivesTheDefault()
{
    platform::QtSettingsStore store(m_dir.filePath("absent.conf"));
    QCOMPARE(store.get("Gravelin", "FireBirdUser", "SYSDBA"), QStringLiteral("SYSDBA"));
    QCOMPARE(store.get("Gravelin", "FireBirdDatabase"), QString());
    QVERIFY(!QFile::exists(m_dir.filePath("absent.conf")));   // reading writes nothing
}

void TestPlatformSettings::savedValueIsReadBack()
{
    const QString path = m_dir.filePath("values.conf");
    {
        platform::QtSettingsStore store(path);
        store.save("Gravelin", "FireBirdDatabase", "/data/my db;x.fdb");
        store.save("Gravelin", "FireBirdPassword", QString());
        store.save("Gravelin", "FireBirdUser", "sysdba ");
        QCOMPARE(store.get("Gravelin", "FireBirdPassword", "default"), QString());
    }
    platform::QtSettingsStore again(path);
    QCOMPARE(again.get("Gravelin", "FireBirdDatabase"), QStringLiteral("/data/my db;x.fdb"));
    QCOMPARE(again.get("Gravelin", "FireBirdUser", "SYSDBA"), QStringLiteral("sysdba "));
    QCOMPARE(again.get("Gravelin", "FireBirdPassword", "default"), QString());
}

void TestPlatformSettings::layoutOnDisk()
{
    const QString path = m_dir.filePath("layout.conf");
    platform::QtSettingsStore(path).save("Gravelin", "FireBirdUser", "SYSDBA");
    QSettings raw(path, QSettings::IniFormat);
    QCOMPARE(raw.childGroups(), QStringList{"Gravelin"});
    QCOMPARE(raw.value("Gravelin/FireBirdUser").toString(), QStringLiteral("SYSDBA"));
}

void TestPlatformSettings::fileIsPrivateAfterEveryWrite()
{
    const QString path = m_dir.filePath("private.conf");
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    platform::QtSettingsStore store(path);
    store.save("Gravelin", "FireBirdPassword", "lockstone");
    QCOMPARE(Mode(path), 0600);
    // Even when someone widened it in between.
    QVERIFY(QFile::setPermissions(path, ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    store.save("Gravelin", "FireBirdPassword", "other");
    QCOMPARE(Mode(path), 0600);
    QCOMPARE(store.get("Gravelin", "FireBirdPassword"), QStringLiteral("other"));
}

void TestPlatformSettings::perUserStoreIsPrivate()
{
    platform::QtSettingsStore store;
    const QString path = store.fileName();
    QVERIFY2(path.contains("/.qttest/"), qPrintable(path));   // never the real user's file
    QCOMPARE(path, QSettings(QSettings::NativeFormat, QSettings::UserScope, "Vellacourt").fileName());
    QFile::remove(path);
    store.save("Gravelin", "FireBirdPassword", "lockstone");
    QCOMPARE(Mode(path), 0600);
    QCOMPARE(platform::QtSettingsStore().get("Gravelin", "FireBirdPassword"),
             QStringLiteral("lockstone"));
    QFile::remove(path);
}

// The first write makes the file owner-only even where the umask would let
// every user read a new file.
void TestPlatformSettings::createdPrivateUnderAnyUmask()
{
    const mode_t saved = ::umask(0);
    const QString stored = m_dir.filePath("first-write.conf");
    const QString problem = platform::QtSettingsStore(stored).save("Gravelin", "FireBirdPassword",
                                                                   "lockstone");
    ::umask(saved);
    QCOMPARE(problem, QString());
    QCOMPARE(Mode(stored), 0600);
    QCOMPARE(platform::QtSettingsStore(stored).get("Gravelin", "FireBirdPassword"),
             QStringLiteral("lockstone"));
}

// A folder that cannot be made (a file stands in its way, which holds even
// for root): every save says why, and nothing goes to standard error.
void TestPlatformSettings::unwritableFolderSaysWhy()
{
    QFile blocker(m_dir.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    static int warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &) { ++warnings; });
    platform::QtSettingsStore store(m_dir.filePath("blocker/config/Vellacourt.conf"));
    const QString first = store.save("Gravelin", "FireBirdUser", "A");
    const QString second = store.save("Gravelin", "FireBirdUser", "AB");
    qInstallMessageHandler(previous);
    QCOMPARE(first, "the folder " + m_dir.filePath("blocker/config") + " cannot be made");
    QCOMPARE(second, first);
    QCOMPARE(warnings, 0);
    QVERIFY(QFileInfo(blocker.fileName()).isFile());
}

// Files written before keep working: each value reads back from the line
// the earlier writer made, and is written as the same line.
void TestPlatformSettings::sameLinesAsBefore_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "Gravelin" << "FireBirdUser" << "SYSDBA";
    QTest::newRow("empty") << "Gravelin" << "FireBirdPassword" << "";
    QTest::newRow("separators") << "Gravelin" << "FireBirdDatabase" << "/d/a;b,c=d.fdb";
    QTest::newRow("edge spaces") << "Gravelin" << "FireBirdUser" << " sysdba ";
    QTest::newRow("at sign") << "Gravelin" << "FireBirdPassword" << "@Invalid()";
    QTest::newRow("escapes") << "Gravelin" << "FireBirdPassword" << "q\"b\\t\tn\n\x01" "a\x1f";
    QTest::newRow("non-ASCII") << "Gravelin" << "FireBirdDatabase" << "/d/Grüße ✓ 𝄞.fdb";
    QTest::newRow("layout key") << "Gravelin/ColumnLayouts" << "%2Fd%20b%C3%BC.fdb|T\u00e9\u4e2d"
                                << R"([{"name":"ID","width":60}])";
}

void TestPlatformSettings::sameLinesAsBefore()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString earlier = m_dir.filePath("earlier.conf");
    const QString ours = m_dir.filePath("ours.conf");
    QFile::remove(earlier);
    QFile::remove(ours);
    {
        QSettings writer(earlier, QSettings::IniFormat);
        writer.setValue(section + '/' + key, value);
    }
    QCOMPARE(platform::QtSettingsStore(earlier).get(section, key, "<absent>"), value);
    platform::QtSettingsStore(ours).save(section, key, value);
    QFile a(earlier), b(ours);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.readAll(), a.readAll());
}

// Changing one key rewrites its line only: a value longer than a line box
// holds, bytes that are not UTF-8, comments and line ends stay as they were.
void TestPlatformSettings::untouchedLinesKeepTheirBytes_data()
{
    const QByteArray longPath = "FireBirdDatabase=/" + QByteArray(40000, 'p') + ".fdb\n";
    const QByteArray invalid = "FireBirdPassword=pass\xff\xfe\xc3(word\n";
    const QByteArray layouts = "[Gravelin]\nColumnLayouts\\x%7CT=\"[{\\\"name\\\":\\\"A\\\"}]\"\n";
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("long path, changed")
        << "[Gravelin]\n" + longPath + "FireBirdUser=SYSDBA\n" << "FireBirdUser"
        << "[Gravelin]\n" + longPath + "FireBirdUser=ALICE\n";
    QTest::newRow("invalid UTF-8, added")
        << "[Gravelin]\n" + invalid << "FireBirdUser" << "[Gravelin]\n" + invalid + "FireBirdUser=ALICE\n";
    QTest::newRow("CRLF and comments, new section")
        << QByteArray("; mine\r\n[Other]\r\nx = 1 ; note\r\n") << "FireBirdUser"
        << QByteArray("; mine\r\n[Other]\r\nx = 1 ; note\r\n\r\n[Gravelin]\r\nFireBirdUser=ALICE\r\n");
    QTest::newRow("no last line end, layouts kept")
        << layouts + "FireBirdUser=A" << "FireBirdUser" << layouts + "FireBirdUser=ALICE";
}

void TestPlatformSettings::untouchedLinesKeepTheirBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    const QString path = m_dir.filePath("kept.conf");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(before);
    file.close();
    platform::QtSettingsStore store(path);
    const QString stored = store.get("Gravelin", "FireBirdDatabase");
    QCOMPARE(store.save("Gravelin", key, "ALICE"), QString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), after);
    QCOMPARE(store.get("Gravelin", "FireBirdDatabase"), stored);
    QCOMPARE(platform::QtSettingsStore(path).get("Gravelin", key), QStringLiteral("ALICE"));
}

QTEST_GUILESS_MAIN(TestPlatformSettings)
#include "tst_platform_settings.moc"
