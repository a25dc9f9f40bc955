#pragma once

#include <QScrollBar>
#include <QTimer>

namespace Quello {

// A slim scroll bar that floats over the right edge of a scroll area's
// viewport instead of taking width from it, so the rows keep their width
// whether the list overflows or not. It mirrors the area's own (hidden)
// vertical bar, appears while the list scrolls or the pointer is over it,
// and fades out again shortly after.
class OverlayScrollBar : public QScrollBar {
    Q_OBJECT

public:
    static constexpr int barWidth = 8;
    static constexpr int thumbWidth = 4;
    static constexpr int hoverThumbWidth = 6;

    // Follows `source`, the scroll area's own vertical bar, and is placed by
    // the area over its viewport.
    OverlayScrollBar(QScrollBar* source, QWidget* parent);

    // Shows the bar for a moment, as after a scroll.
    void flash();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void followRange(int minimum, int maximum);

    QScrollBar* m_source;
    QTimer m_hideTimer;
    bool m_hovered = false;
};

} // namespace Quello
