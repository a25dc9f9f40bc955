#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>

namespace Quello {

// Whether the StatusNotifierItem watcher answers at all. Qt's tray icon asks
// it with blocking calls when the icon is made, each waiting up to 25 s for
// a watcher that hangs; asked here without blocking, and briefly, first.
namespace TrayWatcherProbe {

inline constexpr int timeoutMs = 1000;

// `done` runs once, from the event loop, unless `context` is gone first.
void ask(const QDBusConnection& bus, QObject* context, std::function<void(bool answered)> done);

} // namespace TrayWatcherProbe

} // namespace Quello
