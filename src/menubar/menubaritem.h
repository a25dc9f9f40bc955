#pragma once

#include "menubar/menubarlabel.h"

#include <QIcon>
#include <QObject>
#include <QRect>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;

namespace Quello {

class DigStore;
class TrayHosts;

// The tray item: its icon and tooltip follow the number of pending watches,
// and any click on it asks for the panel. The icon goes into the tray once a
// tray host runs, which may be long after Quello started, and says when the
// last tray that showed it goes.
class MenuBarItem : public QObject {
    Q_OBJECT

public:
    explicit MenuBarItem(DigStore& store, QObject* parent = nullptr);
    ~MenuBarItem() override;

    const MenuBarLabel& label() const { return m_label; }
    // What the tray shows, or would show.
    const QIcon& icon() const { return m_icon; }
    // Null until a tray host runs.
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    bool inTray() const;

    // Where the icon sits on screen; empty where the tray does not say.
    QRect iconGeometry() const;

Q_SIGNALS:
    void clicked();
    void openRequested();
    void messageClicked();
    // The icon has just gone into a tray that shows it.
    void trayArrived();
    // The last tray that showed the icon has gone.
    void trayLost();
    // A tray host is there but does not answer; said once.
    void trayHostSilent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followHosts();
    void createTray();
    // Qt's item was made for a host, which has not listed it yet.
    bool awaitingListing() const;
    void redrawIcons();
    void refresh();

    DigStore& m_store;
    TrayHosts* m_hosts;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menu = nullptr;
    QTimer m_relist;
    bool m_shown = false;
    // Whether Qt made its tray icon while a host was there, and so made a
    // StatusNotifierItem.
    bool m_trayForHost = false;
    bool m_trayMadeBefore = false;
    bool m_watcherWasSilent = false;
    QIcon m_normalIcon;
    QIcon m_pendingIcon;
    QIcon m_icon;
    MenuBarLabel m_label;
};

} // namespace Quello
