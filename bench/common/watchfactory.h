#pragma once

#include "model/watch.h"

#include <QList>

namespace Quello {

class DigStore;

namespace Bench {

// `count` A-record watches for w1.example.test, w2.example.test, ...; settled
// an hour ago when `settled`, so that no poll finds them due for ten minutes
// after their launch check.
QList<Watch> makeWatches(int count, bool settled);

// Runs the event loop until the store has no watch under check and no query
// running or waiting, after at least one check has started. Returns false
// when that takes longer than `timeoutMs`.
bool waitUntilChecked(DigStore& store, int timeoutMs = 600'000);

} // namespace Bench

} // namespace Quello
