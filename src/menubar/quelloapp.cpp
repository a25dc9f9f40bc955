#include "menubar/quelloapp.h"

#include "menubar/colorschemewatcher.h"
#include "menubar/menubaritem.h"
#include "menubar/panelpopover.h"
#include "menubar/sessionbusprobe.h"
#include "menubar/singleinstance.h"
#include "panel/style/panelresources.h"
#include "query/openfilelimit.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <memory>

namespace Quello {

namespace {

// How long a start without a tray waits for one before it opens its window.
constexpr int trayGraceMs = 4000;

// A healthy session bus answers within milliseconds.
constexpr std::chrono::milliseconds busProbeDeadline{1500};

bool loadQuelloTranslation(QTranslator& translator, const QLocale& locale) {
    return translator.load(locale, QStringLiteral("quello"), QStringLiteral("_"),
                           QStringLiteral(":/i18n"));
}

// Messages from before the QApplication exists, when no translator can be
// installed yet: they ask one of their own.
void complain(const char* text) {
    QTranslator translator;
    QString message;
    if (loadQuelloTranslation(translator, QLocale::system()))
        message = translator.translate("Quello::QuelloApp", text);
    if (message.isEmpty())
        message = QString::fromUtf8(text);
    std::fputs(qPrintable(QStringLiteral("quello: ") + message + u'\n'), stderr);
}

} // namespace

QuelloApp::QuelloApp(const QString& digProgram)
    : m_store(StoreServices{
        .settings = m_settings,
        .notifier = m_notifier,
        .clock = m_clock,
        .digProgram = digProgram.isEmpty() ? DigRunner::defaultProgram.toString() : digProgram,
        .wakeWatcher = &m_wakeWatcher,
        .connectivity = &m_connectivity})
    , m_item(new MenuBarItem(m_store, this))
    , m_popover(std::make_unique<PanelPopover>(m_store)) {
    new ColorSchemeWatcher(this);
    m_notifier.setFallback([this](const QString& title, const QString& body) {
        if (QSystemTrayIcon* tray = m_item->trayIcon())
            tray->showMessage(title, body, appIcon());
    });
    connect(m_item, &MenuBarItem::messageClicked, this, &QuelloApp::showPanel);
    connect(m_item, &MenuBarItem::openRequested, this, &QuelloApp::showPanel);
    // The tray came after all: the icon is the way in now, not the window.
    connect(m_item, &MenuBarItem::trayArrived, this, [this] {
        if (m_popover->isVisible() && !m_popover->isAnchored())
            m_popover->hide();
    });
    // Every tray went (a panel crashed, an extension was turned off): the
    // window is the way in again, unless a tray comes back first.
    connect(m_item, &MenuBarItem::trayLost, this, [this] { showWindowUnlessTray(trayGraceMs); });
    connect(&m_notifier, &Notifier::activated, this, [this](const QUuid& watchId) {
        if (m_store.watch(watchId) != nullptr)
            showPanel();
    });
    connect(m_item, &MenuBarItem::clicked, this, &QuelloApp::togglePanel);
    // No icon to click until it answers, if ever: the window instead.
    connect(m_item, &MenuBarItem::trayHostSilent, this, [this] {
        if (!trayUsable() && !m_popover->isVisible())
            showPanel();
    });
}

QuelloApp::~QuelloApp() = default;

bool QuelloApp::installTranslations(const QLocale& locale) {
    const auto install = [](QTranslator* translator) {
        translator->setParent(QCoreApplication::instance());
        QCoreApplication::installTranslator(translator);
    };
    auto own = std::make_unique<QTranslator>();
    const bool found = loadQuelloTranslation(*own, locale);
    if (found)
        install(own.release());
    // Qt's own texts, such as the input field's context menu.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        install(qt.release());
    return found;
}

bool QuelloApp::hasGraphicalSession(const QProcessEnvironment& environment) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!environment.value(QLatin1String(name)).isEmpty())
            return true;
    }
    return false;
}

bool QuelloApp::trayUsable() const {
    return m_item->inTray();
}

bool QuelloApp::popupsCanBePlaced() {
    // Wayland lets no client place its own top-level windows, and a popup
    // needs a parent window of ours, which a tray icon is not. Through
    // Xwayland the pointer's position is stale and a popup never gets the
    // keyboard: there, too, the panel is an ordinary window.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
           && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void QuelloApp::showPanel() {
    if (trayUsable() && popupsCanBePlaced())
        m_popover->showAnchored(m_item->iconGeometry());
    else
        m_popover->showStandalone();
}

void QuelloApp::showWindowUnlessTray(int graceMs) {
    // Without a tray there is no icon to click: the panel opens as a window,
    // unless a tray host turns up first, as it may at login.
    QTimer::singleShot(graceMs, this, [this] {
        if (!trayUsable())
            showPanel();
    });
}

void QuelloApp::togglePanel() {
    if (popupsCanBePlaced())
        m_popover->toggleAnchored(m_item->iconGeometry());
    else if (m_popover->isVisible())
        m_popover->hide();
    else
        m_popover->showStandalone();
}

int QuelloApp::main(int argc, char* argv[]) {
    if (!hasGraphicalSession(QProcessEnvironment::systemEnvironment())) {
        complain(QT_TRANSLATE_NOOP("Quello::QuelloApp",
                                   "Quello needs a graphical session (neither DISPLAY nor "
                                   "WAYLAND_DISPLAY is set)"));
        return 1;
    }

    SingleInstance instance(SingleInstance::defaultDirectory());
    switch (instance.claim()) {
    case SingleInstance::Role::Primary:
        break;
    case SingleInstance::Role::HandedOver:
        return 0;
    case SingleInstance::Role::Unreachable:
        complain(QT_TRANSLATE_NOOP("Quello::QuelloApp",
                                   "Quello is already running but does not answer"));
        return 1;
    }

    // Qt 6.4 asks once, at start, whether assistive technology is on, and
    // never again: a screen reader turned on after login would find Quello
    // silent until it is restarted. Staying on the accessibility bus from
    // the start, as GTK applications do, costs nothing while no reader
    // listens: Qt sends only the events some listener has asked for.
    if (!qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"))
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");

    // Before anything of Qt's touches the bus: Qt would wait for it on the
    // main thread, 25 s per call. Without it there is no StatusNotifierItem
    // tray and no desktop notification, but an X11 tray, the window and the
    // checks all work.
    const bool busSilent =
        SessionBusProbe::probe(QProcessEnvironment::systemEnvironment(), busProbeDeadline)
        == SessionBusProbe::Verdict::Silent;
    if (busSilent) {
        complain(QT_TRANSLATE_NOOP("Quello::QuelloApp",
                                   "the session bus does not answer; Quello runs without it"));
        // An address libdbus refuses at once; unset, it would start a bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }

    QApplication::setApplicationName(QStringLiteral("Quello"));
    QApplication::setOrganizationName(QStringLiteral("Quello"));
    QApplication::setDesktopFileName(QStringLiteral("quello"));
    // In a Wayland session, Wayland itself where Qt's plugin is installed:
    // through Xwayland the panel cannot be placed and hardly gets the keyboard.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(appIcon());
    installTranslations();

    raiseOpenFileLimit();

    QuelloApp app;
    instance.listen();
    connect(&instance, &SingleInstance::showRequested, &app, &QuelloApp::showPanel);
    // Whether a tray shows the icon is known only once the watcher answers;
    // no tray host can come on a silent bus, so then the window comes at once.
    app.showWindowUnlessTray(busSilent ? 0 : trayGraceMs);
    return QApplication::exec();
}

} // namespace Quello
