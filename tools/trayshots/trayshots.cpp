// Writes the tray icon's installed drawings and renders the pictures trays
// receive, for the docs:
//
//   trayshots [docs directory] [icons directory]
//
// The drawings (quello-symbolic.svg, quello-pending-symbolic.svg) are made
// from the same discs the icon engine paints, so the named icon and the
// pictures cannot drift apart. Each picture is a strip of bar with the idle
// and the pending icon on it, at the size a tray asks for (22 pixels, and 44
// for a doubled scale), as Quello sends it on that desktop.

#include "menubar/menubaricon.h"
#include "menubar/trayforeground.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>

#include <cstdio>

using namespace Quello;

namespace {

struct Bar {
    const char* name;
    const char* desktop; // XDG_CURRENT_DESKTOP
    QColor schemeText;   // the colour scheme's text colour
    QColor background;   // the bar's own colour
};

QString number(qreal value) {
    return QString::number(value, 'f', 3).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

// Every disc as one closed path of two arcs: symbolic loaders fill paths.
QString discPath(bool pending) {
    QString path;
    for (const MenuBarIcon::Disc& disc : MenuBarIcon::discs(pending)) {
        const qreal r = disc.radius;
        path += QStringLiteral("M%1 %2a%3 %3 0 1 0 %4 0a%3 %3 0 1 0 -%4 0z")
                    .arg(number(disc.centre.x() - r), number(disc.centre.y()), number(r),
                         number(2 * r));
    }
    return path;
}

// The light discs sit on a dark rim, so that drawn as they are they read on a
// black, a white and a blue bar. Tinting loaders force their colour onto every
// fill but leave strokes alone: the rim is a stroke, shown through three
// nested masks whose white rectangles they tint too. Tinted dark, for a light
// bar, the masks (the cube of the tint's lightness) hide the rim; tinted
// light, for a dark bar, the dark rim stays, unseen on the dark bar. Plasma
// swaps both colours for its scheme's text and background.
QString drawing(bool pending) {
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"18\" height=\"18\" "
               "viewBox=\"0 0 18 18\">\n"
               "  <style id=\"current-color-scheme\">.ColorScheme-Text { color: #ffffff; } "
               ".ColorScheme-Background { color: #000000; }</style>\n"
               "  <defs><mask id=\"rim\" maskUnits=\"userSpaceOnUse\" x=\"0\" y=\"0\" "
               "width=\"18\" height=\"18\"><rect width=\"18\" height=\"18\" "
               "fill=\"#fff\"/></mask></defs>\n"
               "  <g mask=\"url(#rim)\"><g mask=\"url(#rim)\"><g mask=\"url(#rim)\">\n"
               "  <path class=\"ColorScheme-Background\" fill=\"currentColor\" "
               "stroke=\"currentColor\" stroke-width=\"%1\"\n        d=\"%2\"/>\n"
               "  </g></g></g>\n"
               "  <path class=\"ColorScheme-Text\" fill=\"currentColor\"\n        d=\"%2\"/>\n"
               "</svg>\n")
        .arg(number(2 * MenuBarIcon::edgeWidth), discPath(pending));
}

bool write(const QString& file, const QByteArray& data) {
    QFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(data) == data.size())
        return true;
    std::fprintf(stderr, "trayshots: cannot write %s\n", qPrintable(file));
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QStringLiteral(TRAYSHOTS_DEFAULT_OUTPUT));
    const QDir icons(argc > 2 ? QString::fromLocal8Bit(argv[2])
                              : QStringLiteral(TRAYSHOTS_DEFAULT_ICONS));
    for (const bool pending : {false, true}) {
        const QString name =
            QLatin1String(pending ? MenuBarIcon::pendingName : MenuBarIcon::normalName)
            + QStringLiteral(".svg");
        if (!write(icons.filePath(name), drawing(pending).toUtf8()))
            return 1;
    }

    const Bar bars[]{
        {"black-bar", "ubuntu:GNOME", QColor(35, 38, 41), Qt::black},
        {"breeze-dark", "KDE", QColor(252, 252, 252), QColor(49, 54, 59)},
        {"light-bar", "KDE", QColor(35, 38, 41), QColor(239, 240, 241)},
        {"waybar", "sway", QColor(35, 38, 41), QColor(0x29, 0x80, 0xb9)},
    };
    for (const Bar& bar : bars) {
        const auto desktop = QString::fromLatin1(bar.desktop);
        const QColor color = TrayForeground::forDesktop(desktop, bar.schemeText);
        const QColor edge = TrayForeground::edgeFor(desktop);
        for (const int side : {22, 44}) {
            // Room around each icon as a bar gives it.
            const int cell = side * 3 / 2;
            QImage strip(cell * 2, cell, QImage::Format_RGB32);
            strip.fill(bar.background);
            QPainter painter(&strip);
            for (const bool pending : {false, true})
                painter.drawPixmap(
                    (pending ? cell : 0) + (cell - side) / 2, (cell - side) / 2,
                    MenuBarIcon::icon(pending, color, {}, edge).pixmap(QSize(side, side)));
            painter.end();
            const QString file = out.filePath(
                QStringLiteral("tray-%1-%2.png").arg(QLatin1String(bar.name)).arg(side));
            if (!strip.save(file)) {
                std::fprintf(stderr, "trayshots: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
