#pragma once

#include <QWidget>

namespace Quello {

// The panel's ground. Where a compositing manager blends windows, the panel's
// window is made see-through and this paints a rounded, slightly translucent
// sheet in the desktop's window colour; without one, see-through pixels would
// show as black, so the window stays opaque with square corners and this
// fills it edge to edge inside a 1 px border.
class GlassBackground : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal cornerRadius = 10.0;
    static constexpr qreal sheetOpacity = 0.92;

    explicit GlassBackground(QWidget* parent = nullptr);

    // Whether the windowing system composites, so that a see-through window
    // blends with what lies behind it.
    static bool compositingActive();

    // Makes a hidden top-level `window` see-through when `translucent`,
    // opaque otherwise. Takes effect when the window is next shown.
    static void prepareWindow(QWidget* window, bool translucent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace Quello
