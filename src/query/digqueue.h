#pragma once

#include "query/digrunner.h"

#include <QObject>
#include <QPointer>

#include <deque>

namespace Quello {

// A FIFO in front of DigRunner that bounds how many dig processes run at
// once across the whole store. Without it, checking a few hundred watches at
// once exhausts file descriptors and healthy resolvers come back as failed.
class DigQueue : public QObject {
    Q_OBJECT

public:
    static constexpr int defaultMaxRunning = 48;

    explicit DigQueue(QString program, int maxRunning = defaultMaxRunning,
                      QObject* parent = nullptr);
    ~DigQueue() override;

    // Queries start in the order they were asked for. `done` runs exactly
    // once, from the event loop, unless `context` is destroyed before the
    // outcome arrives: a waiting query is then dropped, a running one killed.
    void query(const QString& domain, RecordType type, const std::optional<QString>& server,
               QObject* context, DigRunner::Callback done);
    // The same for a dig run with arguments of the caller's own.
    void run(const QStringList& args, QObject* context, DigRunner::RawCallback done);

    int running() const { return m_running; }
    int waiting() const { return static_cast<int>(m_waiting.size()); }
    int peakRunning() const { return m_peakRunning; }

private:
    // Starts the child under `ticket` and calls `finished` once its outcome
    // is in, before handing it on.
    using Starter = std::function<void(QObject* ticket, std::function<void()> finished)>;

    struct Pending {
        QPointer<QObject> context;
        Starter start;
    };

    class Ticket;

    void enqueue(QObject* context, Starter start);
    void startWaiting();
    void release(Ticket* ticket, bool deleteNow);

    QString m_program;
    int m_maxRunning;
    int m_running = 0;
    int m_peakRunning = 0;
    std::deque<Pending> m_waiting;
    bool m_starting = false;
};

} // namespace Quello
