#pragma once

#include <QObject>
#include <QTimer>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace Quello {

// Which trays the desktop has now, followed as they come and go: a
// StatusNotifierItem watcher on the session bus that has a host registered
// (a watcher alone shows nothing: Plasma's runs before its panel does), or an
// X11 system tray (the owner of the _NET_SYSTEM_TRAY_S<screen> selection). Asked
// by itself rather than through Qt, which decides once per process, at its
// first tray icon, whether the bus has a host. Every call on the bus is
// asynchronous, so a slow or hung watcher never stalls Quello.
class TrayHosts : public QObject {
    Q_OBJECT

public:
    explicit TrayHosts(QObject* parent = nullptr);

    bool statusNotifierHost() const { return m_host; }
    bool xembedTray() const { return m_xembed; }
    bool any() const { return m_host || m_xembed; }
    // Whether the watcher lists an item of this process among its items.
    bool itemListed() const { return m_listed; }

Q_SIGNALS:
    // One of the answers above changed.
    void changed();
    // A watcher owns its name but has not answered for a while: hung, as a
    // stopped desktop shell is. No icon can show until it answers.
    void watcherSilent();

private Q_SLOTS:
    // Reads the watcher's state afresh; connected to its signals.
    void askWatcher();

private:
    void takeAnswer(QDBusPendingCallWatcher* call, quint64 generation);
    void set(bool host, bool listed, bool xembed);
    void lookForXembedTray();

    QDBusServiceWatcher* m_busWatcher;
    bool m_host = false;
    bool m_listed = false;
    bool m_xembed = false;
    // Answers to earlier questions are dropped once a later one is asked.
    quint64 m_asked = 0;
    QTimer m_xembedPoll;
};

} // namespace Quello
