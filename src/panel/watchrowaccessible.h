#pragma once

#include <QAccessibleWidget>

namespace Quello {

class WatchRow;

// A watch row as assistive technology sees it: one button-like element whose
// name is the row's spoken summary and whose value says whether the watch has
// settled. Its parts (dots, remove button) are not exposed; the named actions
// stand for them.
class WatchRowAccessible : public QAccessibleWidget {
public:
    explicit WatchRowAccessible(WatchRow* row);

    // Registers the factory with Qt's accessibility once per process.
    static void install();

    static QString settledValue();
    static QString pendingValue();
    static QString checkNowAction();
    static QString removeAction();

    QString text(QAccessible::Text t) const override;
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    WatchRow* row() const;
};

} // namespace Quello
