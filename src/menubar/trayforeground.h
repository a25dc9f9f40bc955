#pragma once

#include <QColor>
#include <QStringView>

#include <optional>

namespace Quello {

// The colour the tray icon is drawn in. Linux trays show pictures as they are
// drawn, without tinting them, so the picture has to be readable on the bar
// it lands on.
namespace TrayForeground {

// The least contrast against the bar that counts as readable.
inline constexpr qreal readableContrast = 4.5;

// The bar's colour on desktops whose top bar is dark whatever the colour
// scheme (GNOME, Ubuntu, Unity, Pantheon, Budgie), from XDG_CURRENT_DESKTOP
// ("ubuntu:GNOME"); nothing where the bar follows the scheme or is unknown.
std::optional<QColor> knownBar(QStringView currentDesktop);

// The scheme's text colour, unless the desktop's bar is known and that
// colour is not readable on it: then white.
QColor forDesktop(QStringView currentDesktop, const QColor& schemeText);

} // namespace TrayForeground

} // namespace Quello
