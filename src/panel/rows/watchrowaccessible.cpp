#include "panel/rows/watchrowaccessible.h"

#include "model/resolver.h"
#include "panel/rows/resolverlineaccessible.h"
#include "panel/rows/watchrow.h"

#include <QCoreApplication>

namespace Quello {

namespace {

QAccessibleInterface* watchRowFactory(const QString&, QObject* object) {
    if (auto* row = qobject_cast<WatchRow*>(object))
        return new WatchRowAccessible(row);
    return nullptr;
}

// The row's own context, so its menu and its accessible actions share
// one translation of "Remove".
QString translated(const char* text) {
    return QCoreApplication::translate("Quello::WatchRow", text);
}

} // namespace

WatchRowAccessible::WatchRowAccessible(WatchRow* row)
    : QAccessibleWidget(row, QAccessible::Button) {}

WatchRowAccessible::~WatchRowAccessible() {
    for (QAccessible::Id id : std::as_const(m_lines))
        QAccessible::deleteAccessibleInterface(id);
}

void WatchRowAccessible::notifyExpanded(WatchRow* row) {
    auto* self = dynamic_cast<WatchRowAccessible*>(QAccessible::queryAccessibleInterface(row));
    if (self == nullptr)
        return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent stateChanged(row, changed);
    QAccessible::updateAccessibility(&stateChanged);
    const auto count = static_cast<int>(Resolver::all().size());
    for (int i = 0; i < count; ++i) {
        QAccessibleEvent line(QAccessible::accessibleInterface(self->lineId(i)),
                              row->isExpanded() ? QAccessible::ObjectCreated
                                                : QAccessible::ObjectDestroyed);
        QAccessible::updateAccessibility(&line);
    }
}

void WatchRowAccessible::notifyDetailsChanged(WatchRow* row) {
    auto* self = dynamic_cast<WatchRowAccessible*>(QAccessible::queryAccessibleInterface(row));
    if (self == nullptr || !row->isExpanded())
        return;
    for (int i = 0; i < self->childCount(); ++i) {
        QAccessibleEvent line(self->child(i), QAccessible::NameChanged);
        QAccessible::updateAccessibility(&line);
    }
}

void WatchRowAccessible::notifyTextChanged(WatchRow* row) {
    notifyDetailsChanged(row);
    QAccessibleEvent nameChanged(row, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleValueChangeEvent valueChanged(row,
                                             row->isSettled() ? settledValue() : pendingValue());
    QAccessible::updateAccessibility(&valueChanged);
}

QAccessible::Id WatchRowAccessible::lineId(int index) const {
    while (m_lines.size() <= index) {
        m_lines.append(QAccessible::registerAccessibleInterface(
            new ResolverLineAccessible(row(), static_cast<int>(m_lines.size()))));
    }
    return m_lines.at(index);
}

QAccessible::State WatchRowAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = row()->isExpanded();
    state.collapsed = !row()->isExpanded();
    return state;
}

int WatchRowAccessible::childCount() const {
    return row()->isExpanded() ? static_cast<int>(Resolver::all().size()) : 0;
}

QAccessibleInterface* WatchRowAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    return QAccessible::accessibleInterface(lineId(index));
}

int WatchRowAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (int i = 0; i < childCount(); ++i) {
        if (QAccessible::accessibleInterface(lineId(i)) == child)
            return i;
    }
    return -1;
}

QAccessibleInterface* WatchRowAccessible::childAt(int x, int y) const {
    for (int i = 0; i < childCount(); ++i) {
        if (child(i)->rect().contains(x, y))
            return child(i);
    }
    return nullptr;
}

void WatchRowAccessible::follow(WatchRow* row) {
    install();
    QObject::connect(row, &WatchRow::accessibleExpandedChanged, row,
                     [row] { notifyExpanded(row); });
    QObject::connect(row, &WatchRow::accessibleTextChanged, row, [row] { notifyTextChanged(row); });
}

void WatchRowAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(watchRowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString WatchRowAccessible::settledValue() {
    return translated(QT_TRANSLATE_NOOP("Quello::WatchRow", "settled"));
}

QString WatchRowAccessible::pendingValue() {
    return translated(QT_TRANSLATE_NOOP("Quello::WatchRow", "propagating"));
}

QString WatchRowAccessible::checkNowAction() {
    return translated(QT_TRANSLATE_NOOP("Quello::WatchRow", "Check now"));
}

QString WatchRowAccessible::removeAction() {
    return translated(QT_TRANSLATE_NOOP("Quello::WatchRow", "Remove"));
}

WatchRow* WatchRowAccessible::row() const {
    return static_cast<WatchRow*>(widget());
}

QString WatchRowAccessible::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Name:
        return row()->accessibilitySummary();
    case QAccessible::Value:
        return row()->isSettled() ? settledValue() : pendingValue();
    case QAccessible::Description:
        // The status again: not every reader speaks a button's value.
        return translated(QT_TRANSLATE_NOOP("Quello::WatchRow",
                                            "%1. Shows the answer from each resolver."))
            .arg(text(QAccessible::Value));
    default:
        return QAccessibleWidget::text(t);
    }
}

QStringList WatchRowAccessible::actionNames() const {
    // Pressing the row opens or closes its details, like a click.
    return {pressAction(), checkNowAction(), removeAction()};
}

void WatchRowAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction())
        row()->toggleExpanded();
    else if (actionName == checkNowAction())
        row()->checkNow();
    else if (actionName == removeAction())
        row()->remove();
}

QStringList WatchRowAccessible::keyBindingsForAction(const QString&) const {
    return {};
}

} // namespace Quello
