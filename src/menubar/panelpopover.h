#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>

namespace Quello {

class DigStore;
class PanelView;

// The window that holds the panel: a borderless popup against the tray icon
// that closes on a click elsewhere or Escape, or, where there is no tray or no
// way to place a popup, a small window titled "Quello" that Escape or closing
// only hides. Its size is fixed either way, so tiling window managers float it.
class PanelPopover : public QWidget {
    Q_OBJECT

public:
    explicit PanelPopover(DigStore& store, QWidget* parent = nullptr);

    PanelView* panel() const { return m_panel; }
    bool isAnchored() const { return m_anchored; }

    // Opens as a popup next to `anchor` (the tray icon); an empty anchor means
    // the tray did not say where it is, and the mouse pointer stands in.
    void showAnchored(const QRect& anchor);
    // Opens or closes the popup, for a click on the tray icon.
    void toggleAnchored(const QRect& anchor);
    // Opens as an ordinary window.
    void showStandalone();

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setMode(bool anchored);
    void fitToContent();
    QRect placedGeometry(const QSize& size) const;

    PanelView* m_panel;
    bool m_anchored = false;
    QRect m_anchor;
    QElapsedTimer m_hiddenAt;
};

} // namespace Quello
