#pragma once

#include "fakeclock.h"
#include "fakedig.h"
#include "fakenotifier.h"
#include "memorysettingsstore.h"
#include "model/resolver.h"
#include "model/watchlistcodec.h"
#include "store/digstore.h"

#include <QApplication>
#include <QTest>

#include <memory>

namespace Quello::Test {

// A store on fakes for the panel's tests.
struct PanelFixture {
    FakeDig dig;
    MemorySettingsStore settings;
    FakeNotifier notifier;
    FakeClock clock;
    std::unique_ptr<DigStore> store;

    // The launch check of `saved` starts with the event loop.
    DigStore& start(const QList<Watch>& saved = {}) {
        if (!saved.isEmpty())
            settings.values.insert(DigStore::settingsKey, WatchListCodec::encode(saved));
        store = std::make_unique<DigStore>(StoreServices{.settings = settings,
                                                         .notifier = notifier,
                                                         .clock = clock,
                                                         .digProgram = dig.program()});
        return *store;
    }

    // One dig output per resolver, in Resolver::all() order. "!" fails the
    // query; "~" before an output makes it arrive only after 30 seconds.
    void answer(const QStringList& outputs) {
        for (qsizetype i = 0; i < outputs.size(); ++i) {
            FakeDig::Answer a;
            const bool slow = outputs[i].startsWith(u'~');
            const QString output = slow ? outputs[i].mid(1) : outputs[i];
            a.sleepSeconds = slow ? 30 : a.sleepSeconds;
            a.status = output == u"!" ? 9 : a.status;
            a.output = output == u"!" ? QByteArray() : output.toUtf8();
            const Resolver& resolver = Resolver::all().at(static_cast<size_t>(i));
            dig.setAnswer(a, resolver.server.value_or(QStringLiteral("system")));
        }
    }
    void answerAll(const QString& output) { answer({output, output, output, output}); }

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

inline void setMotion(bool allowed) {
    QApplication::setEffectEnabled(Qt::UI_General, allowed);
}

} // namespace Quello::Test
