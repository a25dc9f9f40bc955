#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariant>

#include <functional>

class QObject;

namespace Quello {

// The desktop portal's settings (org.freedesktop.portal.Settings), where
// GNOME, KDE and others publish the colour scheme and the motion preference.
namespace DesktopPortal {

inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
inline const QString appearance = QStringLiteral("org.freedesktop.appearance");

// Portal values may come wrapped in one variant more than their type.
QVariant unwrapped(QVariant value);

// Reads one setting without waiting for it: `done` gets the unwrapped value,
// and is not called when the portal has no such setting or does not answer.
// ReadOne answers the value itself; older portals only have Read.
void read(const QDBusConnection& bus, const QString& group, const QString& key, QObject* context,
          std::function<void(const QVariant&)> done);

} // namespace DesktopPortal

} // namespace Quello
