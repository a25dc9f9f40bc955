#include "menubar/trayforeground.h"

#include "panel/style/contrast.h"

#include <QString>

namespace Quello::TrayForeground {

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

QColor forDesktop(QStringView currentDesktop, const QColor& schemeText) {
    const std::optional<QColor> bar = knownBar(currentDesktop);
    if (bar && Contrast::ratio(schemeText, *bar) < readableContrast)
        return Qt::white;
    return schemeText;
}

} // namespace Quello::TrayForeground
