#pragma once

#include <QColor>
#include <QStringView>

#include <optional>

namespace Quello {

// The colours the tray icon is drawn in. Pictures sent to a tray are shown as
// drawn, without tinting, so they have to be readable on the bar they land on.
namespace TrayForeground {

// The least contrast against the bar that counts as readable.
inline constexpr qreal readableContrast = 4.5;

// The bar's colour on desktops whose top bar is dark whatever the colour
// scheme (GNOME, Ubuntu, Unity, Pantheon, Budgie), from XDG_CURRENT_DESKTOP
// ("ubuntu:GNOME"); nothing where the bar follows the scheme or is unknown.
std::optional<QColor> knownBar(QStringView currentDesktop);

// Whether the desktop's tray is known to tint icons it looks up by name
// (GNOME's and Xfce's GTK loaders, Plasma's colour scheme) on a bar whose
// colour follows the scheme or is known. Elsewhere (LXQt, waybar, anything
// unknown) the bar's colour is anyone's guess.
bool tints(QStringView currentDesktop);

// The scheme's text colour, unless the desktop's bar is known and that
// colour is not readable on it: then white. Where the tray does not tint,
// a light colour on the dark rim of edgeFor().
QColor forDesktop(QStringView currentDesktop, const QColor& schemeText);

// The rim drawn around every shape: none where the tray tints, dark where it
// does not, so the light icon on its dark rim reads on a black, a white and
// a coloured bar alike.
QColor edgeFor(QStringView currentDesktop);

} // namespace TrayForeground

} // namespace Quello
