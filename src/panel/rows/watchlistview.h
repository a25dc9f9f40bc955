#pragma once

#include <QList>
#include <QPointer>
#include <QScrollArea>
#include <QTimer>
#include <QUuid>

namespace Quello {

class DigStore;
class EmptyStateView;
class ListEdgeFade;
class OverlayScrollBar;
class WatchRow;
struct Watch;

// The middle of the panel: one row per watch in the store's order, or the
// empty state. It is as tall as its content, from 1 up to 380, and scrolls
// beyond. Only the rows in view (and a screen's worth around them) exist as
// widgets; every other watch costs its entry here, so a long list takes no
// more memory than a short one. A change to one watch reaches that watch's
// row and no other. Its scroll bar floats over the rows' right edge and takes
// no width, and a soft fade marks an edge where the list is cut.
class WatchListView : public QScrollArea {
    Q_OBJECT
    Q_PROPERTY(double listContentHeight READ listContentHeight NOTIFY listContentHeightChanged)

public:
    static constexpr int maximumListHeight = 380;
    static constexpr int contentPadding = 8;
    static constexpr int rowSpacing = 2;

    explicit WatchListView(DigStore& store, QWidget* parent = nullptr);
    ~WatchListView() override;

    // The last measured height of the content with its padding; 0 until the
    // first measurement.
    double listContentHeight() const { return m_contentHeight; }
    // The height the list takes for a measured content height.
    static int areaHeight(double contentHeight);

    // The rows built for the store's watches, in list order.
    QList<WatchRow*> rows() const;
    // The row of a watch, when it is built (it is while in view).
    WatchRow* row(const QUuid& id) const;
    EmptyStateView* emptyState() const { return m_emptyState; }

    // The row Tab leads to: the last one that had the keyboard, or the first.
    WatchRow* currentRow() const { return row(m_current); }
    // Moves the keyboard from `from` to the row `step` places further,
    // scrolling it into view; false at either end.
    bool moveFocus(const WatchRow* from, int step);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void listContentHeightChanged(double height);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void enterEvent(QEnterEvent* event) override;

private:
    struct Entry {
        QUuid id;
        bool expanded = false;
        bool leaving = false; // removed from the store, shrinking away
        int restingWidth = -1;
        int restingHeight = 0;
        int top = 0;
        QPointer<WatchRow> row;
    };

    int indexOf(const QUuid& id) const;
    int rowWidth() const;
    int entryHeight(Entry& entry, int width);
    WatchRow* build(Entry& entry);
    bool keepsItsRow(const Entry& entry) const;
    void watchAdded(const QUuid& id);
    void watchRemoved(const QUuid& id);
    void refreshRow(const QUuid& id);
    void relayout();
    void scheduleRelayout();
    void placeOverlays();

    DigStore& m_store;
    QWidget* m_content;
    EmptyStateView* m_emptyState;
    OverlayScrollBar* m_scrollBar;
    ListEdgeFade* m_topFade;
    ListEdgeFade* m_bottomFade;
    QList<Entry> m_entries;
    QUuid m_current; // the row the keyboard reaches with Tab
    double m_contentHeight = 0;
    bool m_relayoutPending = false;
    bool m_inRelayout = false;
    // Moves the caches' countdowns on, once a second while the list shows.
    QTimer m_countdown;
};

} // namespace Quello
