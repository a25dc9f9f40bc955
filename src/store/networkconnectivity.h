#pragma once

#include "store/connectivity.h"

#include <QDBusConnection>

namespace Quello {

// The system's view, from Qt's QNetworkInformation: NetworkManager's backend,
// or glib's where there is no NetworkManager. The backend is loaded only once
// NetworkManager has answered (or is known to be absent): it asks it with
// blocking calls, which must not hold the main thread when it hangs. Until
// then, and for good where no backend loads, the state is Unknown.
class NetworkConnectivity final : public Connectivity {
    Q_OBJECT

public:
    explicit NetworkConnectivity(QDBusConnection systemBus = QDBusConnection::systemBus(),
                                 QObject* parent = nullptr);

    State state() const override { return m_state; }

private:
    void load();
    void follow();

    State m_state = State::Unknown;
};

} // namespace Quello
