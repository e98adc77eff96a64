#include "tests/support/tcprelay.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>

namespace testsupport {

namespace {

// What a connection's two directions share: which way the last bytes went.
struct Exchange
{
    bool clientSpokeLast = false;
};

} // namespace

// One direction of one connection: reads from one socket and writes to the
// other, each chunk when its delay is up.
class Pipe : public QObject
{
public:
    Pipe(RelayWorker *relay, QTcpSocket *from, QTcpSocket *to, bool towardServer,
         std::shared_ptr<Exchange> exchange);

    void drop() { m_held.clear(); m_timer.stop(); }

private:
    struct Chunk
    {
        QByteArray bytes;
        qint64 dueMs;
    };
    void read();
    void release();
    void close();

    RelayWorker *m_relay;
    QPointer<QTcpSocket> m_to;
    QPointer<QTcpSocket> m_from;
    bool m_towardServer;
    bool m_closing = false;   // the sending side closed: close once all is released
    std::shared_ptr<Exchange> m_exchange;
    std::deque<Chunk> m_held;
    QTimer m_timer;
};

class RelayWorker : public QObject
{
public:
    RelayWorker(quint16 targetPort, std::atomic<int> &roundTrips, std::atomic<int> &connections)
        : m_targetPort(targetPort), m_roundTrips(roundTrips), m_connections(connections)
    {
        m_clock.start();
    }

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

    void setDelay(qint64 ms) { m_delayMs = ms; }
    void setBlackHole(bool on)
    {
        m_blackHole = on;
        if (on) {
            for (const QPointer<Pipe> &pipe : std::as_const(m_pipes)) {
                if (pipe)
                    pipe->drop();
            }
        }
    }

    qint64 now() const { return m_clock.elapsed(); }
    qint64 delayMs() const { return m_delayMs; }
    bool blackHole() const { return m_blackHole; }
    void countRoundTrip() { ++m_roundTrips; }

private:
    void accept()
    {
        while (QTcpSocket *client = m_server->nextPendingConnection()) {
            ++m_connections;
            auto *upstream = new QTcpSocket(this);
            client->setParent(this);
            auto exchange = std::make_shared<Exchange>();
            m_pipes << new Pipe(this, client, upstream, true, exchange)
                    << new Pipe(this, upstream, client, false, exchange);
            m_sockets << client << upstream;
            // Written before the server answers, the client's bytes wait in
            // upstream's buffer until it is connected.
            upstream->connectToHost(QHostAddress::LocalHost, m_targetPort);
        }
    }

    quint16 m_targetPort;
    std::atomic<int> &m_roundTrips;
    std::atomic<int> &m_connections;
    QElapsedTimer m_clock;
    qint64 m_delayMs = 0;
    bool m_blackHole = false;
    QTcpServer *m_server = nullptr;
    QList<QPointer<QTcpSocket>> m_sockets;
    QList<QPointer<Pipe>> m_pipes;
};

Pipe::Pipe(RelayWorker *relay, QTcpSocket *from, QTcpSocket *to, bool towardServer,
           std::shared_ptr<Exchange> exchange)
    : QObject(to), m_relay(relay), m_to(to), m_from(from), m_towardServer(towardServer),
      m_exchange(std::move(exchange))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Pipe::release);
    connect(from, &QTcpSocket::readyRead, this, &Pipe::read);
    // A black hole closes nothing: the other side never hears of it.
    connect(from, &QTcpSocket::disconnected, this, &Pipe::close);
    connect(from, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            close();
        else if (m_to && !m_relay->blackHole())
            m_to->abort();
    });
    connect(from, &QTcpSocket::disconnected, from, &QObject::deleteLater);
}

void Pipe::read()
{
    QByteArray bytes = m_from->readAll();
    if (bytes.isEmpty() || m_relay->blackHole() || !m_to)
        return;
    if (!m_towardServer && m_exchange->clientSpokeLast)
        m_relay->countRoundTrip();
    m_exchange->clientSpokeLast = m_towardServer;
    if (m_relay->delayMs() <= 0 && m_held.empty()) {
        m_to->write(bytes);
        return;
    }
    m_held.push_back({std::move(bytes), m_relay->now() + m_relay->delayMs()});
    if (!m_timer.isActive())
        release();
}

void Pipe::release()
{
    while (!m_held.empty() && m_held.front().dueMs <= m_relay->now()) {
        if (m_to)
            m_to->write(m_held.front().bytes);
        m_held.pop_front();
    }
    if (!m_held.empty())
        m_timer.start(int(m_held.front().dueMs - m_relay->now()));
    else if (m_closing && m_to)
        m_to->disconnectFromHost();
}

// What was sent before the close still arrives, after its delay.
void Pipe::close()
{
    if (m_relay->blackHole())
        return;
    m_closing = true;
    if (m_held.empty() && m_to)
        m_to->disconnectFromHost();
}

TcpRelay::TcpRelay(quint16 targetPort)
    : m_worker(new RelayWorker(targetPort, m_roundTrips, m_connections))
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

void TcpRelay::setDelay(std::chrono::milliseconds delay)
{
    QMetaObject::invokeMethod(m_worker, [this, delay] { m_worker->setDelay(delay.count()); },
                              Qt::BlockingQueuedConnection);
}

void TcpRelay::setBlackHole(bool on)
{
    QMetaObject::invokeMethod(m_worker, [this, on] { m_worker->setBlackHole(on); },
                              Qt::BlockingQueuedConnection);
}

void TcpRelay::resetCounts()
{
    m_roundTrips = 0;
    m_connections = 0;
}

} // namespace testsupport
