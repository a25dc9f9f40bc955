// Renders the tray icon as trays receive it, on the bars it lands on, for the
// docs:
//
//   trayshots [output directory]
//
// Each picture is a strip of bar with the idle and the pending icon on it, at
// the size a tray asks for (22 pixels, and 44 for a doubled scale), in the
// colour Quello picks on that desktop.

#include "menubar/menubaricon.h"
#include "menubar/trayforeground.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

using namespace Quello;

namespace {

struct Bar {
    const char* name;
    const char* desktop; // XDG_CURRENT_DESKTOP
    QColor schemeText;   // the colour scheme's text colour
    QColor background;   // the bar's own colour
};

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QStringLiteral(TRAYSHOTS_DEFAULT_OUTPUT));
    const Bar bars[]{
        {"black-bar", "ubuntu:GNOME", QColor(35, 38, 41), Qt::black},
        {"breeze-dark", "KDE", QColor(252, 252, 252), QColor(49, 54, 59)},
        {"light-bar", "KDE", QColor(35, 38, 41), QColor(239, 240, 241)},
    };
    for (const Bar& bar : bars) {
        const QColor color =
            TrayForeground::forDesktop(QString::fromLatin1(bar.desktop), bar.schemeText);
        for (const int side : {22, 44}) {
            // Room around each icon as a bar gives it.
            const int cell = side * 3 / 2;
            QImage strip(cell * 2, cell, QImage::Format_RGB32);
            strip.fill(bar.background);
            QPainter painter(&strip);
            for (const bool pending : {false, true})
                painter.drawPixmap((pending ? cell : 0) + (cell - side) / 2, (cell - side) / 2,
                                   MenuBarIcon::icon(pending, color).pixmap(QSize(side, side)));
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
