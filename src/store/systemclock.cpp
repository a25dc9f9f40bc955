#include "store/systemclock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

namespace Quello {

Instant SystemClock::now() const {
    return instantFromDateTime(QDateTime::currentDateTimeUtc());
}

void SystemClock::sleep(std::chrono::milliseconds delay, QObject* context,
                        std::function<void()> wake) {
    // A precise timer: the polling period is meant to be exactly what it says,
    // and a coarse one may wake up to 5% late. One wake-up every half minute
    // costs nothing either way.
    // Tied to `context`, the timer goes away with it and `wake` never runs.
    QObject* receiver = context ? context : QCoreApplication::instance();
    QTimer::singleShot(delay, Qt::PreciseTimer, receiver, std::move(wake));
}

} // namespace Quello
