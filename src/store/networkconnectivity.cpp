#include "store/networkconnectivity.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QNetworkInformation>

namespace Quello {

namespace {

// A NetworkManager that has not answered by then is taken as hung.
constexpr int pingTimeoutMs = 2000;

Connectivity::State fromReachability(QNetworkInformation::Reachability reachability) {
    switch (reachability) {
    case QNetworkInformation::Reachability::Unknown:
        return Connectivity::State::Unknown;
    // Loopback or link-local only: no resolver outside the machine answers.
    case QNetworkInformation::Reachability::Disconnected:
    case QNetworkInformation::Reachability::Local:
        return Connectivity::State::Offline;
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Online:
        return Connectivity::State::Online;
    }
    return Connectivity::State::Unknown;
}

} // namespace

NetworkConnectivity::NetworkConnectivity(QDBusConnection systemBus, QObject* parent)
    : Connectivity(parent) {
    if (!systemBus.isConnected()) {
        // No NetworkManager to hang: the glib backend, where there is one.
        load();
        return;
    }
    // A property, not a Peer.Ping: GDBus answers a ping on its own thread even
    // while NetworkManager's main loop, which the backend's calls need, hangs.
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.NetworkManager"),
        QStringLiteral("/org/freedesktop/NetworkManager"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QStringLiteral("org.freedesktop.NetworkManager") << QStringLiteral("Connectivity");
    auto* watcher = new QDBusPendingCallWatcher(systemBus.asyncCall(ask, pingTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusError error = finished->error();
                // Any answer, "no such service" included, says the backends
                // will not wait long; silence says NetworkManager hangs.
                if (error.type() != QDBusError::NoReply && error.type() != QDBusError::Timeout
                    && error.type() != QDBusError::TimedOut)
                    load();
            });
}

void NetworkConnectivity::load() {
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
            &NetworkConnectivity::follow);
    follow();
}

void NetworkConnectivity::follow() {
    const State state = fromReachability(QNetworkInformation::instance()->reachability());
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

} // namespace Quello
