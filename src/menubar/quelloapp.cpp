#include "menubar/quelloapp.h"

#include "menubar/menubaritem.h"
#include "menubar/panelpopover.h"
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
        .wakeWatcher = &m_wakeWatcher})
    , m_item(new MenuBarItem(m_store, this))
    , m_popover(std::make_unique<PanelPopover>(m_store)) {
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
    connect(&m_notifier, &Notifier::activated, this, [this](const QUuid& watchId) {
        if (m_store.watch(watchId) != nullptr)
            showPanel();
    });
    connect(m_item, &MenuBarItem::clicked, this, &QuelloApp::togglePanel);
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
    // needs a parent window of ours, which a tray icon is not.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void QuelloApp::showPanel() {
    if (trayUsable() && popupsCanBePlaced())
        m_popover->showAnchored(m_item->iconGeometry());
    else
        m_popover->showStandalone();
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

    QApplication::setApplicationName(QStringLiteral("Quello"));
    QApplication::setOrganizationName(QStringLiteral("Quello"));
    QApplication::setDesktopFileName(QStringLiteral("quello"));
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(appIcon());
    installTranslations();

    raiseOpenFileLimit();

    QuelloApp app;
    instance.listen();
    connect(&instance, &SingleInstance::showRequested, &app, &QuelloApp::showPanel);
    // Without a tray there is no icon to click: the panel opens as a window,
    // unless a tray host turns up first, as it may at login.
    if (!app.trayUsable()) {
        QTimer::singleShot(trayGraceMs, &app, [&app] {
            if (!app.trayUsable())
                app.showPanel();
        });
    }
    return QApplication::exec();
}

} // namespace Quello
