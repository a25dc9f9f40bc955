#include "panel/rows/watchrowaccessible.h"

#include "panel/rows/resolverdetails.h"
#include "panel/rows/resolverlineaccessible.h"
#include "panel/rows/watchrow.h"
#include "panel/speech/atspievents.h"
#include "store/digstore.h"

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
    // Qt 6.4 forwards no expanded change to AT-SPI; without it the reader
    // says nothing when Enter or Space opens the row.
    AtSpiEvents::expandedChanged(self, row->isExpanded());
    for (int i = 0; i < ResolverDetails::lineCount(); ++i) {
        QAccessibleEvent line(QAccessible::accessibleInterface(self->lineId(i)),
                              row->isExpanded() ? QAccessible::ObjectCreated
                                                : QAccessible::ObjectDestroyed);
        QAccessible::updateAccessibility(&line);
    }
}

void WatchRowAccessible::notifyTextChanged(WatchRow* row) {
    auto* self = dynamic_cast<WatchRowAccessible*>(QAccessible::queryAccessibleInterface(row));
    if (self != nullptr && row->isExpanded()) {
        for (int i = 0; i < self->childCount(); ++i) {
            QAccessibleEvent line(self->child(i), QAccessible::NameChanged);
            QAccessible::updateAccessibility(&line);
        }
    }
    // The value is part of the name (see text()); a button has no value
    // change to send over AT-SPI.
    QAccessibleEvent nameChanged(row, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
}

void WatchRowAccessible::notifyLineChanged(WatchRow* row, int line) {
    auto* self = dynamic_cast<WatchRowAccessible*>(QAccessible::queryAccessibleInterface(row));
    if (self == nullptr)
        return;
    // The keyboard stays on the row's widget; the reader follows the line.
    QAccessibleEvent focus(line >= 0 ? self->child(line) : self, QAccessible::Focus);
    if (focus.accessibleInterface() != nullptr)
        QAccessible::updateAccessibility(&focus);
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
    return row()->isExpanded() ? ResolverDetails::lineCount() : 0;
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
    static const bool installed = [] {
        QAccessible::installFactory(watchRowFactory);
        return true;
    }();
    Q_UNUSED(installed);
    QObject::connect(row, &WatchRow::accessibleExpandedChanged, row,
                     [row] { notifyExpanded(row); });
    QObject::connect(row, &WatchRow::accessibleTextChanged, row, [row] { notifyTextChanged(row); });
    QObject::connect(row, &WatchRow::accessibleLineChanged, row,
                     [row](int line) { notifyLineChanged(row, line); });
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

QString WatchRowAccessible::spokenName(const DigStore& store, const Watch& watch) {
    QString name = WatchRow::accessibilitySummary(store, watch);
    // The summary leaves out what the row shows while no value is agreed;
    // what keeps the watch back and when it may settle it already says.
    if (!store.consensusValue(watch))
        name += QStringLiteral(", ") + WatchRow::noValueWord(store, watch).remove(u'\u2026');
    // Readers put a button's value, if at all, after its role and states;
    // in the name, the state is heard with the row at any arrowing pace.
    return translated(QT_TRANSLATE_NOOP("Quello::WatchRow", "%1, %2"))
        .arg(name, watch.settledAt ? settledValue() : pendingValue());
}

QString WatchRowAccessible::text(QAccessible::Text t) const {
    const DigStore& store = row()->store();
    switch (t) {
    case QAccessible::Name:
        return spokenName(store, row()->watch());
    case QAccessible::Value:
        return row()->isSettled() ? settledValue() : pendingValue();
    case QAccessible::Description: {
        // The position in the whole list: rows are built only while in view.
        const QList<Watch>& watches = store.watches();
        const auto at = std::find_if(watches.cbegin(), watches.cend(),
                                     [&](const Watch& w) { return w.id == row()->watch().id; });
        QString description = translated(QT_TRANSLATE_NOOP("Quello::WatchRow", "%1 of %2"))
                                  .arg(at - watches.cbegin() + 1)
                                  .arg(watches.size());
        // The hint once, when the keyboard comes into the list, not on
        // every row the arrows pass.
        if (row()->enteredByTab()) {
            description += QStringLiteral(". ")
                           + translated(QT_TRANSLATE_NOOP("Quello::WatchRow",
                                                          "Shows the answer from each resolver."));
        }
        return description;
    }
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
