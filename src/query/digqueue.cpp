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
    m_waiting.push_back(Pending{domain, type, server, context, std::move(done)});
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
        DigRunner::query(m_program, next.domain, next.type, next.server, ticket,
                         [this, ticket, context = next.context,
                          done = std::move(next.done)](const DigRunner::Outcome& outcome) {
                             // We are inside an event delivered to the ticket.
                             release(ticket, false);
                             if (context)
                                 done(outcome);
                         });
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
