#pragma once

#include "model/recordtype.h"
#include "model/resolver.h"
#include "model/resolverresult.h"
#include "model/watch.h"
#include "query/digqueue.h"
#include "query/digrunner.h"
#include "store/consensus.h"
#include "store/resolverstatus.h"
#include "store/sourcebook.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <chrono>
#include <functional>
#include <optional>

namespace Quello {

class Clock;
class Connectivity;
class Notifier;
class SettingsStore;
class WakeWatcher;

// The platform services the store talks to. The application passes the real
// ones; tests pass fakes and a fake dig.
struct StoreServices {
    SettingsStore& settings;
    Notifier& notifier;
    Clock& clock;
    QString digProgram = DigRunner::defaultProgram.toString();
    int maxConcurrentQueries = DigQueue::defaultMaxRunning;
    // Null: no wake-ups from suspend are heard of.
    WakeWatcher* wakeWatcher = nullptr;
    // Null: the machine counts as online, whatever it is.
    Connectivity* connectivity = nullptr;
};

// The one model object: the watch list, the latest answer of every resolver
// for every watch, and the watches under check. Lives on the main thread.
class DigStore : public QObject {
    Q_OBJECT

public:
    using ResultMap = Consensus::ResultMap; // resolver id -> result

    static inline const QString settingsKey = QStringLiteral("QuelloWatches");
    // An unreadable saved list is copied here before anything overwrites it.
    static inline const QString unreadableKey = QStringLiteral("QuelloWatches.unreadable");

    // After a wake-up the network takes a moment to come back; the checks
    // wait for it this long at most.
    static constexpr std::chrono::seconds wakeGrace{20};

    // Loads the saved list, starts polling, and checks every watch once as
    // soon as the event loop runs.
    explicit DigStore(const StoreServices& services, QObject* parent = nullptr);
    ~DigStore() override;

    const QList<Watch>& watches() const { return m_watches; }
    const QHash<QUuid, ResultMap>& results() const { return m_results; }
    const QSet<QUuid>& isChecking() const { return m_isChecking; }

    // The watch with this id, or null.
    const Watch* watch(const QUuid& id) const;

    // False, and nothing happens, when an equal watch exists already.
    bool add(const QString& domain, RecordType type, const std::optional<QString>& expected);
    void remove(const QUuid& id);

    // `done` runs when the check has finished (at once for an unknown id).
    void check(const QUuid& id, std::function<void()> done = {});
    void checkAll(std::function<void()> done = {});

    // The most common answer among the resolvers that answered.
    std::optional<QString> consensusValue(const Watch& watch) const;
    // Every resolver answered, and all match the expected value, or agree on
    // what the zone's servers serve (on each other while those are unknown).
    bool isSettled(const Watch& watch) const;
    ResolverStatus status(const Watch& watch, const Resolver& resolver) const;
    int pendingCount() const;

    // The zone's servers and their answers at the watch's latest check.
    const SourceBook& source() const { return m_source; }
    SourceVerdict sourceVerdict(const Watch& watch) const { return m_source.verdict(watch.id); }
    // Whether this resolver keeps the watch from settling: its answer is not
    // the expected value (without one, not the consensus) or is missing.
    bool isLagging(const Watch& watch, const Resolver& resolver) const;
    // When the resolver's cache lets go of its latest answer; none without a
    // TTL (a failed query, TTL 0).
    std::optional<Instant> expiryOf(const Watch& watch, const Resolver& resolver) const;
    // When the last lagging resolver's cached answer expires, if every lagging
    // resolver's expiry is known. A pending watch is then checked just after
    // it instead of on the fixed schedule (PollSchedule).
    std::optional<Instant> etaOf(const Watch& watch) const;
    // The store's clock, so that countdowns and its schedule agree.
    Instant now() const;
    // The system says the machine is offline: no check starts until it is
    // back, and then every due watch is checked at once.
    bool isOffline() const;

    const DigQueue& queries() const { return m_queries; }

Q_SIGNALS:
    void watchAdded(const QUuid& id); // appended at the end of watches()
    void watchRemoved(const QUuid& id);
    void watchUpdated(const QUuid& id);    // that watch settled or fell back (settledAt)
    void resultsChanged(const QUuid& id);  // the results of that watch were replaced or dropped
    void checkingChanged(const QUuid& id); // that id entered or left isChecking()
    void offlineChanged(bool offline);

private:
    void load();
    void save();
    void startPolling();
    void wokeUp();
    void pollPass();
    bool isDue(const Watch& w, Instant at) const;
    void pollNext(QList<Watch> snapshot, qsizetype index, Instant passTime);
    void pollSoonerIfNeeded(const QUuid& id);
    std::optional<Instant> nextExpiryCheck() const;
    void startCheck(const Watch& copy, std::function<void()> done);
    void finishCheck(const QUuid& id, const ResultMap& fresh, const SourceBook::Entry& source);

    void connectivityChanged();
    void checkDue(bool evenOffline);
    void settle(const QUuid& id);
    void requestNotificationPermissionOnce();
    void notifySettled(const Watch& watch);
    Watch* findWatch(const QUuid& id);
    void setChecking(const QUuid& id, bool checking);

    SettingsStore& m_settings;
    Notifier& m_notifier;
    Clock& m_clock;
    Connectivity* m_connectivity;
    DigQueue m_queries;
    SourceBook m_source;

    QList<Watch> m_watches;
    QHash<QUuid, ResultMap> m_results;
    QSet<QUuid> m_isChecking;
    // The context of the polling sleep under way; null while a pass runs.
    QObject* m_pollSleep = nullptr;
    Instant m_pollWakeAt = 0; // when that sleep ends
    // Pending watches that had their one check sooner than the pending
    // interval after the one before; cleared when they settle.
    QSet<QUuid> m_earlyCheckSpent;
    // The wait for the network after a wake-up; null when none is under way.
    QObject* m_wakeWait = nullptr;
    bool m_offline = false;
};

} // namespace Quello
