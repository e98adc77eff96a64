#include "tests/support/installedtree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using testsupport::InstalledTree;
using testsupport::ProgramRun;
using testsupport::RunProgram;

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
    QString installed(const QString &path) const { return m_tree.path(path); }

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
    InstalledTree m_tree{m_prefix.path(), m_home.path()};
};

void TestInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid() && m_home.isValid());
    const QString build = qEnvironmentVariable("GRAVELIN_BUILD_DIR");
    QVERIFY2(!build.isEmpty(), "GRAVELIN_BUILD_DIR names the build tree");
    const ProgramRun install = RunProgram(qEnvironmentVariable("CMAKE_COMMAND", "cmake"),
                                          {"--install", build, "--prefix", m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
}

void TestInstall::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("mode");
    for (const testsupport::InstalledFile &file : testsupport::InstalledFiles())
        QTest::newRow(qPrintable(file.what)) << file.path << file.mode;
}

void TestInstall::files()
{
    QFETCH(QString, path);
    QFETCH(int, mode);
    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile(), qPrintable(path));
    QCOMPARE(testsupport::UnixMode(file.permissions()), mode);
    QVERIFY(file.size() > 0);
}

void TestInstall::icons_data()
{
    QTest::addColumn<int>("size");
    for (int size : testsupport::IconSizes())
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

void TestInstall::icons()
{
    QFETCH(int, size);
    const QImage icon(installed(testsupport::IconPath(size)));
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);                        // round corners
    QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
}

void TestInstall::desktopEntry()
{
    const QString entry = installed("share/applications/gravelin.desktop");
    const ProgramRun validate = RunProgram("desktop-file-validate", {entry});
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
    const QFileInfo launcher(installed(testsupport::LauncherPath));
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
    QProcessEnvironment environment = m_tree.userEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    const ProgramRun shown = RunProgram(installed(testsupport::LauncherPath), {option}, environment);
    QCOMPARE(shown.exitCode, 0);
    QVERIFY2(shown.out.startsWith(printed), qPrintable(shown.out + shown.err));
}

void TestInstall::sampleIsCopiedOnFirstUse()
{
    const QString copy = m_home.filePath("data/Vellacourt/Gravelin/Samples/sample.fdb");
    QCOMPARE(m_tree.userSample(), copy);
    QCOMPARE(testsupport::UnixMode(QFileInfo(copy).permissions()), 0600);
    QCOMPARE(QFileInfo(copy).size(), QFileInfo(installed("lib/gravelin/Samples/sample.fdb")).size());
    // Used from then on, as the user has left it.
    QFile mark(copy);
    QVERIFY(mark.open(QIODevice::Append));
    mark.write("x");
    mark.close();
    const qint64 changed = QFileInfo(copy).size();
    QCOMPARE(m_tree.userSample(), copy);
    QCOMPARE(QFileInfo(copy).size(), changed);
    QFile::remove(copy);
    QCOMPARE(m_tree.userSample(), copy);
}

void TestInstall::startsFromThePrefix_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("printed");

    QTest::newRow("the sample: the chooser with its tables")
        << "sample" << InstalledTree::OpenedSample();
    QTest::newRow("a file that does not open: the login window says why")
        << "missing.fdb" << QStringList{"window Form1", "message Could not connect.", "missing.fdb"};
}

void TestInstall::startsFromThePrefix()
{
    QFETCH(QString, file);
    QFETCH(QStringList, printed);
    const QString path = file == "sample" ? m_tree.userSample() : m_home.filePath(file);
    const QString problem = m_tree.startProblem(m_tree.startOn(path), printed);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // The real settings store now names the file.
    QSettings settings(m_home.filePath("config/Vellacourt.conf"), QSettings::IniFormat);
    QCOMPARE(settings.value("Gravelin/FireBirdDatabase").toString(), path);
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
