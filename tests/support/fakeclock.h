#pragma once

#include "store/clock.h"

#include <QList>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>

namespace Quello::Test {

// A Clock for tests: the wall clock is whatever the test says, and nothing
// sleeps for real.
//
// - now() returns the wall clock; setNow() sets it, forwards or back, and
//   fires nothing (as when the user changes the system time).
// - sleep() records a wake-up on a separate monotonic clock that starts at 0.
// - advance(seconds) moves both clocks forward together. Wake-ups that fall
//   due on the way run DIRECTLY inside advance() (not through the event loop),
//   one at a time in the order they fall due (ties in the order they were
//   asked for); before each one both clocks stand at its due time. A wake-up
//   asked for during advance() runs in the same call if it falls due within
//   the advanced span. Wake-ups whose context is gone are dropped silently.
//
// Anything a wake-up starts asynchronously (a dig child, a queued call) is
// still only finished by the event loop: wait for it (QTRY_*) afterwards.
class FakeClock final : public Clock {
public:
    explicit FakeClock(Instant start = 700'000'000.0)
        : m_now(start) {}

    Instant now() const override { return m_now; }

    void setNow(Instant instant) { m_now = instant; }

    void sleep(std::chrono::milliseconds delay, QObject* context,
               std::function<void()> wake) override {
        requestedDelays.append(delay);
        m_pending.append(WakeUp{m_monotonic + delay, m_nextSequence++, context, std::move(wake)});
    }

    void advance(double seconds) {
        const auto target = m_monotonic + std::chrono::milliseconds(std::llround(seconds * 1000.0));
        for (;;) {
            const auto next = std::min_element(
                m_pending.begin(), m_pending.end(), [](const WakeUp& a, const WakeUp& b) {
                    return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
                });
            if (next == m_pending.end() || next->due > target)
                break;
            const WakeUp wakeUp = *next;
            m_pending.erase(next);
            moveTo(wakeUp.due);
            if (wakeUp.context)
                wakeUp.wake();
        }
        moveTo(target);
    }

    // Wake-ups still waiting whose context is alive.
    int pendingWakeUps() const {
        return static_cast<int>(std::count_if(m_pending.cbegin(), m_pending.cend(),
                                              [](const WakeUp& w) { return !w.context.isNull(); }));
    }

    std::chrono::milliseconds monotonic() const { return m_monotonic; }

    // Every delay passed to sleep(), in order.
    QList<std::chrono::milliseconds> requestedDelays;

private:
    struct WakeUp {
        std::chrono::milliseconds due;
        quint64 sequence;
        QPointer<QObject> context;
        std::function<void()> wake;
    };

    void moveTo(std::chrono::milliseconds monotonic) {
        m_now += std::chrono::duration<double>(monotonic - m_monotonic).count();
        m_monotonic = monotonic;
    }

    Instant m_now;
    std::chrono::milliseconds m_monotonic{0};
    quint64 m_nextSequence = 0;
    QList<WakeUp> m_pending;
};

} // namespace Quello::Test
