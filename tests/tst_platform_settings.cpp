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
    QVERIFY2(path.endsWith("/Vellacourt.conf"), qPrintable(path));
    QFile::remove(path);
    store.save("Gravelin", "FireBirdPassword", "lockstone");
    QCOMPARE(Mode(path), 0600);
    QCOMPARE(platform::QtSettingsStore().get("Gravelin", "FireBirdPassword"),
             QStringLiteral("lockstone"));
    QFile::remove(path);
}

// Not merely chmod'ed after the fact: the create call gives 0600 even where
// the umask would let every user read a new file, and the store's first
// write under that umask leaves it so.
void TestPlatformSettings::createdPrivateUnderAnyUmask()
{
    const mode_t saved = ::umask(0);
    const QString created = m_dir.filePath("created.conf");
    const bool made = platform::CreateOwnerOnlyFile(created);
    const int createdMode = Mode(created);
    const QString stored = m_dir.filePath("first-write.conf");
    platform::QtSettingsStore(stored).save("Gravelin", "FireBirdPassword", "lockstone");
    ::umask(saved);
    QVERIFY(made);
    QCOMPARE(createdMode, 0600);
    QCOMPARE(Mode(stored), 0600);
    QVERIFY(platform::CreateOwnerOnlyFile(stored));   // an existing file is kept
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

QTEST_GUILESS_MAIN(TestPlatformSettings)
#include "tst_platform_settings.moc"
