#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <chrono>
#include <optional>

namespace Quello {

// Asks the session bus, on a connection of its own and with a deadline,
// whether it answers at all. Qt connects to the bus with calls that wait 25 s
// each for an answer, on the main thread, the first time anything (the tray
// icon, the notifier, Qt's accessibility bridge) touches it: a bus that
// accepts connections and never answers would hold the start for minutes.
class SessionBusProbe {
public:
    enum class Verdict {
        Answers,
        Silent,  // no answer by the deadline
        Unknown, // no bus named, or one this probe cannot reach (tcp, launchd)
    };

    // Connects, authenticates, says Hello and asks the bus for its id, all
    // before `deadline`. Blocks for at most that long.
    static Verdict probe(const QProcessEnvironment& environment,
                         std::chrono::milliseconds deadline);

private:
    // The bus named by DBUS_SESSION_BUS_ADDRESS, or $XDG_RUNTIME_DIR/bus as
    // libdbus finds it: a unix socket path, or an abstract name with a
    // leading NUL. None for any other kind of address.
    static std::optional<QByteArray> socketAddress(const QProcessEnvironment& environment);
};

} // namespace Quello
