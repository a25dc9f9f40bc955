#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QPalette>
#include <QTimer>

#include <optional>

class QDBusMessage;

namespace Quello {

// Follows the desktop's colour scheme while Quello runs and puts it into the
// application palette, which the tray icon and the panel draw with: Qt reads
// the scheme once, at start. On KDE the scheme is kdeglobals, rewritten when
// the user picks another; elsewhere the desktop portal's light or dark
// preference (org.freedesktop.appearance color-scheme), read and followed
// asynchronously.
class ColorSchemeWatcher : public QObject {
    Q_OBJECT

public:
    explicit ColorSchemeWatcher(QObject* parent = nullptr);

private Q_SLOTS:
    // org.freedesktop.portal.Settings.SettingChanged(group, key, value).
    void settingChanged(const QDBusMessage& message);

private:
    void readKdeGlobals();
    void watchKdeGlobals();

    QString m_kdeGlobals;
    QDateTime m_kdeGlobalsWritten;
    QFileSystemWatcher m_files;
    QTimer m_settle;
};

} // namespace Quello
