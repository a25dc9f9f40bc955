#include "menubar/panelpopover.h"

#include "menubar/popoverplacement.h"
#include "panel/panelview.h"
#include "panel/style/glassbackground.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace Quello {

namespace {

// A click on the tray icon while the popup is open first closes the popup
// (it is a click outside it) and then reaches the icon; within this time the
// icon's click counts as the closing click and does not reopen the panel.
constexpr qint64 reopenGuardMs = 350;

constexpr Qt::WindowFlags popupFlags = Qt::Popup | Qt::FramelessWindowHint;
constexpr Qt::WindowFlags standaloneFlags = Qt::Window;

} // namespace

PanelPopover::PanelPopover(DigStore& store, QWidget* parent)
    : QWidget(parent, standaloneFlags)
    , m_panel(new PanelView(store, this)) {
    setWindowTitle(tr("Quello"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window is sized by fitToContent(), which also keeps the edge next
    // to the tray icon in place.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(m_panel);
}

void PanelPopover::setMode(bool anchored) {
    const bool translucent = anchored && GlassBackground::compositingActive();
    const Qt::WindowFlags flags = anchored ? popupFlags : standaloneFlags;
    if (windowFlags() != flags)
        setWindowFlags(flags);
    if (testAttribute(Qt::WA_TranslucentBackground) != translucent) {
        // The window's visual is chosen when it is created.
        if (testAttribute(Qt::WA_WState_Created))
            destroy();
        GlassBackground::prepareWindow(this, translucent);
    }
    m_anchored = anchored;
}

void PanelPopover::showAnchored(const QRect& anchor) {
    if (isVisible() && !m_anchored)
        hide();
    setMode(true);
    m_anchor = anchor.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
    const QSize size = sizeHint();
    setGeometry(placedGeometry(size));
    show();
    raise();
    activateWindow();
    if (focusWidget() == nullptr)
        m_panel->takeInitialFocus();
}

void PanelPopover::toggleAnchored(const QRect& anchor) {
    if (isVisible() && m_anchored) {
        hide();
        return;
    }
    if (m_hiddenAt.isValid() && m_hiddenAt.elapsed() < reopenGuardMs) {
        m_hiddenAt.invalidate();
        return;
    }
    showAnchored(anchor);
}

void PanelPopover::showStandalone() {
    if (isVisible() && m_anchored)
        hide();
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    setMode(false);
    // Centred on the screen: a desktop without a window manager would leave
    // it in the corner.
    QRect frame({}, sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame.moveCenter(screen->availableGeometry().center());
    setGeometry(frame);
    show();
    raise();
    activateWindow();
    if (focusWidget() == nullptr)
        m_panel->takeInitialFocus();
}

QRect PanelPopover::placedGeometry(const QSize& size) const {
    QScreen* screen = QGuiApplication::screenAt(m_anchor.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    if (available.isEmpty())
        return {m_anchor.bottomLeft(), size};
    return {PopoverPlacement::topLeft(m_anchor, size, available), size};
}

void PanelPopover::fitToContent() {
    const QSize wanted = sizeHint();
    if (wanted == size())
        return;
    if (m_anchored)
        setGeometry(placedGeometry(wanted));
    else
        resize(wanted);
}

bool PanelPopover::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // The list area grew or shrank: follow the column's height.
    if (event->type() == QEvent::LayoutRequest && isVisible())
        fitToContent();
    return handled;
}

void PanelPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_hiddenAt.start();
}

} // namespace Quello
