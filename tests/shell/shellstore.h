#pragma once

#include "fakeclock.h"
#include "fakedig.h"
#include "fakenotifier.h"
#include "memorysettingsstore.h"
#include "store/digstore.h"

#include <QTest>

#include <memory>

namespace Quello::Test {

// A DigStore on fakes for the shell's tests.
struct ShellStore {
    FakeDig dig;
    MemorySettingsStore settings;
    FakeNotifier notifier;
    FakeClock clock;
    std::unique_ptr<DigStore> store;

    ShellStore() {
        store = std::make_unique<DigStore>(StoreServices{.settings = settings,
                                                         .notifier = notifier,
                                                         .clock = clock,
                                                         .digProgram = dig.program()});
        QTest::qWait(10); // the launch check of the empty list
    }

    void answerAll(const QByteArray& output) { dig.setAnswer(FakeDig::Answer{.output = output}); }

    // Adds a watch and waits until its first check is over.
    QUuid addChecked(const QString& domain) {
        store->add(domain, RecordType::A, std::nullopt);
        const QUuid id = store->watches().constLast().id;
        const bool checked = QTest::qWaitFor(
            [&] { return store->results().contains(id) && store->isChecking().isEmpty(); }, 5000);
        if (!checked)
            qWarning("the first check of %s did not end", qPrintable(domain));
        return id;
    }
};

} // namespace Quello::Test
