#pragma once

#include <QThread>

#include <atomic>
#include <chrono>

namespace testsupport {

class RelayWorker;

// A TCP relay on loopback in front of a server, on a thread of its own so
// that it keeps relaying while the test's thread waits inside a client
// call. cut() drops every connection and stops listening: to the clients
// that is a server that went away. restore() listens again on the same port.
//
// It can also stand for a slow or dead link: setDelay() holds every chunk
// back by that long in each direction, in order; setBlackHole(true) swallows
// whatever either side sends and closes nothing, as a dropped VPN does.
class TcpRelay
{
public:
    explicit TcpRelay(quint16 targetPort);
    ~TcpRelay();

    quint16 port() const { return m_port; }
    void cut();
    void restore();

    // Added to each chunk each way, from the next chunk read on.
    void setDelay(std::chrono::milliseconds delay);
    // On: nothing more is forwarded either way, and what was held back by
    // the delay is dropped. Off: forwarding goes on from the next chunk.
    void setBlackHole(bool on);

    // Exchanges since the start or the last resetCounts(): on each
    // connection, each time the server answers after the client spoke (the
    // direction turns from client->server to server->client) counts one.
    // Bytes the client sends in several pieces before the answer, and an
    // answer that arrives in several pieces, are one round trip.
    int roundTrips() const { return m_roundTrips; }
    // Connections the clients opened through the relay.
    int connections() const { return m_connections; }
    void resetCounts();

private:
    QThread m_thread;
    RelayWorker *m_worker = nullptr;
    quint16 m_port = 0;
    std::atomic<int> m_roundTrips = 0;
    std::atomic<int> m_connections = 0;
};

} // namespace testsupport
