#pragma once

#include <QObject>
#include <QTimer>

class QDBusServiceWatcher;

namespace Quello {

// Which tray hosts the desktop runs, followed as they come and go: a
// StatusNotifierItem watcher on the session bus, or an X11 system tray (the
// owner of the _NET_SYSTEM_TRAY_S<screen> selection). Asked by itself rather
// than through Qt, which decides once per process whether the bus has a
// watcher, at the first tray icon it makes: a tray icon made before the tray
// host runs would never move into it.
class TrayHosts : public QObject {
    Q_OBJECT

public:
    explicit TrayHosts(QObject* parent = nullptr);

    bool statusNotifierWatcher() const { return m_watcher; }
    bool xembedTray() const { return m_xembed; }
    bool any() const { return m_watcher || m_xembed; }

Q_SIGNALS:
    // A watcher registered or left the bus, or an X11 tray appeared.
    void changed();

private:
    void followXembed();
    void lookForXembedTray();

    QDBusServiceWatcher* m_busWatcher;
    bool m_watcher = false;
    bool m_xembed = false;
    QTimer m_xembedPoll;
};

} // namespace Quello
