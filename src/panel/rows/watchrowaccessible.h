#pragma once

#include <QAccessibleWidget>

namespace Quello {

class WatchRow;

// A watch row as assistive technology sees it: one expandable button whose
// name is the row's spoken summary and whose value and description say
// whether the watch has settled. While open, its children are the resolver
// lines. Its dots and remove button are not exposed; the named actions stand
// for them.
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

    // Tells assistive technology that `row` opened or closed, that the
    // answers in its open details changed, or that its words changed.
    static void notifyExpanded(WatchRow* row);
    static void notifyDetailsChanged(WatchRow* row);
    static void notifyTextChanged(WatchRow* row);

    // Registers the factory with Qt's accessibility once per process.
    static void install();

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
    WatchRow* row() const;
    // Made on first use and kept with stable ids while the row lives.
    QAccessible::Id lineId(int index) const;

    mutable QList<QAccessible::Id> m_lines;
};

} // namespace Quello
