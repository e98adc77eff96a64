#include "tests/support/installedtree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using testsupport::InstalledTree;
using testsupport::ProgramRun;
using testsupport::RunProgram;

// scripts/package on the build tree of this suite: the package's fields and
// files, the program started from the unpacked package, and what lintian
// and appstreamcli say of it.
class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fields_data();
    void fields();
    void dependsOnWhatNoLinkerRecords_data();
    void dependsOnWhatNoLinkerRecords();
    void dependsOnEveryLinkedLibrary();
    void files_data();
    void files();
    void nothingElseIsInstalled();
    void startsUnpacked();
    void lintianKeepsOnlyTheListedWarnings();
    void metainfo();
    void metainfoAgreesWithTheDesktopEntry_data();
    void metainfoAgreesWithTheDesktopEntry();

private:
    QString field(const QString &name) const;
    QString unpacked(const QString &path) const { return m_unpacked.filePath("usr/" + path); }

    QTemporaryDir m_dist;
    QTemporaryDir m_unpacked;
    QTemporaryDir m_home;
    QString m_deb;
    QString m_architecture;
    // From `dpkg-deb --contents`: each path (without the leading ".") with
    // its type and mode as ls writes them, its owner, and a link's target.
    struct Entry { QString mode, owner, target; };
    QHash<QString, Entry> m_contents;
};

namespace {

const QString Version = QStringLiteral(GRAVELIN_PROJECT_VERSION);

// ls's "-rw-r--r--" for a file of mode 0644.
QString LsMode(char type, int mode)
{
    QString text(1, QChar(type));
    for (int shift = 6; shift >= 0; shift -= 3) {
        const int bits = (mode >> shift) & 7;
        text += bits & 4 ? 'r' : '-';
        text += bits & 2 ? 'w' : '-';
        text += bits & 1 ? 'x' : '-';
    }
    return text;
}

// The package names of a relation field, without versions or alternatives'
// bars: "libc6 (>= 2.34), libfbclient2" gives {libc6, libfbclient2}.
QSet<QString> PackageNames(const QString &relations)
{
    QSet<QString> names;
    for (const QString &relation : relations.split(QRegularExpression("[,|]"), Qt::SkipEmptyParts))
        names.insert(relation.trimmed().section(' ', 0, 0).section(':', 0, 0));
    return names;
}

// The tags lintian gave with `severity` ("W", "E"): "W: gravelin: tag ..." lines.
QSet<QString> LintianTags(const QString &output, const QString &severity)
{
    QSet<QString> tags;
    const QRegularExpression line("^" + severity + ": gravelin[^:]*: (\\S+)",
                                  QRegularExpression::MultilineOption);
    for (auto match = line.globalMatch(output); match.hasNext();)
        tags.insert(match.next().captured(1));
    return tags;
}

// The lintian warnings the README keeps: "- `tag` ..." lines in its section
// on them.
QSet<QString> WarningsListedInReadme()
{
    QFile readme(QStringLiteral(GRAVELIN_SOURCE_DIR "/README.md"));
    if (!readme.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf("\n### Warnings lintian gives\n");
    if (start < 0)
        return {};
    const qsizetype end = text.indexOf("\n#", start + 1);
    const QString section = text.mid(start, end < 0 ? -1 : end - start);
    QSet<QString> tags;
    const QRegularExpression item("^- `([a-z0-9.+-]+)`", QRegularExpression::MultilineOption);
    for (auto match = item.globalMatch(section); match.hasNext();)
        tags.insert(match.next().captured(1));
    return tags;
}

QString Sorted(const QSet<QString> &set)
{
    QStringList list(set.begin(), set.end());
    list.sort();
    return list.join(' ');
}

// The values of one key of a desktop entry, as a set: "a;b;" gives {a, b}.
QSet<QString> DesktopList(const QString &entryPath, const QString &key)
{
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n'))
        if (line.startsWith(key + '=')) {
            const QStringList values = line.mid(key.size() + 1).split(';', Qt::SkipEmptyParts);
            return QSet<QString>(values.begin(), values.end());
        }
    return {};
}

// The texts of every element `name` of an XML file.
QStringList ElementTexts(const QString &xmlPath, const QString &name)
{
    QFile file(xmlPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList texts;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == name)
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
    return texts;
}

} // namespace

void TestPackage::initTestCase()
{
#ifdef GRAVELIN_SANITIZED_BUILD
    QSKIP("A build with sanitizers is no program to ship: the package is checked in the normal build");
#endif
    QVERIFY(m_dist.isValid() && m_unpacked.isValid() && m_home.isValid());
    const ProgramRun architecture = RunProgram("dpkg", {"--print-architecture"});
    QCOMPARE(architecture.exitCode, 0);
    m_architecture = architecture.out.trimmed();

    const QString build = qEnvironmentVariable("GRAVELIN_BUILD_DIR");
    QVERIFY2(!build.isEmpty(), "GRAVELIN_BUILD_DIR names the build tree");
    const ProgramRun packaged = RunProgram(
        "bash", {GRAVELIN_SOURCE_DIR "/scripts/package", "--build-dir", build, "--output", m_dist.path()});
    QVERIFY2(packaged.exitCode == 0, qPrintable(packaged.out + packaged.err));
    m_deb = m_dist.filePath(QString("gravelin_%1_%2.deb").arg(Version, m_architecture));
    QCOMPARE(packaged.out.trimmed(), m_deb);
    QVERIFY(QFileInfo(m_deb).isFile());

    const ProgramRun contents = RunProgram("dpkg-deb", {"--contents", m_deb});
    QVERIFY2(contents.exitCode == 0, qPrintable(contents.err));
    // "-rw-r--r-- root/root  1234 2026-12-09 02:00 ./usr/x" [" -> target"]
    const QRegularExpression line(R"(^(\S+) (\S+)\s+\d+ \S+ \S+ \.(/\S*)(?: -> (\S+))?$)");
    for (const QString &text : contents.out.split('\n', Qt::SkipEmptyParts)) {
        const auto match = line.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        m_contents.insert(match.captured(3), {match.captured(1), match.captured(2), match.captured(4)});
    }
    const ProgramRun unpack = RunProgram("dpkg-deb", {"-x", m_deb, m_unpacked.path()});
    QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.err));
}

QString TestPackage::field(const QString &name) const
{
    return RunProgram("dpkg-deb", {"--field", m_deb, name}).out.trimmed();
}

void TestPackage::fields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("the name") << "Package" << "gravelin";
    QTest::newRow("the project's version") << "Version" << Version;
    QTest::newRow("this machine's architecture") << "Architecture" << m_architecture;
    QTest::newRow("the section") << "Section" << "database";
    QTest::newRow("the engine and xdg-open recommended")
        << "Recommends" << "firebird3.0-server-core, xdg-utils";
}

void TestPackage::fields()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QCOMPARE(field(name), value);
}

// What the program needs without being linked with it.
void TestPackage::dependsOnWhatNoLinkerRecords_data()
{
    QTest::addColumn<QString>("package");
    QTest::newRow("the Firebird client, linked or loaded at run time") << "libfbclient2";
    QTest::newRow("Arial's widths, for the windows' layout") << "fonts-liberation2";
}

void TestPackage::dependsOnWhatNoLinkerRecords()
{
    QFETCH(QString, package);
    const QSet<QString> depends = PackageNames(field("Depends"));
    QVERIFY2(depends.contains(package), qPrintable(Sorted(depends)));
}

// Every library the program is linked with comes in through Depends.
void TestPackage::dependsOnEveryLinkedLibrary()
{
    const QSet<QString> depends = PackageNames(field("Depends"));
    const ProgramRun dynamic = RunProgram("objdump", {"-p", unpacked("lib/gravelin/gravelin")});
    QCOMPARE(dynamic.exitCode, 0);
    QStringList patterns;
    const QRegularExpression needed(R"(^\s+NEEDED\s+(\S+)$)", QRegularExpression::MultilineOption);
    for (auto match = needed.globalMatch(dynamic.out); match.hasNext();)
        patterns << "*/" + match.next().captured(1);
    QVERIFY(patterns.size() > 3);
    const ProgramRun owners = RunProgram("dpkg", QStringList{"-S"} + patterns);
    QCOMPARE(owners.exitCode, 0);
    // "libqt6core6:amd64: /usr/lib/.../libQt6Core.so.6"; a library found
    // twice (/lib and /usr/lib) has one owner.
    QHash<QString, QSet<QString>> ownersOfLibrary;
    for (const QString &line : owners.out.split('\n', Qt::SkipEmptyParts)) {
        const QString library = line.section('/', -1);
        for (const QString &owner : line.section(": ", 0, 0).split(", "))
            ownersOfLibrary[library].insert(owner.section(':', 0, 0));
    }
    QCOMPARE(ownersOfLibrary.size(), patterns.size());
    for (auto library = ownersOfLibrary.cbegin(); library != ownersOfLibrary.cend(); ++library)
        QVERIFY2(depends.intersects(library.value()),
                 qPrintable(library.key() + " comes from " + Sorted(library.value())
                            + ", none of which is in Depends: " + Sorted(depends)));
}

void TestPackage::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");
    for (const testsupport::InstalledFile &file : testsupport::InstalledFiles())
        QTest::newRow(qPrintable(file.what)) << "/usr/" + file.path << LsMode('-', file.mode);
    for (int size : testsupport::IconSizes())
        QTest::newRow(qPrintable(QString("icon %1").arg(size)))
            << "/usr/" + testsupport::IconPath(size) << LsMode('-', 0644);
    QTest::newRow("copyright") << "/usr/share/doc/gravelin/copyright" << LsMode('-', 0644);
    QTest::newRow("changelog") << "/usr/share/doc/gravelin/changelog.gz" << LsMode('-', 0644);
    QTest::newRow("launcher") << QString("/usr/") + testsupport::LauncherPath << LsMode('l', 0777);
    QTest::newRow("program folder") << QString("/usr/") + testsupport::ProgramFolderPath + '/'
                                    << LsMode('d', 0755);
}

void TestPackage::files()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    QVERIFY2(m_contents.contains(path), qPrintable(path + " is not in the package"));
    const Entry entry = m_contents.value(path);
    QCOMPARE(entry.mode, mode);
    QCOMPARE(entry.owner, QStringLiteral("root/root"));
    if (mode.startsWith('l'))   // relative, so that it holds wherever the tree is
        QCOMPARE(entry.target, QString(testsupport::LauncherTarget));
}

// The package holds the installed tree under /usr and its two documents,
// nothing beside them.
void TestPackage::nothingElseIsInstalled()
{
    QSet<QString> expected{"/usr/share/doc/gravelin/copyright", "/usr/share/doc/gravelin/changelog.gz",
                           QString("/usr/") + testsupport::LauncherPath};
    for (const testsupport::InstalledFile &file : testsupport::InstalledFiles())
        expected.insert("/usr/" + file.path);
    for (int size : testsupport::IconSizes())
        expected.insert("/usr/" + testsupport::IconPath(size));
    QSet<QString> packaged;
    for (auto entry = m_contents.cbegin(); entry != m_contents.cend(); ++entry)
        if (!entry.value().mode.startsWith('d'))
            packaged.insert(entry.key());
        else
            QVERIFY2(entry.key() == "/" || entry.key().startsWith("/usr/"), qPrintable(entry.key()));
    QCOMPARE(Sorted(packaged), Sorted(expected));
}

void TestPackage::startsUnpacked()
{
    const InstalledTree tree(m_unpacked.filePath("usr"), m_home.path());
    const QString problem = tree.startProblem(tree.startOn(tree.userSample()), InstalledTree::OpenedSample());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// No error, and each warning kept is one the README explains (and the README
// explains none that lintian no longer gives).
void TestPackage::lintianKeepsOnlyTheListedWarnings()
{
    const ProgramRun lintian = RunProgram("lintian", {m_deb});
    const QString output = lintian.out + lintian.err;
    QVERIFY2(lintian.exitCode == 0, qPrintable(output));
    QVERIFY2(LintianTags(output, "E").isEmpty(), qPrintable(output));
    QCOMPARE(Sorted(LintianTags(output, "W")), Sorted(WarningsListedInReadme()));
}

void TestPackage::metainfo()
{
    const QString path = unpacked(testsupport::MetainfoPath);
    const ProgramRun validate = RunProgram("appstreamcli", {"validate", "--no-net", "--pedantic", path});
    QVERIFY2(validate.exitCode == 0, qPrintable(validate.out + validate.err));
    QVERIFY2(validate.out.contains("Validation was successful.\n"), qPrintable(validate.out));
    QCOMPARE(ElementTexts(path, "launchable"), QStringList{"gravelin.desktop"});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The newest release is this version.
    const QRegularExpression release(R"re(<release version="([^"]+)")re");
    QCOMPARE(release.match(QString::fromUtf8(file.readAll())).captured(1), Version);
}

// What the software centre says the program opens and where it files it,
// the desktop says too.
void TestPackage::metainfoAgreesWithTheDesktopEntry_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("key");
    QTest::newRow("file types") << "mediatype" << "MimeType";
    QTest::newRow("categories") << "category" << "Categories";
}

void TestPackage::metainfoAgreesWithTheDesktopEntry()
{
    QFETCH(QString, element);
    QFETCH(QString, key);
    const QStringList listed = ElementTexts(unpacked(testsupport::MetainfoPath), element);
    const QSet<QString> desktop = DesktopList(unpacked("share/applications/gravelin.desktop"), key);
    QVERIFY(!desktop.isEmpty());
    QCOMPARE(Sorted(QSet<QString>(listed.begin(), listed.end())), Sorted(desktop));
}

QTEST_MAIN(TestPackage)
#include "tst_package.moc"
