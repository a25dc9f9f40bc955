#include "panel/rows/overlayscrollbar.h"

#include "panel/style/textstyles.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace Quello {

namespace {

// How long the bar stays after the last scroll.
constexpr int lingerMs = 900;

} // namespace

OverlayScrollBar::OverlayScrollBar(QScrollBar* source, QWidget* parent)
    : QScrollBar(Qt::Vertical, parent)
    , m_source(source) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    hide();

    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(lingerMs);
    connect(&m_hideTimer, &QTimer::timeout, this, [this] {
        if (!m_hovered && !isSliderDown())
            hide();
    });

    followRange(source->minimum(), source->maximum());
    setValue(source->value());
    connect(source, &QScrollBar::rangeChanged, this, &OverlayScrollBar::followRange);
    connect(source, &QScrollBar::valueChanged, this, [this](int value) {
        setValue(value);
        flash();
    });
    connect(this, &QScrollBar::valueChanged, source, &QScrollBar::setValue);
    connect(this, &QScrollBar::sliderReleased, &m_hideTimer, qOverload<>(&QTimer::start));
}

void OverlayScrollBar::followRange(int minimum, int maximum) {
    setRange(minimum, maximum);
    setPageStep(m_source->pageStep());
    setSingleStep(m_source->singleStep());
    if (maximum <= minimum)
        hide();
}

void OverlayScrollBar::flash() {
    if (maximum() <= minimum())
        return;
    show();
    raise();
    m_hideTimer.start();
}

void OverlayScrollBar::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    m_hideTimer.stop();
    update();
    QScrollBar::enterEvent(event);
}

void OverlayScrollBar::leaveEvent(QEvent* event) {
    m_hovered = false;
    m_hideTimer.start();
    update();
    QScrollBar::leaveEvent(event);
}

void OverlayScrollBar::paintEvent(QPaintEvent*) {
    if (maximum() <= minimum())
        return;
    // The groove is the whole bar; the thumb is as long as the visible share.
    const int span = maximum() - minimum() + pageStep();
    const int length = std::max(24, height() * pageStep() / std::max(1, span));
    const int travel = height() - length;
    const int top = travel * (value() - minimum()) / std::max(1, maximum() - minimum());

    const int width = m_hovered || isSliderDown() ? hoverThumbWidth : thumbWidth;
    const QRectF thumb(this->width() - width - 1, top + 1, width, length - 2);
    QColor colour = palette().color(QPalette::WindowText);
    colour.setAlphaF(m_hovered || isSliderDown() ? 0.55f : 0.38f);
    colour = TextStyles::mark(colour, palette());

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(thumb, width / 2.0, width / 2.0);
}

} // namespace Quello
