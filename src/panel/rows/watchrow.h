#pragma once

#include "model/watch.h"
#include "panel/rows/dotpainter.h"

#include <QStringList>
#include <QWidget>

class QMenu;

namespace Quello {

class DigStore;
class PlainIconButton;

// One watch in the panel's list: status dot, domain and type, a summary of
// the answers, one dot per resolver, and the per-resolver details once
// clicked open. Painted in one piece. The list builds rows only for the
// watches in view and keeps each watch's `expanded` itself, so it outlives
// every re-check and scrolling.
class WatchRow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal detailsReveal READ detailsReveal WRITE setDetailsReveal)
    Q_PROPERTY(qreal presence READ presence WRITE setPresence)

public:
    WatchRow(DigStore& store, const Watch& watch, QWidget* parent = nullptr, bool expanded = false);

    // The record type badge's font, in proportion to the desktop's.
    static QFont badgeFont();

    // The height of a row of `width` at rest, without building it.
    static int restingHeight(const DigStore& store, const Watch& watch, int width, bool expanded);

    const Watch& watch() const { return m_watch; }
    const DigStore& store() const { return m_store; }
    bool isExpanded() const { return m_expanded; }
    bool isHovering() const { return m_hovering; }
    bool isSettled() const { return m_watch.settledAt.has_value(); }

    // The resolver line of the open details the arrow keys moved to, or -1
    // while the keyboard is on the row itself.
    int currentLine() const { return m_currentLine; }
    // Whether the keyboard came to the row from outside the list (Tab),
    // rather than by the arrows from another row.
    bool enteredByTab() const { return m_enteredByTab; }

    // Opens or closes the details, with the row's spring unless reduced
    // motion is asked for.
    void setExpanded(bool expanded);
    void toggleExpanded() { setExpanded(!m_expanded); }

    // Reads the store again; the list calls it when this watch's results,
    // checking state or fields change.
    void refresh();
    // Whether a lagging resolver's cache time shows, which changes each second.
    bool isCountingDown() const;
    // Redraws the countdowns: the list calls it once a second while shown.
    void tick();
    void remeasure();

    void checkNow();
    // Removes the watch from the store; the list then lets the row leave.
    void remove();
    // Takes the row out of its list: animated when its own remove action asked
    // for it and motion is allowed, at once otherwise. The row deletes itself.
    void leaveList();

    // Check Now, Copy Value (only while the resolvers have a value), Remove.
    QMenu* createContextMenu(QWidget* parent);

    QString secondLine() const { return secondLine(m_store, m_watch); }
    QString accessibilitySummary() const { return accessibilitySummary(m_store, m_watch); }
    StatusDotLook statusDotLook() const { return statusDotLook(m_store, m_watch); }

    static QString secondLine(const DigStore& store, const Watch& watch);
    // What the second line starts with while no value is agreed.
    static QString noValueWord(const DigStore& store, const Watch& watch);
    // The domain as the row shows it: an ACE name with its Unicode form beside.
    static QString domainTitle(const QString& domain);
    static QString accessibilitySummary(const DigStore& store, const Watch& watch);
    static StatusDotLook statusDotLook(const DigStore& store, const Watch& watch);

    // The resolver lines of the open details, in the row's coordinates.
    QList<QRect> detailLineRects() const;
    // Where the dot of the resolver at `index` is painted.
    QRectF resolverDotRect(int index) const;

    qreal detailsReveal() const { return m_detailsReveal; }
    void setDetailsReveal(qreal reveal);
    qreal presence() const { return m_presence; }
    void setPresence(qreal presence);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void expandedChanged(bool expanded);
    // Up and Down: the keyboard moves to the row `step` places away.
    void stepRequested(int step);
    void focusReceived();
    // For assistive technology, sent only while it listens: the row opened
    // or closed (before expandedChanged), or its words changed. The row's
    // accessible interface follows these, so the row need not know it.
    void accessibleExpandedChanged();
    void accessibleTextChanged();
    // The arrows moved the keyboard to a resolver line, or back to the row (-1).
    void accessibleLineChanged(int line);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct TopLayout {
        int width = -1;
        int height = 0; // of the top line, without the row's padding
        QStringList domainLines;
        int domainWidth = 0;
        int textLeft = 0;
        int textWidth = 0;
    };

    static TopLayout measureTop(const Watch& watch, int width);
    const TopLayout& topLayout(int width) const;
    int detailsHeight(int width) const;
    int fullHeight(int width) const;
    QRect labelRect() const;
    void setHovering(bool hovering);
    void placeRemoveButton();
    void notifyAccessibility();
    void openContextMenu(const QPoint& globalPos);
    // Up, Down and Escape among the open details' lines; false when the key
    // is not theirs to take.
    bool moveInDetails(int key);
    void setCurrentLine(int line);

    DigStore& m_store;
    Watch m_watch;
    bool m_expanded = false;
    bool m_hovering = false;
    bool m_removalRequested = false;
    bool m_leaving = false;
    bool m_pressed = false;
    bool m_focusRing = false; // focus that came by keyboard shows a ring
    bool m_enteredByTab = false;
    int m_currentLine = -1;
    qreal m_detailsReveal = 0;
    qreal m_presence = 1;
    PlainIconButton* m_removeButton = nullptr;

    mutable TopLayout m_topLayout;
    mutable int m_detailsWidth = -1;
    mutable int m_detailsHeight = 0;
};

} // namespace Quello
