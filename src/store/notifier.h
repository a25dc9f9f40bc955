#pragma once

#include <QObject>
#include <QString>
#include <QUuid>

namespace Quello {

// Desktop notifications. Fire and forget: nothing the store does depends on
// whether a notification was shown.
class Notifier : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Kept for platforms that ask the user first; freedesktop has no such step.
    virtual void requestPermission() = 0;

    // A later notification for the same watch replaces the earlier one.
    virtual void notify(const QUuid& watchId, const QString& title, const QString& body) = 0;

Q_SIGNALS:
    // The user clicked the notification posted for this watch.
    void activated(const QUuid& watchId);
};

} // namespace Quello
