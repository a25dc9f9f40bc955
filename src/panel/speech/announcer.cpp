#include "panel/speech/announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTimer>

namespace Quello {

namespace {

QAccessibleInterface* announcerFactory(const QString&, QObject* object) {
    if (auto* announcer = qobject_cast<Announcer*>(object))
        return new QAccessibleWidget(announcer, QAccessible::Notification);
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget* parent)
    : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(announcerFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setFixedSize(0, 0);
    setFocusPolicy(Qt::NoFocus);
    // Shown only to announce: a notification the panel showed with itself
    // would be read out again each time the panel opens.
    hide();
}

void Announcer::announce(const QString& message) {
    if (!QAccessible::isActive() || parentWidget() == nullptr || !parentWidget()->isVisible())
        return;
    setAccessibleName(message);
    hide();
    show(); // the reader hears of it by this
    QTimer::singleShot(0, this, &QWidget::hide);
}

Announcer* Announcer::of(const QWidget* widget) {
    return widget != nullptr ? widget->window()->findChild<Announcer*>() : nullptr;
}

} // namespace Quello
