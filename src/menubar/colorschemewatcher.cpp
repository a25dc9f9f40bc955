#include "menubar/colorschemewatcher.h"

#include "panel/motion/desktopmotionpreference.h"
#include "panel/style/desktopportal.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QSettings>
#include <QStyle>

namespace Quello {

namespace {

using DesktopPortal::appearance;
const QString colorScheme = QStringLiteral("color-scheme");

// An editor writes a new file and renames it over the old one, sometimes in
// several steps: read once things have been quiet for this long.
constexpr int settleMs = 150;

bool onKde() {
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(u"KDE", Qt::CaseInsensitive);
}

// "r,g,b" as kdeglobals writes it; QSettings may already have split it.
std::optional<QColor> kdeColor(const QSettings& file, const QString& key) {
    const QVariant value = file.value(key);
    const QStringList parts = value.typeId() == QMetaType::QStringList
                                  ? value.toStringList()
                                  : value.toString().split(u',');
    if (parts.size() < 3)
        return std::nullopt;
    return QColor(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(),
                  parts[2].trimmed().toInt());
}

void apply(const std::optional<QPalette>& palette) {
    if (palette && *palette != QApplication::palette())
        QApplication::setPalette(*palette);
}

// The palette a kdeglobals file describes, over `base`.
QPalette fromKdeGlobals(const QString& file, QPalette base) {
    const QSettings globals(file, QSettings::IniFormat);
    const auto set = [&](QPalette::ColorRole role, const char* group, const char* key) {
        if (const auto color = kdeColor(
                globals,
                QStringLiteral("Colors:%1/%2").arg(QLatin1String(group), QLatin1String(key))))
            base.setColor(role, *color);
    };
    set(QPalette::Window, "Window", "BackgroundNormal");
    set(QPalette::WindowText, "Window", "ForegroundNormal");
    set(QPalette::Base, "View", "BackgroundNormal");
    set(QPalette::AlternateBase, "View", "BackgroundAlternate");
    set(QPalette::Text, "View", "ForegroundNormal");
    set(QPalette::PlaceholderText, "View", "ForegroundInactive");
    set(QPalette::Button, "Button", "BackgroundNormal");
    set(QPalette::ButtonText, "Button", "ForegroundNormal");
    set(QPalette::Highlight, "Selection", "BackgroundNormal");
    set(QPalette::HighlightedText, "Selection", "ForegroundNormal");
    set(QPalette::ToolTipBase, "Tooltip", "BackgroundNormal");
    set(QPalette::ToolTipText, "Tooltip", "ForegroundNormal");
    return base;
}

// The palette for the portal's preference: 1 dark, 2 light, else none.
std::optional<QPalette> forPreference(uint preference) {
    if (preference == 2)
        return QApplication::style()->standardPalette();
    if (preference != 1)
        return std::nullopt;
    // Breeze Dark's colours, a dark scheme most users have met.
    const QColor text(252, 252, 252), window(32, 35, 38), view(20, 22, 24), button(41, 44, 48);
    QPalette dark(button, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Base, view);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::PlaceholderText, QColor(161, 169, 177));
    dark.setColor(QPalette::Highlight, QColor(61, 174, 233));
    dark.setColor(QPalette::HighlightedText, text);
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Link, QColor(29, 153, 243));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(110, 113, 116));
    return dark;
}

} // namespace

ColorSchemeWatcher::ColorSchemeWatcher(QObject* parent)
    : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &ColorSchemeWatcher::readKdeGlobals);

    if (onKde()) {
        m_kdeGlobals = DesktopMotionPreference::kdeGlobalsPath();
        m_kdeGlobalsWritten = QFileInfo(m_kdeGlobals).lastModified();
        connect(&m_files, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
        connect(&m_files, &QFileSystemWatcher::directoryChanged, &m_settle,
                qOverload<>(&QTimer::start));
        watchKdeGlobals();
        return;
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // From any sender: naming the portal would make Qt look up its owner
    // with a call that waits for the answer.
    bus.connect(QString(), DesktopPortal::path, DesktopPortal::settingsInterface,
                QStringLiteral("SettingChanged"), this, SLOT(settingChanged(QDBusMessage)));
    DesktopPortal::read(bus, appearance, colorScheme, this,
                        [](const QVariant& value) { apply(forPreference(value.toUInt())); });
}

void ColorSchemeWatcher::settingChanged(const QDBusMessage& message) {
    const QVariantList arguments = message.arguments();
    if (arguments.size() == 3 && arguments[0].toString() == appearance
        && arguments[1].toString() == colorScheme)
        apply(forPreference(DesktopPortal::unwrapped(arguments[2]).toUInt()));
}

void ColorSchemeWatcher::watchKdeGlobals() {
    // The file itself, and its folder for when it is replaced or first made.
    const QString folder = QFileInfo(m_kdeGlobals).absolutePath();
    if (!m_files.directories().contains(folder))
        m_files.addPath(folder);
    if (QFileInfo::exists(m_kdeGlobals) && !m_files.files().contains(m_kdeGlobals))
        m_files.addPath(m_kdeGlobals);
}

void ColorSchemeWatcher::readKdeGlobals() {
    watchKdeGlobals();
    const QDateTime written = QFileInfo(m_kdeGlobals).lastModified();
    if (written == m_kdeGlobalsWritten)
        return;
    m_kdeGlobalsWritten = written;
    apply(fromKdeGlobals(m_kdeGlobals, QApplication::palette()));
}

} // namespace Quello
