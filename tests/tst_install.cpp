#include "app/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// `cmake --install` into a scratch prefix: what lands where, with which
// mode, whether the desktop accepts the entry and the file type, and a
// start of the installed program on the sample database.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void files_data();
    void files();
    void icons_data();
    void icons();
    void desktopEntry();
    void fileType();
    void printsAndEnds_data();
    void printsAndEnds();
    void sampleIsCopiedOnFirstUse();
    void startsFromThePrefix_data();
    void startsFromThePrefix();

private:
    struct Run { int exitCode; QString out, err; };
    Run run(const QString &program, const QStringList &arguments,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    QString installed(const QString &path) const { return m_prefix.filePath(path); }
    QProcessEnvironment userEnvironment() const;

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
};

namespace {

int UnixMode(QFile::Permissions p)
{
    const int bits = int(p);
    return (((bits >> 12) & 7) << 6) | (((bits >> 4) & 7) << 3) | (bits & 7);
}

} // namespace

TestInstall::Run TestInstall::run(const QString &program, const QStringList &arguments,
                                  const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {-1, {}, process.errorString()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// A user of their own: settings and data folders in a scratch home.
QProcessEnvironment TestInstall::userEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", m_home.path());
    environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    environment.insert("XDG_DATA_HOME", m_home.filePath("data"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

void TestInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid() && m_home.isValid());
    const QString build = qEnvironmentVariable("GRAVELIN_BUILD_DIR");
    QVERIFY2(!build.isEmpty(), "GRAVELIN_BUILD_DIR names the build tree");
    const Run install = run(qEnvironmentVariable("CMAKE_COMMAND", "cmake"),
                            {"--install", build, "--prefix", m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
}

void TestInstall::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("mode");

    QTest::newRow("program") << "lib/gravelin/gravelin" << 0755;
    QTest::newRow("hand cursor") << "lib/gravelin/HAND-M.CUR" << 0644;
    QTest::newRow("skin") << "lib/gravelin/x/o.cjs" << 0644;
    QTest::newRow("sample, read-only") << "lib/gravelin/Samples/sample.fdb" << 0444;
    QTest::newRow("desktop entry") << "share/applications/gravelin.desktop" << 0644;
    QTest::newRow("file type") << "share/mime/packages/gravelin.xml" << 0644;
    QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/gravelin.svg" << 0644;
}

void TestInstall::files()
{
    QFETCH(QString, path);
    QFETCH(int, mode);
    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile(), qPrintable(path));
    QCOMPARE(UnixMode(file.permissions()), mode);
    QVERIFY(file.size() > 0);
}

void TestInstall::icons_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

void TestInstall::icons()
{
    QFETCH(int, size);
    const QImage icon(installed(QString("share/icons/hicolor/%1x%1/apps/gravelin.png").arg(size)));
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);                        // round corners
    QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
}

void TestInstall::desktopEntry()
{
    const QString entry = installed("share/applications/gravelin.desktop");
    const Run validate = run("desktop-file-validate", {entry});
    QVERIFY2(validate.exitCode == 0 && validate.out.isEmpty(), qPrintable(validate.out + validate.err));
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QHash<QString, QString> keys;
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n'))
        keys.insert(line.section('=', 0, 0), line.section('=', 1));
    QCOMPARE(keys.value("Name"), QStringLiteral("Gravelin"));
    QVERIFY(keys.value("Comment").contains("Firebird"));
    QCOMPARE(keys.value("Exec"), QStringLiteral("gravelin %f"));
    QCOMPARE(keys.value("Icon"), QStringLiteral("gravelin"));
    QCOMPARE(keys.value("Categories"), QStringLiteral("Development;Database;"));
    QCOMPARE(keys.value("MimeType"), QStringLiteral("application/x-firebird-database;"));
    // The launcher on PATH leads to the program beside its resources.
    const QFileInfo launcher(installed("bin/gravelin"));
    QVERIFY(launcher.isSymLink());
    QCOMPARE(launcher.canonicalFilePath(), QFileInfo(installed("lib/gravelin/gravelin")).canonicalFilePath());
}

void TestInstall::fileType()
{
    // Installing ran the desktop's own tool on the type, which found both
    // patterns in it.
    QFile globs(installed("share/mime/globs2"));
    QVERIFY2(globs.open(QIODevice::ReadOnly), "update-mime-database ran on the prefix");
    const QString text = QString::fromUtf8(globs.readAll());
    QVERIFY(text.contains("application/x-firebird-database:*.fdb"));
    QVERIFY(text.contains("application/x-firebird-database:*.gdb"));
}

void TestInstall::printsAndEnds_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("printed");
    QTest::newRow("--version") << "--version" << "Gravelin 0.1\n";
    QTest::newRow("--help") << "--help" << "Usage: ";
}

void TestInstall::printsAndEnds()
{
    QFETCH(QString, option);
    QFETCH(QString, printed);
    // Without a display: these need none.
    QProcessEnvironment environment = userEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    const Run shown = run(installed("bin/gravelin"), {option}, environment);
    QCOMPARE(shown.exitCode, 0);
    QVERIFY2(shown.out.startsWith(printed), qPrintable(shown.out + shown.err));
}

void TestInstall::sampleIsCopiedOnFirstUse()
{
    qputenv("XDG_DATA_HOME", m_home.filePath("data").toLocal8Bit());
    app::SetProgramFolder(installed("lib/gravelin"));
    const QString copy = m_home.filePath("data/Vellacourt/Gravelin/Samples/sample.fdb");
    QCOMPARE(app::UsableSampleDatabase(), copy);
    QCOMPARE(UnixMode(QFileInfo(copy).permissions()), 0600);
    QCOMPARE(QFileInfo(copy).size(), QFileInfo(app::SampleDatabasePath()).size());
    // Used from then on, as the user has left it.
    QFile mark(copy);
    QVERIFY(mark.open(QIODevice::Append));
    mark.write("x");
    mark.close();
    const qint64 changed = QFileInfo(copy).size();
    QCOMPARE(app::UsableSampleDatabase(), copy);
    QCOMPARE(QFileInfo(copy).size(), changed);
    QFile::remove(copy);
    QCOMPARE(app::UsableSampleDatabase(), copy);
}

void TestInstall::startsFromThePrefix_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("printed");

    QTest::newRow("the sample: the chooser with its tables")
        << "sample" << QStringList{"window Form2", "tables "};
    QTest::newRow("a file that does not open: the login window says why")
        << "missing.fdb" << QStringList{"window Form1", "message Could not connect.", "missing.fdb"};
}

void TestInstall::startsFromThePrefix()
{
    QFETCH(QString, file);
    QFETCH(QStringList, printed);
    const QString path = file == "sample" ? app::UsableSampleDatabase() : m_home.filePath(file);
    QSettings settings(m_home.filePath("config/Vellacourt.conf"), QSettings::IniFormat);
    settings.setValue("Gravelin/FireBirdPassword", "lockstone");
    settings.sync();
    QProcessEnvironment environment = userEnvironment();
    environment.insert("GRAVELIN_EXIT_AFTER_START", "1");
    const Run started = run(installed("bin/gravelin"), {path}, environment);
    QVERIFY2(started.exitCode == 0, qPrintable(started.out + started.err));
    QVERIFY2(started.out.contains("folder " + QFileInfo(installed("lib/gravelin")).canonicalFilePath()),
             qPrintable(started.out));
    for (const QString &line : printed)
        QVERIFY2(started.out.contains(line), qPrintable(started.out));
    if (file == "sample")
        QVERIFY(!started.out.contains("tables 0"));
    // The real settings store now names the file.
    settings.sync();
    QCOMPARE(settings.value("Gravelin/FireBirdDatabase").toString(), path);
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
