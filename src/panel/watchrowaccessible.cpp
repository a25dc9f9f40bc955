#include "panel/watchrowaccessible.h"

#include "panel/watchrow.h"

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
        return translated(
            QT_TRANSLATE_NOOP("Quello::WatchRow", "Shows the answer from each resolver."));
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
