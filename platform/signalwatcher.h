#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Blocks SIGTERM, SIGINT and SIGHUP in the calling thread and every thread
// it starts later. Called first thing in main(), before any library starts
// a thread: the database client would otherwise catch these signals itself
// and shut every attachment down instead of letting the program end.
void BlockTerminationSignals();

// Delivers those blocked signals on the Qt event loop, read from a
// signalfd, so ending on a signal runs as ordinary program code.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void received(int signal);

private:
    void read();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
