#pragma once

#include <QHash>
#include <QList>
#include <QScrollArea>
#include <QUuid>

class QVBoxLayout;

namespace Quello {

class DigStore;
class EmptyStateView;
class WatchRow;
struct Watch;

// The middle of the panel: one row per watch in the store's order, or the
// empty state. It is as tall as its content, from 1 up to 380, and scrolls
// beyond. Rows come and go with the store's watches only; a change to one
// watch reaches that watch's row and no other.
class WatchListView : public QScrollArea {
    Q_OBJECT
    Q_PROPERTY(double listContentHeight READ listContentHeight NOTIFY listContentHeightChanged)

public:
    static constexpr int maximumListHeight = 380;
    static constexpr int contentPadding = 8;
    static constexpr int rowSpacing = 2;

    explicit WatchListView(DigStore& store, QWidget* parent = nullptr);

    // The last measured height of the content with its padding; 0 until the
    // first measurement.
    double listContentHeight() const { return m_contentHeight; }
    // The height the list takes for a measured content height.
    static int areaHeight(double contentHeight);

    // The rows of the store's watches, in list order.
    QList<WatchRow*> rows() const;
    WatchRow* row(const QUuid& id) const { return m_rows.value(id); }
    EmptyStateView* emptyState() const { return m_emptyState; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void listContentHeightChanged(double height);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Every row in the layout, those shrinking away included.
    QList<WatchRow*> layoutRows() const;
    void addRow(const Watch& watch);
    void watchAdded(const QUuid& id);
    void watchRemoved(const QUuid& id);
    void refreshRow(const QUuid& id);
    void updateEmptyState();
    void measure();

    DigStore& m_store;
    QWidget* m_content;
    QVBoxLayout* m_layout;
    EmptyStateView* m_emptyState;
    QHash<QUuid, WatchRow*> m_rows;
    double m_contentHeight = 0;
};

} // namespace Quello
