#include "menubar/trayforeground.h"

#include "panel/style/contrast.h"

#include <QString>

namespace Quello::TrayForeground {

namespace {

bool among(QStringView currentDesktop, std::initializer_list<const char16_t*> names) {
    for (const QStringView name : currentDesktop.split(u':'))
        for (const char16_t* known : names)
            if (name.compare(QStringView(known), Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

} // namespace

std::optional<QColor> knownBar(QStringView currentDesktop) {
    // GNOME's classic mode has a light bar.
    if (among(currentDesktop, {u"GNOME-Classic"}))
        return std::nullopt;
    if (!among(currentDesktop, {u"GNOME", u"ubuntu", u"Unity", u"Pantheon", u"Budgie"}))
        return std::nullopt;
    return QColor(Qt::black);
}

bool tints(QStringView currentDesktop) {
    return among(currentDesktop, {u"GNOME", u"GNOME-Classic", u"ubuntu", u"Unity", u"Pantheon",
                                  u"Budgie", u"KDE", u"XFCE"});
}

QColor forDesktop(QStringView currentDesktop, const QColor& schemeText) {
    if (!tints(currentDesktop))
        return Qt::white;
    const std::optional<QColor> bar = knownBar(currentDesktop);
    if (bar && Contrast::ratio(schemeText, *bar) < readableContrast)
        return Qt::white;
    return schemeText;
}

QColor edgeFor(QStringView currentDesktop) {
    return tints(currentDesktop) ? QColor(Qt::transparent) : QColor(Qt::black);
}

} // namespace Quello::TrayForeground
