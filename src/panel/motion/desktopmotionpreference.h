#pragma once

#include "panel/motion/motionpreference.h"

#include <QDBusConnection>
#include <QFileSystemWatcher>
#include <QString>

#include <optional>

class QDBusVariant;

namespace Quello {

// The desktop's own animation setting, followed while the application runs:
// the desktop portal's settings (the freedesktop reduced-motion key where the
// portal has it, GNOME's enable-animations, KDE's AnimationDurationFactor), or
// KDE's kdeglobals file, or Qt's effects flag where a platform theme fills it
// from the desktop. Animations stay on when nothing says otherwise, and until
// the portal has answered.
class DesktopMotionPreference : public MotionPreference {
    Q_OBJECT

public:
    DesktopMotionPreference(const QDBusConnection& bus, const QString& kdeGlobals,
                            QObject* parent = nullptr);

    // kdeglobals in the user's configuration directory.
    static QString kdeGlobalsPath();

    bool animationsEnabled() const override { return m_enabled; }

private Q_SLOTS:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void read(const QString& group, const QString& key);
    void store(const QString& group, const QString& key, const QVariant& value);
    void readKdeGlobals();
    void decide();

    QDBusConnection m_bus;
    QString m_kdeGlobals;
    QFileSystemWatcher m_watcher;
    bool m_themeStatesEffects = false;
    std::optional<bool> m_reducedMotion;
    std::optional<bool> m_gnomeAnimations;
    std::optional<bool> m_kdePortalAnimations;
    std::optional<bool> m_kdeFileAnimations;
    bool m_enabled = true;
};

} // namespace Quello
