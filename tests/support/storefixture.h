#pragma once

#include "fakeclock.h"
#include "fakedig.h"
#include "fakenotifier.h"
#include "fakezone.h"
#include "memorysettingsstore.h"
#include "model/resolver.h"
#include "model/watchlistcodec.h"
#include "store/connectivity.h"
#include "store/digstore.h"

#include <QTest>

#include <memory>

namespace Quello::Test {

class FakeConnectivity final : public Connectivity {
public:
    State state() const override { return m_state; }
    void set(State state) {
        m_state = state;
        Q_EMIT stateChanged(state);
    }

private:
    State m_state = State::Online;
};

// A store on fakes; `digProgram` may name another dig (the lab's real one).
struct StoreFixture {
    FakeDig dig;
    QString digProgram = dig.program();
    MemorySettingsStore settings;
    FakeNotifier notifier;
    FakeClock clock;
    WakeWatcher* wakeWatcher = nullptr;
    FakeConnectivity connectivity;
    std::unique_ptr<DigStore> store;

    DigStore& start() {
        store = std::make_unique<DigStore>(StoreServices{.settings = settings,
                                                         .notifier = notifier,
                                                         .clock = clock,
                                                         .digProgram = digProgram,
                                                         .wakeWatcher = wakeWatcher,
                                                         .connectivity = &connectivity});
        return *store;
    }

    // The launch check of `saved` starts with the event loop.
    DigStore& start(const QList<Watch>& saved) {
        settings.values.insert(DigStore::settingsKey, WatchListCodec::encode(saved));
        return start();
    }

    // Lets the launch check of an empty list end first.
    DigStore& startEmpty() {
        start();
        QTest::qWait(10);
        return *store;
    }

    // One dig output per resolver, in Resolver::all() order. "!" fails the
    // query with status 9 (no reply: timed out), "!N" with status N;
    // "?NXDOMAIN" (any response code) answers no records with that status;
    // "~" before an output makes it
    // arrive only after 30 seconds. Only for `domain` when one is given.
    // `ttls` gives the answer records' TTLs in the same order (else 0).
    void answer(const QStringList& outputs, const QString& domain = FakeDig::any,
                const QList<int>& ttls = {}) {
        for (qsizetype i = 0; i < outputs.size(); ++i) {
            FakeDig::Answer a;
            const bool slow = outputs[i].startsWith(u'~');
            const QString output = slow ? outputs[i].mid(1) : outputs[i];
            a.sleepSeconds = slow ? 30 : 0;
            a.ttl = ttls.value(i);
            if (output.startsWith(u'!')) {
                a.status = output.size() > 1 ? output.mid(1).toInt() : 9;
                // As the real dig gives up when no server answers.
                if (a.status == 9) {
                    a.output = noReply("127.0.0.1");
                    a.verbatim = true;
                }
            } else if (output.startsWith(u'?')) {
                // A response code without records; its SOA carries the TTL.
                a.rcode = output.mid(1).toUtf8();
                a.authority = "example.test.\t" + QByteArray::number(a.ttl)
                              + "\tIN\tSOA\tns1. host. 1 3600 600 86400 3600\n";
            } else {
                a.output = output.toUtf8();
            }
            const Resolver& resolver = Resolver::all().at(static_cast<size_t>(i));
            dig.setAnswer(a, resolver.server.value_or(QStringLiteral("system")), domain);
        }
    }
    void answerAll(const QString& output) { answer({output, output, output, output}); }

    [[nodiscard]] bool checkNow(const QUuid& id) {
        bool done = false;
        store->check(id, [&done] { done = true; });
        return QTest::qWaitFor([&] { return done; }, 15000);
    }

    // Adds a watch and waits for its first check; null when refused or not done.
    [[nodiscard]] QUuid addAndCheck(const QString& domain, RecordType type = RecordType::A,
                                    const std::optional<QString>& expected = std::nullopt) {
        if (!store)
            startEmpty();
        if (!store->add(domain, type, expected))
            return {};
        const QUuid id = store->watches().constLast().id;
        const bool done = QTest::qWaitFor(
            [&] { return store->results().contains(id) && !store->isChecking().contains(id); },
            15000);
        return done ? id : QUuid();
    }

    [[nodiscard]] bool launchChecksDone() {
        return QTest::qWaitFor(
            [&] {
                return store->results().size() == store->watches().size()
                       && store->isChecking().isEmpty();
            },
            15000);
    }
};

inline Watch savedWatch(const QString& domain, RecordType type = RecordType::A,
                        std::optional<QString> expected = std::nullopt,
                        std::optional<Instant> settledAt = std::nullopt) {
    return Watch{QUuid::createUuid(), domain, type, std::move(expected), 600'000'000.5, settledAt};
}

// host0.example.com, host1.example.com ...
inline QList<Watch> savedWatches(int count) {
    QList<Watch> watches;
    for (int i = 0; i < count; ++i)
        watches.append(savedWatch(QStringLiteral("host%1.example.com").arg(i)));
    return watches;
}

} // namespace Quello::Test
