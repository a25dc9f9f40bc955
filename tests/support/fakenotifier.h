#pragma once

#include "store/notifier.h"

#include <QList>

namespace Quello::Test {

// Shows nothing and remembers every call; emit activated() to play a click.
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
    QList<Notification> notifications;
};

} // namespace Quello::Test
