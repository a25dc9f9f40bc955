#pragma once

#include "menubar/menubarlabel.h"

#include <QIcon>
#include <QObject>
#include <QRect>

class QSystemTrayIcon;

namespace Quello {

class DigStore;

// The tray item: its icon and tooltip follow the number of pending watches,
// and a left click asks for the panel.
class MenuBarItem : public QObject {
    Q_OBJECT

public:
    explicit MenuBarItem(DigStore& store, QObject* parent = nullptr);

    const MenuBarLabel& label() const { return m_label; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }

    // Where the icon sits on screen; empty where the tray does not say.
    QRect iconGeometry() const;

    // The colour the icon is drawn in. Linux trays show icons as they are
    // drawn, so the icon takes the desktop's text-on-window colour, which
    // trays and panels follow in light and dark schemes alike.
    static QColor foreground();

Q_SIGNALS:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void redrawIcons();
    void refresh();

    DigStore& m_store;
    QSystemTrayIcon* m_tray;
    QIcon m_normalIcon;
    QIcon m_pendingIcon;
    MenuBarLabel m_label;
};

} // namespace Quello
