#pragma once

#include <QThread>

namespace testsupport {

class RelayWorker;

// A TCP relay on loopback in front of a server, on a thread of its own so
// that it keeps relaying while the test's thread waits inside a client
// call. cut() drops every connection and stops listening: to the clients
// that is a server that went away. restore() listens again on the same port.
class TcpRelay
{
public:
    explicit TcpRelay(quint16 targetPort);
    ~TcpRelay();

    quint16 port() const { return m_port; }
    void cut();
    void restore();

private:
    QThread m_thread;
    RelayWorker *m_worker = nullptr;
    quint16 m_port = 0;
};

} // namespace testsupport
