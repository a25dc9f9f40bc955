#include "panel/speech/menuaccessibility.h"

#include "panel/speech/announcer.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

namespace Quello {

void MenuAccessibility::prepare(QMenu* menu, const QString& title) {
    int items = 0;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        ++items;
        const QString shortcut = action->shortcut().toString(QKeySequence::NativeText);
        if (!shortcut.isEmpty() && !action->text().contains(u'\t'))
            action->setText(action->text() + u'\t' + shortcut);
    }
    menu->setAccessibleName(
        items == 1
            ? QCoreApplication::translate("Quello::MenuAccessibility", "%1, 1 item").arg(title)
            : QCoreApplication::translate("Quello::MenuAccessibility", "%1, %2 items")
                  .arg(title)
                  .arg(items));
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] {
        // A click opens menus while its button is down; the pointer then
        // picks the item itself.
        if (QGuiApplication::mouseButtons() != Qt::NoButton)
            return;
        // Orca 43 says nothing of a Qt menu itself, only of its items.
        if (Announcer* announcer = Announcer::of(menu->parentWidget()))
            announcer->announce(menu->accessibleName());
        // After the menu is up: made current before, the item is not shown
        // yet and its focus goes unannounced.
        QTimer::singleShot(0, menu, [menu] {
            if (menu->isVisible() && menu->activeAction() == nullptr) {
                for (QAction* action : menu->actions()) {
                    if (!action->isSeparator() && action->isEnabled()) {
                        menu->setActiveAction(action);
                        break;
                    }
                }
            }
        });
    });
}

} // namespace Quello
