#pragma once

#include "model/watch.h"
#include "model/watchparser.h"
#include "query/digqueue.h"
#include "store/consensus.h"
#include "store/sourcebook.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

namespace Quello {

// Checks one watch against every resolver, again and again, until it settles
// or the time is up. Decides as the tray does; keeps nothing on disk.
class WaitRun : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Settled, TimedOut, DigUnavailable, SourceUnknown };
    using Milliseconds = std::chrono::milliseconds;

    // `digProgram` is dig's path; tests pass a fake one.
    // With `sourceOnly`, the zone's servers decide: the run settles once every
    // one of them serves the expected value (without one, the same records),
    // and the resolvers are asked only then, for information.
    WaitRun(const WatchRequest& request, std::chrono::seconds interval,
            std::chrono::seconds timeout, const QString& digProgram, bool sourceOnly = false,
            QObject* parent = nullptr);

    void start();

    const Watch& watch() const { return m_watch; }
    const Consensus::ResultMap& results() const { return m_results; }
    bool isSourceOnly() const { return m_sourceOnly; }
    // None before the first check has asked the zone's servers.
    const SourceBook::Entry* source() const { return m_source.entry(m_watch.id); }
    SourceVerdict sourceVerdict() const { return m_source.verdict(m_watch.id); }
    std::chrono::seconds timeout() const { return m_timeout; }
    Milliseconds elapsed() const { return Milliseconds{m_clock.isValid() ? m_clock.elapsed() : 0}; }
    bool isChecking() const { return m_checking; }
    // How long after the start this resolver's answer last changed; none
    // before its first answer.
    std::optional<Milliseconds> changedAt(const QString& resolverId) const;
    // None while a check runs or once finished.
    std::optional<Milliseconds> nextCheckIn() const;
    // When the last lagging resolver's cached answer expires, if all say.
    std::optional<Instant> eta() const {
        return Consensus::eta(m_watch, m_results, sourceVerdict());
    }
    static Instant now();

Q_SIGNALS:
    void resultChanged(const QString& resolverId);
    void sourceChanged(); // the zone's servers or their answers
    void checked();       // after the results of one whole check are in
    void finished(Outcome outcome);

private:
    void check();
    void finishCheck(const Consensus::ResultMap& fresh, const SourceBook::Entry& source,
                     bool digUnavailable);
    bool serversServe() const;
    void finish(Outcome outcome);
    Milliseconds nextCheckDelay(const Consensus::ResultMap& fresh, const SourceVerdict& source,
                                Milliseconds spent);

    Watch m_watch;
    std::chrono::seconds m_interval;
    std::chrono::seconds m_timeout;
    DigQueue m_queries;
    SourceBook m_source;
    bool m_sourceOnly = false;
    bool m_resolversAsked = false;
    int m_checks = 0;
    QElapsedTimer m_clock;
    QTimer m_next;
    QTimer m_deadline;
    bool m_checking = false;
    bool m_timeIsUp = false;
    bool m_finished = false;
    // One check sooner than the interval, at a cache's expiry, per run: short
    // TTLs must not make the checks come faster than asked for.
    bool m_earlyCheckSpent = false;
    Consensus::ResultMap m_results;
    QHash<QString, Milliseconds> m_changedAt;
};

} // namespace Quello
