#include "tests/support/tcprelay.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace testsupport {

class RelayWorker : public QObject
{
public:
    explicit RelayWorker(quint16 targetPort) : m_targetPort(targetPort) {}

    quint16 listen(quint16 port)
    {
        if (!m_server) {
            m_server = new QTcpServer(this);
            connect(m_server, &QTcpServer::newConnection, this, &RelayWorker::accept);
        }
        if (!m_server->listen(QHostAddress::LocalHost, port))
            qFatal("the relay cannot listen on port %u: %s", unsigned(port),
                   qPrintable(m_server->errorString()));
        return m_server->serverPort();
    }

    void cut()
    {
        m_server->close();
        for (const QPointer<QTcpSocket> &socket : std::as_const(m_sockets)) {
            if (socket)
                socket->abort();
        }
        m_sockets.clear();
    }

private:
    void accept()
    {
        while (QTcpSocket *client = m_server->nextPendingConnection()) {
            auto *upstream = new QTcpSocket(this);
            client->setParent(this);
            pipe(client, upstream);
            pipe(upstream, client);
            m_sockets << client << upstream;
            // Written before the server answers, the client's bytes wait in
            // upstream's buffer until it is connected.
            upstream->connectToHost(QHostAddress::LocalHost, m_targetPort);
        }
    }

    void pipe(QTcpSocket *from, QTcpSocket *to)
    {
        connect(from, &QTcpSocket::readyRead, to, [from, to] { to->write(from->readAll()); });
        connect(from, &QTcpSocket::disconnected, to, [to] { to->disconnectFromHost(); });
        connect(from, &QTcpSocket::errorOccurred, to, [to] { to->abort(); });
        connect(from, &QTcpSocket::disconnected, from, &QObject::deleteLater);
    }

    quint16 m_targetPort;
    QTcpServer *m_server = nullptr;
    QList<QPointer<QTcpSocket>> m_sockets;
};

TcpRelay::TcpRelay(quint16 targetPort)
    : m_worker(new RelayWorker(targetPort))
{
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_worker, [this] { m_port = m_worker->listen(0); }, Qt::BlockingQueuedConnection);
}

TcpRelay::~TcpRelay()
{
    QMetaObject::invokeMethod(m_worker, [this] { m_worker->cut(); },
                              Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void TcpRelay::cut()
{
    QMetaObject::invokeMethod(m_worker, [this] { m_worker->cut(); },
                              Qt::BlockingQueuedConnection);
}

void TcpRelay::restore()
{
    QMetaObject::invokeMethod(m_worker, [this] { m_worker->listen(m_port); },
                              Qt::BlockingQueuedConnection);
}

} // namespace testsupport
