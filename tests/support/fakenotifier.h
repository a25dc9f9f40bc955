#pragma once

#include "store/notifier.h"

#include <QList>

namespace Quello::Test {

// A Notifier that shows nothing and remembers every call. Emit activated()
// directly to play a click on a notification.
class FakeNotifier final : public Notifier {
public:
    struct Notification {
        QUuid watchId;
        QString title;
        QString body;

        bool operator==(const Notification&) const = default;
    };

    using Notifier::Notifier;

    void requestPermission() override { ++permissionRequests; }

    void notify(const QUuid& watchId, const QString& title, const QString& body) override {
        notifications.append(Notification{watchId, title, body});
    }

    int permissionRequests = 0;
    QList<Notification> notifications; // oldest first
};

} // namespace Quello::Test
