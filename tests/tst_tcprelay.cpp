// The relay the server tests put between the client and the server: its
// added delay, its black hole and its count of round trips, against an echo
// server on this thread.

#include "tests/support/tcprelay.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using namespace std::chrono_literals;

class TestTcpRelay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void exchangesArriveInOrderAfterTheDelay_data();
    void exchangesArriveInOrderAfterTheDelay();
    void blackHoleSwallowsAndClosesNothing();

private:
    // Sends text and waits for its echo; returns all that came back.
    QByteArray exchange(const QByteArray &text);

    QTcpServer m_echo;
    QList<QTcpSocket *> m_served;
    std::unique_ptr<testsupport::TcpRelay> m_relay;
    std::unique_ptr<QTcpSocket> m_client;
};

void TestTcpRelay::init()
{
    QVERIFY(m_echo.listen(QHostAddress::LocalHost));
    connect(&m_echo, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_echo.nextPendingConnection()) {
            m_served << socket;
            connect(socket, &QTcpSocket::readyRead, socket,
                    [socket] { socket->write(socket->readAll()); });
        }
    });
    m_relay = std::make_unique<testsupport::TcpRelay>(m_echo.serverPort());
    m_client = std::make_unique<QTcpSocket>();
    m_client->connectToHost(QHostAddress::LocalHost, m_relay->port());
    QVERIFY(m_client->waitForConnected(5000));
}

void TestTcpRelay::cleanup()
{
    m_client.reset();
    m_relay.reset();
    qDeleteAll(m_served);
    m_served.clear();
    m_echo.close();
    m_echo.disconnect(this);
}

QByteArray TestTcpRelay::exchange(const QByteArray &text)
{
    QByteArray answer;
    m_client->write(text);
    if (!QTest::qWaitFor([&] {
            answer += m_client->readAll();
            return answer.endsWith(text);
        }, 5000))
        qWarning("no echo of %s", text.constData());
    return answer;
}

void TestTcpRelay::exchangesArriveInOrderAfterTheDelay_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("no delay") << 0;
    QTest::newRow("100 ms each way") << 100;
}

// Each exchange takes the delay twice, and three questions answered are
// three round trips on one connection; pieces sent apart arrive in order.
void TestTcpRelay::exchangesArriveInOrderAfterTheDelay()
{
    QFETCH(int, delayMs);
    m_relay->setDelay(std::chrono::milliseconds(delayMs));
    QCOMPARE(exchange("warm-up"), QByteArray("warm-up"));
    m_relay->resetCounts();

    QElapsedTimer clock;
    clock.start();
    for (const QByteArray text : {"one", "two", "three"})
        QCOMPARE(exchange(text), text);
    QVERIFY2(clock.elapsed() >= 3 * 2 * delayMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_relay->roundTrips(), 3);
    QCOMPARE(m_relay->connections(), 0);

    for (const char *piece : {"a", "b", "c", "d"}) {
        m_client->write(piece);
        m_client->flush();
        QTest::qWait(delayMs / 4 + 5);
    }
    QCOMPARE(exchange("e"), QByteArray("abcde"));
}

// Nothing crosses either way and no side is closed; once off, the link works.
void TestTcpRelay::blackHoleSwallowsAndClosesNothing()
{
    QCOMPARE(exchange("before"), QByteArray("before"));
    m_relay->setBlackHole(true);
    m_client->write("lost");
    for (QTcpSocket *served : std::as_const(m_served))
        served->write("unheard");
    QTest::qWait(300);
    QCOMPARE(m_client->readAll(), QByteArray());
    QCOMPARE(m_client->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(m_served.size(), 1);
    QCOMPARE(m_served.first()->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(m_relay->connections(), 1);

    m_relay->setBlackHole(false);
    QCOMPARE(exchange("after"), QByteArray("after"));
}

QTEST_GUILESS_MAIN(TestTcpRelay)
#include "tst_tcprelay.moc"
