#pragma once

#include <QAccessibleWidget>

namespace Quello {

class DigStore;
class WatchRow;
struct Watch;

// A watch row as assistive technology sees it: one expandable button whose
// name is the row's spoken summary followed by its value (whether the watch
// has settled), and whose description gives its place in the list. While
// open, its children are the resolver lines. Its dots and remove button are not exposed; the named
// actions stand for them.
class WatchRowAccessible : public QAccessibleWidget {
public:
    explicit WatchRowAccessible(WatchRow* row);
    ~WatchRowAccessible() override;
    WatchRowAccessible(const WatchRowAccessible&) = delete;
    WatchRowAccessible& operator=(const WatchRowAccessible&) = delete;

    // Registers the factory with Qt's accessibility once per process, and
    // tells assistive technology of `row`'s changes from now on. Called for
    // every row as soon as it is made.
    static void follow(WatchRow* row);

    static QString settledValue();
    static QString pendingValue();
    static QString checkNowAction();
    static QString removeAction();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    // Tells assistive technology that `row` opened or closed, or that its
    // words (and those of its open details) changed.
    static void notifyExpanded(WatchRow* row);
    static void notifyTextChanged(WatchRow* row);
    // Tells it the arrows moved to the resolver line `line`, or back to the
    // row (-1).
    static void notifyLineChanged(WatchRow* row, int line);

    // The row as a reader says it: the summary, what the row shows while no
    // value is agreed, then "settled" or "propagating".
    static QString spokenName(const DigStore& store, const Watch& watch);

    WatchRow* row() const;
    // Made on first use and kept with stable ids while the row lives.
    QAccessible::Id lineId(int index) const;

    mutable QList<QAccessible::Id> m_lines;
};

} // namespace Quello
