#pragma once

#include <QAccessibleInterface>
#include <QPointer>

namespace Quello {

class WatchRow;

// One line of a row's open details as assistive technology reads it: the
// resolver's name and its latest answer or state. It has no widget of its
// own; the row's interface owns it.
class ResolverLineAccessible : public QAccessibleInterface {
public:
    ResolverLineAccessible(WatchRow* row, int index);

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    // An item, not a label: a reader says no role word after each line.
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    QPointer<WatchRow> m_row;
    int m_index;
};

} // namespace Quello
