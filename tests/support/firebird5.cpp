#include "tests/support/firebird5.h"

#include "db/client/clientlibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace testsupport {

namespace {

QString buildFolder()
{
    return qEnvironmentVariable("GRAVELIN_BUILD_DIR");
}

} // namespace

QString Firebird5Root()
{
    const QString root = buildFolder() + QStringLiteral("/firebird-5.0.4");
    return !buildFolder().isEmpty() && QFileInfo::exists(root + QStringLiteral("/bin/isql"))
               ? root : QString();
}

QString Firebird5Missing()
{
    return QStringLiteral("Firebird 5.0.4 is not in the build folder (no "
                          "../shared/firebird/firebird-5.0.4-debian12-amd64.tar.xz beside the "
                          "source tree when it was configured): skipped");
}

void UseFirebird5Client(const QString &root)
{
    db::SetClientSearch({root, {}, db::DefaultClientSearch().systemRoot});
}

void UseSystemClient()
{
    db::SetClientSearch({{}, {}, db::DefaultClientSearch().systemRoot});
}

QProcessEnvironment FirebirdToolEnvironment(const QString &root)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (root.isEmpty())
        environment.remove(QStringLiteral("FIREBIRD"));
    else
        environment.insert(QStringLiteral("FIREBIRD"), root);
    return environment;
}

QString RunIsql(const QString &root, const QString &script)
{
    QProcess isql;
    isql.setProcessEnvironment(FirebirdToolEnvironment(root));
    const QString program = root.isEmpty() ? QStringLiteral("isql-fb")
                                           : root + QStringLiteral("/bin/isql");
    isql.start(program, {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA")});
    isql.write(script.toUtf8());
    isql.closeWriteChannel();
    if (!isql.waitForFinished(60000))
        return QStringLiteral("<isql did not finish>");
    return QString::fromUtf8(isql.readAllStandardOutput() + isql.readAllStandardError());
}

Firebird5Server::Firebird5Server(const QString &root)
{
    m_failure = start(root);
}

Firebird5Server::~Firebird5Server()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(10000))
            m_server.kill();
        m_server.waitForFinished(5000);
    }
}

QString Firebird5Server::databaseName(const QString &file) const
{
    return QStringLiteral("localhost/%1:%2").arg(m_port).arg(m_dir.filePath(file));
}

QString Firebird5Server::start(const QString &root)
{
    const QString home = m_dir.filePath(QStringLiteral("root"));
    QDir().mkpath(home);
    QDir().mkpath(m_dir.filePath(QStringLiteral("lock")));
    const QDir source(root);
    for (const QFileInfo &entry : source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString name = entry.fileName();
        const QString target = home + QLatin1Char('/') + name;
        const bool copied = name == QLatin1String("security5.fdb") || name == QLatin1String("firebird.conf");
        if (!(copied ? QFile::copy(entry.absoluteFilePath(), target)
                     : QFile::link(entry.absoluteFilePath(), target)))
            return QStringLiteral("%1 cannot be set up").arg(target);
        if (copied)
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    // A free port, never the well-known 3050 another server may hold.
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return QStringLiteral("no free port on 127.0.0.1");
    m_port = probe.serverPort();
    probe.close();
    QFile config(home + QStringLiteral("/firebird.conf"));
    if (!config.open(QIODevice::Append))
        return config.errorString();
    config.write(QStringLiteral("\nRemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\n")
                     .arg(m_port).toUtf8());
    config.close();
    QProcessEnvironment environment = FirebirdToolEnvironment(home);
    environment.insert(QStringLiteral("FIREBIRD_LOCK"), m_dir.filePath(QStringLiteral("lock")));
    QProcess isql;
    isql.setProcessEnvironment(environment);
    isql.start(root + QStringLiteral("/bin/isql"),
               {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                home + QStringLiteral("/security5.fdb")});
    isql.write(QStringLiteral("CREATE OR ALTER USER SYSDBA PASSWORD '%1' USING PLUGIN Srp; COMMIT;")
                   .arg(QString::fromLatin1(Password)).toUtf8());
    isql.closeWriteChannel();
    if (!isql.waitForFinished(30000) || isql.exitCode() != 0)
        return QStringLiteral("SYSDBA's password was not set: ") + isql.readAllStandardError();
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(root + QStringLiteral("/bin/firebird"), {});
    if (!m_server.waitForStarted(10000))
        return QStringLiteral("the server did not start: ") + m_server.errorString();
    for (int attempt = 0; attempt < 100; ++attempt) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        if (socket.waitForConnected(100))
            return {};
        QThread::msleep(100);
    }
    return QStringLiteral("the server does not answer on port %1").arg(m_port);
}

} // namespace testsupport
