#include "panel/motion/desktopmotionpreference.h"

#include "panel/style/desktopportal.h"

#include <QApplication>
#include <QDBusVariant>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace Quello {

namespace {

using DesktopPortal::appearance;
const QString reducedMotionKey = QStringLiteral("reduced-motion");
const QString gnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString enableAnimationsKey = QStringLiteral("enable-animations");
const QString kdeGroup = QStringLiteral("org.kde.kdeglobals.KDE");
const QString durationFactorKey = QStringLiteral("AnimationDurationFactor");

// KDE scales every animation by the factor; 0 switches them off.
std::optional<bool> animatesAtFactor(const QVariant& factor) {
    bool ok = false;
    const double value = factor.toString().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value > 0;
}

} // namespace

DesktopMotionPreference::DesktopMotionPreference(const QDBusConnection& bus,
                                                 const QString& kdeGlobals, QObject* parent)
    : MotionPreference(parent)
    , m_bus(bus)
    , m_kdeGlobals(kdeGlobals) {
    // Qt fills its effects flag from the desktop only through KDE's platform
    // theme; elsewhere the flag is off because nobody set it.
    m_themeStatesEffects = qEnvironmentVariable("QT_QPA_PLATFORMTHEME") == QLatin1String("kde");

    if (m_bus.isConnected()) {
        m_bus.connect(DesktopPortal::service, DesktopPortal::path, DesktopPortal::settingsInterface,
                      QStringLiteral("SettingChanged"), this,
                      SLOT(settingChanged(QString, QString, QDBusVariant)));
        read(appearance, reducedMotionKey);
        read(gnomeInterface, enableAnimationsKey);
        read(kdeGroup, durationFactorKey);
    }

    if (!m_kdeGlobals.isEmpty()) {
        // The directory too: saving often replaces the file, which drops it
        // from the watch.
        m_watcher.addPath(QFileInfo(m_kdeGlobals).absolutePath());
        if (QFileInfo::exists(m_kdeGlobals))
            m_watcher.addPath(m_kdeGlobals);
        connect(&m_watcher, &QFileSystemWatcher::fileChanged, this,
                &DesktopMotionPreference::readKdeGlobals);
        connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
                &DesktopMotionPreference::readKdeGlobals);
        readKdeGlobals();
    }
}

QString DesktopMotionPreference::kdeGlobalsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/kdeglobals");
}

void DesktopMotionPreference::read(const QString& group, const QString& key) {
    DesktopPortal::read(m_bus, group, key, this,
                        [this, group, key](const QVariant& value) { store(group, key, value); });
}

void DesktopMotionPreference::settingChanged(const QString& group, const QString& key,
                                             const QDBusVariant& value) {
    store(group, key, value.variant());
}

void DesktopMotionPreference::store(const QString& group, const QString& key,
                                    const QVariant& wrapped) {
    const QVariant value = DesktopPortal::unwrapped(wrapped);
    if (group == appearance && key == reducedMotionKey)
        m_reducedMotion = value.toUInt() == 1; // 0: no preference, 1: reduced
    else if (group == gnomeInterface && key == enableAnimationsKey)
        m_gnomeAnimations = value.toBool();
    else if (group == kdeGroup && key == durationFactorKey)
        m_kdePortalAnimations = animatesAtFactor(value);
    else
        return;
    decide();
}

void DesktopMotionPreference::readKdeGlobals() {
    if (QFileInfo::exists(m_kdeGlobals) && !m_watcher.files().contains(m_kdeGlobals))
        m_watcher.addPath(m_kdeGlobals);
    const QSettings file(m_kdeGlobals, QSettings::IniFormat);
    const QVariant factor = file.value(QStringLiteral("KDE/") + durationFactorKey);
    m_kdeFileAnimations = factor.isValid() ? animatesAtFactor(factor) : std::nullopt;
    decide();
}

void DesktopMotionPreference::decide() {
    bool enabled = true;
    if (m_reducedMotion)
        enabled = !*m_reducedMotion;
    else if (m_gnomeAnimations)
        enabled = *m_gnomeAnimations;
    else if (m_kdePortalAnimations)
        enabled = *m_kdePortalAnimations;
    else if (m_kdeFileAnimations)
        enabled = *m_kdeFileAnimations;
    else if (m_themeStatesEffects && qobject_cast<QApplication*>(QCoreApplication::instance()))
        enabled = QApplication::isEffectEnabled(Qt::UI_General);
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Q_EMIT changed(enabled);
}

} // namespace Quello
