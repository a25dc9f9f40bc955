#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace Quello {

// Turns SIGINT and SIGTERM into a Qt signal on the event loop: the handler
// only writes the number into a socket pair, which the loop watches.
// One instance at a time; the default handling comes back when it is gone.
class SignalPipe : public QObject {
    Q_OBJECT

public:
    explicit SignalPipe(QObject* parent = nullptr);
    ~SignalPipe() override;

Q_SIGNALS:
    void received(int signal);

private:
    void readSignal();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace Quello
