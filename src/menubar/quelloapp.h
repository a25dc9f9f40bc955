#pragma once

#include "store/desktopnotifier.h"
#include "store/digstore.h"
#include "store/inisettingsstore.h"
#include "store/logindwakewatcher.h"
#include "store/networkconnectivity.h"
#include "store/systemclock.h"

#include <QLocale>
#include <QObject>
#include <QProcessEnvironment>

namespace Quello {

class MenuBarItem;
class PanelPopover;

// The application: the services, the one DigStore, the tray item and the
// panel. Construct it once, after the QApplication.
class QuelloApp : public QObject {
    Q_OBJECT

public:
    // `digProgram` replaces the real dig (tests run a fake); empty for dig.
    explicit QuelloApp(const QString& digProgram = {});
    ~QuelloApp() override;

    // The whole process, from the command line to the end of the event loop.
    static int main(int argc, char* argv[]);

    // Puts Quello's and Qt's own translations for `locale` in place; call it
    // after the QApplication and before any widget is built. False when
    // Quello has none for that language (it then speaks English).
    static bool installTranslations(const QLocale& locale = QLocale::system());

    // Whether there is a window system to show anything on. Qt's own choice
    // of platform (QT_QPA_PLATFORM) is trusted as it stands.
    static bool hasGraphicalSession(const QProcessEnvironment& environment);

    DigStore& store() { return m_store; }
    DesktopNotifier& notifier() { return m_notifier; }
    MenuBarItem* menuBarItem() const { return m_item; }
    PanelPopover* popover() const { return m_popover.get(); }

    // Brings the panel up: against the tray icon, or as a window without a
    // tray.
    void showPanel();
    void togglePanel();

private:
    // Opens the panel as a window after `graceMs`, if no tray shows the icon
    // by then.
    void showWindowUnlessTray(int graceMs);
    bool trayUsable() const;
    static bool popupsCanBePlaced();

    IniSettingsStore m_settings;
    DesktopNotifier m_notifier;
    SystemClock m_clock;
    LogindWakeWatcher m_wakeWatcher;
    NetworkConnectivity m_connectivity;
    DigStore m_store;
    MenuBarItem* m_item;
    std::unique_ptr<PanelPopover> m_popover; // a top-level window has no parent
};

} // namespace Quello
