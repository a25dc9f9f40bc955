#include "panel/style/glassbackground.h"

#include "panel/style/contrast.h"

#include <QGuiApplication>
#include <QLibrary>
#include <QPainter>
#include <QPainterPath>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace Quello {

namespace {

#if QT_CONFIG(xcb)
// The screen number in DISPLAY (":0.1" is screen 1); 0 when absent.
int defaultScreenNumber() {
    const QString display = qEnvironmentVariable("DISPLAY");
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    const qsizetype dot = display.indexOf(QLatin1Char('.'), colon + 1);
    if (colon < 0 || dot < 0)
        return 0;
    bool ok = false;
    const int screen = display.mid(dot + 1).toInt(&ok);
    return ok ? screen : 0;
}

// A compositing manager on X11 owns the selection _NET_WM_CM_S<screen>.
// libxcb is already loaded by Qt's xcb platform plugin; it is looked up at
// run time so that the application does not link it for this one question.
bool x11CompositorRuns() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return false;

    QLibrary xcb(QStringLiteral("xcb"), 1);
    const auto internAtom =
        reinterpret_cast<decltype(&xcb_intern_atom)>(xcb.resolve("xcb_intern_atom"));
    const auto internAtomReply =
        reinterpret_cast<decltype(&xcb_intern_atom_reply)>(xcb.resolve("xcb_intern_atom_reply"));
    const auto selectionOwner = reinterpret_cast<decltype(&xcb_get_selection_owner)>(
        xcb.resolve("xcb_get_selection_owner"));
    const auto selectionOwnerReply = reinterpret_cast<decltype(&xcb_get_selection_owner_reply)>(
        xcb.resolve("xcb_get_selection_owner_reply"));
    if (!internAtom || !internAtomReply || !selectionOwner || !selectionOwnerReply)
        return false;

    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(defaultScreenNumber());
    xcb_intern_atom_reply_t* atom = internAtomReply(
        connection, internAtom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
        nullptr);
    if (atom == nullptr)
        return false;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);

    xcb_get_selection_owner_reply_t* owner =
        selectionOwnerReply(connection, selectionOwner(connection, selection), nullptr);
    if (owner == nullptr)
        return false;
    const bool owned = owner->owner != XCB_NONE;
    std::free(owner);
    return owned;
}
#endif

} // namespace

GlassBackground::GlassBackground(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool GlassBackground::compositingActive() {
    const QString platform = QGuiApplication::platformName();
    // Every Wayland compositor blends its windows.
    if (platform.startsWith(QLatin1String("wayland")))
        return true;
#if QT_CONFIG(xcb)
    if (platform == QLatin1String("xcb"))
        return x11CompositorRuns();
#endif
    return false;
}

void GlassBackground::prepareWindow(QWidget* window, bool translucent) {
    window->setAttribute(Qt::WA_TranslucentBackground, translucent);
    if (!translucent) {
        // Setting the attribute once leaves the window without a system
        // background; an opaque window wants it back.
        window->setAttribute(Qt::WA_NoSystemBackground, false);
    }
}

void GlassBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor sheet = palette().color(QPalette::Window);
    if (!window()->testAttribute(Qt::WA_TranslucentBackground)) {
        // Square and opaque, with a 1 px edge that sets it off from the
        // window behind it as a compositor's shadow would.
        sheet.setAlpha(255);
        painter.fillRect(rect(), sheet);
        QColor edge = palette().color(QPalette::WindowText);
        edge.setAlphaF(0.3f);
        painter.setPen(QPen(Contrast::legible(Contrast::over(edge, sheet), sheet, 3.0), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    sheet.setAlphaF(static_cast<float>(sheetOpacity));
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.18f);
    painter.setPen(QPen(edge, 1.0));
    painter.setBrush(sheet);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                            cornerRadius);
}

} // namespace Quello
