#pragma once

#include "store/connectivity.h"

#include <QDBusConnection>

namespace Quello {

// Qt's QNetworkInformation, loaded once NetworkManager has shown that it
// answers: its backend asks NetworkManager with blocking calls, which must
// not hold the main thread when NetworkManager hangs. Until then, and for
// good where no backend loads, the state is Unknown.
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
