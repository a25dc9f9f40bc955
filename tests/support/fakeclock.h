#pragma once

#include "store/clock.h"

#include <QList>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>

namespace Quello::Test {

// A clock that never sleeps for real. setNow() moves the wall clock alone
// (as when the user sets the time) and fires nothing. advance() moves the wall
// and the monotonic clock together and runs the wake-ups that fall due
// directly, in due order (ties in the order asked), including ones asked for
// on the way; wake-ups whose context is gone are dropped.
class FakeClock final : public Clock {
public:
    explicit FakeClock(Instant start = 700'000'000.0)
        : m_now(start) {}

    Instant now() const override { return m_now; }
    void setNow(Instant instant) { m_now = instant; }

    void sleep(std::chrono::milliseconds delay, QObject* context,
               std::function<void()> wake) override {
        requestedDelays.append(delay);
        m_pending.append(WakeUp{m_monotonic + delay, context, std::move(wake)});
    }

    void advance(double seconds) {
        const auto target = m_monotonic + std::chrono::milliseconds(std::llround(seconds * 1000.0));
        for (;;) {
            const auto next =
                std::min_element(m_pending.begin(), m_pending.end(),
                                 [](const WakeUp& a, const WakeUp& b) { return a.due < b.due; });
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

    QList<std::chrono::milliseconds> requestedDelays;

private:
    struct WakeUp {
        std::chrono::milliseconds due;
        QPointer<QObject> context;
        std::function<void()> wake;
    };

    void moveTo(std::chrono::milliseconds monotonic) {
        m_now += std::chrono::duration<double>(monotonic - m_monotonic).count();
        m_monotonic = monotonic;
    }

    Instant m_now;
    std::chrono::milliseconds m_monotonic{0};
    QList<WakeUp> m_pending;
};

} // namespace Quello::Test
