#include "menubar/trayforeground.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace Quello::TrayForeground {

namespace {

qreal luminance(const QColor& color) {
    const auto linear = [](qreal channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF())
           + 0.0722 * linear(rgb.blueF());
}

} // namespace

std::optional<QColor> knownBar(QStringView currentDesktop) {
    bool dark = false;
    for (const QStringView name : currentDesktop.split(u':')) {
        // GNOME's classic mode has a light bar.
        if (name.compare(u"GNOME-Classic", Qt::CaseInsensitive) == 0)
            return std::nullopt;
        for (const char16_t* darkBar : {u"GNOME", u"ubuntu", u"Unity", u"Pantheon", u"Budgie"})
            dark = dark || name.compare(QStringView(darkBar), Qt::CaseInsensitive) == 0;
    }
    if (!dark)
        return std::nullopt;
    return QColor(Qt::black);
}

qreal contrast(const QColor& a, const QColor& b) {
    const qreal la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor forDesktop(QStringView currentDesktop, const QColor& schemeText) {
    const std::optional<QColor> bar = knownBar(currentDesktop);
    if (bar && contrast(schemeText, *bar) < readableContrast)
        return Qt::white;
    return schemeText;
}

} // namespace Quello::TrayForeground
