#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPointF>

namespace Quello {

// The tray icon: a centre dot inside two rings of dots, with a small extra dot
// in the top right corner while a watch is pending. Drawn in code on an
// 18 x 18 canvas, scaled to whatever square the tray asks for.
//
// Every shape is a filled disc. Trays that tint icons (GTK's and GNOME Shell's
// symbolic loaders) force a fill on every shape of the installed drawing, so
// a stroked dotted ring would come out as a solid disc; and discs of two
// units across stay separate, solid dots down to 16 pixels, where dashes a
// tenth of a unit long blur into a grey haze.
namespace MenuBarIcon {

inline constexpr int size = 18;

// Width of the contrasting edge around each disc, in units of the canvas.
inline constexpr qreal edgeWidth = 1.0;

// The names under which the same drawings are installed in the hicolor icon
// theme, for trays that look icons up by name and tint them themselves.
inline constexpr auto normalName = "quello-symbolic";
inline constexpr auto pendingName = "quello-pending-symbolic";

// One filled disc of the motif, in canvas units with the origin at the top
// left and y growing downward (as in the installed drawing).
struct Disc {
    QPointF centre;
    qreal radius = 0;

    bool operator==(const Disc&) const = default;
};

// The motif's discs, the pending marker last.
QList<Disc> discs(bool pending);

// One rendering into a square of `pixels` device pixels, marked with
// `devicePixelRatio`, in one colour on a transparent ground; with an `edge`
// colour, every disc first gets a rim of that colour, so the icon reads on a
// bar of any colour. Pure: the same arguments give the same pixels.
QImage render(bool pending, const QColor& color, int pixels, qreal devicePixelRatio = 1.0,
              const QColor& edge = Qt::transparent);

// The 18 x 18 rendering at the given device pixel ratio.
QImage image(bool pending, const QColor& color, qreal devicePixelRatio);

// An icon that draws afresh at every size asked of it; `themeName`, when
// given, is the icon-theme name it reports.
QIcon icon(bool pending, const QColor& color, const QString& themeName = {},
           const QColor& edge = Qt::transparent);

} // namespace MenuBarIcon

} // namespace Quello
