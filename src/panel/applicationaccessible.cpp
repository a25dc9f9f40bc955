#include "panel/applicationaccessible.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

namespace Quello {

namespace {

const QMetaObject* panelMetaObject = nullptr;

bool isPanel(const QObject* object) {
    return object->metaObject()->inherits(panelMetaObject);
}

QAccessibleInterface* applicationFactory(const QString&, QObject* object) {
    if (object != nullptr && object == qApp)
        return new ApplicationAccessible;
    return nullptr;
}

} // namespace

void ApplicationAccessible::install(const QMetaObject& panelType) {
    panelMetaObject = &panelType;
    static const bool installed = [] {
        QAccessible::installFactory(applicationFactory);
        // An interface Qt made already stays in its cache; drop it so that
        // the next query makes this one.
        QAccessibleInterface* current = QAccessible::queryAccessibleInterface(qApp);
        if (current != nullptr && dynamic_cast<ApplicationAccessible*>(current) == nullptr)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(current));
        return true;
    }();
    Q_UNUSED(installed);
}

QList<QAccessibleInterface*> ApplicationAccessible::panelPopups() const {
    QList<QAccessibleInterface*> popups;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowType() != Qt::Popup || !window->isVisible())
            continue;
        const QList<QObject*> descendants = window->findChildren<QObject*>();
        if (isPanel(window) || std::any_of(descendants.cbegin(), descendants.cend(), isPanel)) {
            if (QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(window))
                popups.append(popup);
        }
    }
    return popups;
}

int ApplicationAccessible::childCount() const {
    return QAccessibleApplication::childCount() + static_cast<int>(panelPopups().size());
}

QAccessibleInterface* ApplicationAccessible::child(int index) const {
    const int own = QAccessibleApplication::childCount();
    if (index < own)
        return QAccessibleApplication::child(index);
    return panelPopups().value(index - own);
}

int ApplicationAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const int own = QAccessibleApplication::indexOfChild(child);
    if (own >= 0)
        return own;
    const qsizetype popup = panelPopups().indexOf(const_cast<QAccessibleInterface*>(child));
    return popup < 0 ? -1 : QAccessibleApplication::childCount() + static_cast<int>(popup);
}

} // namespace Quello
