#pragma once

#include <QString>

class QMenu;

namespace Quello {

// What a screen reader needs from the panel's menus, which Qt 6.4 and Orca 43
// leave out: opened, a Qt menu has no current item, so Orca hears nothing
// until Down; the menu's name and its number of items are never said; and
// Orca does not read a Qt item's shortcut.
namespace MenuAccessibility {

// Names `menu` "`title`, N items", puts each item's shortcut in its text
// (after a tab, where the menu shows it anyway), and makes the first item
// current each time the menu opens by keyboard.
void prepare(QMenu* menu, const QString& title);

} // namespace MenuAccessibility

} // namespace Quello
