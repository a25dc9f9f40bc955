#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace Quello {

// The tray icon: a centre dot inside two dotted rings, with a small extra dot
// in the top right corner while a watch is pending. Drawn in code on an
// 18 x 18 canvas, scaled to whatever square the tray asks for.
namespace MenuBarIcon {

inline constexpr int size = 18;

// The names under which the same drawings are installed in the hicolor icon
// theme, for trays that look icons up by name and tint them themselves.
inline constexpr auto normalName = "quello-symbolic";
inline constexpr auto pendingName = "quello-pending-symbolic";

// One rendering into a square of `pixels` device pixels, marked with
// `devicePixelRatio`, in one colour on a transparent ground. Pure: the same
// arguments give the same pixels.
QImage render(bool pending, const QColor& color, int pixels, qreal devicePixelRatio = 1.0);

// The 18 x 18 rendering at the given device pixel ratio.
QImage image(bool pending, const QColor& color, qreal devicePixelRatio);

// An icon that draws afresh at every size asked of it; `themeName`, when
// given, is the icon-theme name it reports.
QIcon icon(bool pending, const QColor& color, const QString& themeName = {});

} // namespace MenuBarIcon

} // namespace Quello
