#include "query/digqueue.h"

#include <algorithm>
#include <utility>

namespace Quello {

// Stands for one running query: the dig child belongs to it, so deleting the
// ticket kills the child, and each ticket frees its slot exactly once.
class DigQueue::Ticket : public QObject {
public:
    using QObject::QObject;

    QMetaObject::Connection contextGone;
    bool released = false;
};

DigQueue::DigQueue(QString program, int maxRunning, QObject* parent)
    : QObject(parent)
    , m_program(std::move(program))
    , m_maxRunning(std::max(1, maxRunning)) {}

DigQueue::~DigQueue() {
    // Nothing may start while the running children are torn down.
    m_waiting.clear();
    m_starting = true;
    const QObjectList owned = children();
    for (QObject* child : owned) {
        if (auto* ticket = dynamic_cast<Ticket*>(child))
            release(ticket, true);
    }
}

void DigQueue::query(const QString& domain, RecordType type, const std::optional<QString>& server,
                     QObject* context, DigRunner::Callback done) {
    enqueue(context, [this, domain, type, server, context = QPointer<QObject>(context),
                      done = std::move(done)](QObject* ticket, std::function<void()> finished) {
        DigRunner::query(m_program, domain, type, server, ticket,
                         [context, done, finished](const DigRunner::Outcome& outcome) {
                             finished();
                             if (context)
                                 done(outcome);
                         });
    });
}

void DigQueue::run(const QStringList& args, QObject* context, DigRunner::RawCallback done) {
    enqueue(context, [this, args, context = QPointer<QObject>(context),
                      done = std::move(done)](QObject* ticket, std::function<void()> finished) {
        DigRunner::run(m_program, args, ticket,
                       [context, done, finished](const DigRunner::RawOutcome& outcome) {
                           finished();
                           if (context)
                               done(outcome);
                       });
    });
}

void DigQueue::enqueue(QObject* context, Starter start) {
    m_waiting.push_back(Pending{context, std::move(start)});
    startWaiting();
}

void DigQueue::startWaiting() {
    // A context destroyed while we start children may release a slot from
    // inside this loop; the loop itself picks that slot up.
    if (m_starting)
        return;
    m_starting = true;
    while (m_running < m_maxRunning && !m_waiting.empty()) {
        Pending next = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (!next.context)
            continue;

        auto* ticket = new Ticket(this);
        ++m_running;
        m_peakRunning = std::max(m_peakRunning, m_running);
        ticket->contextGone = connect(next.context, &QObject::destroyed, this,
                                      [this, ticket] { release(ticket, true); });
        // `finished` runs inside an event delivered to the ticket.
        next.start(ticket, [this, ticket] { release(ticket, false); });
    }
    m_starting = false;
}

void DigQueue::release(Ticket* ticket, bool deleteNow) {
    if (ticket->released)
        return;
    ticket->released = true;
    disconnect(ticket->contextGone);
    --m_running;
    if (deleteNow)
        delete ticket;
    else
        ticket->deleteLater();
    startWaiting();
}

} // namespace Quello
