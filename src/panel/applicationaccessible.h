#pragma once

#include <QAccessibleObject>

namespace Quello {

// The application as assistive technology sees it. Qt leaves popup windows
// out of the application's children, as menus are announced on their own;
// the panel is shown as a popup from the tray, and a reader could not reach
// it at all. This interface adds every shown popup that holds a panel.
class ApplicationAccessible : public QAccessibleApplication {
public:
    // Installs the interface for the application once; replaces one Qt
    // made before. A popup counts as a panel's when it is, or holds, an
    // object of `panelType`: the panel names its own class, so this interface
    // need not know it.
    static void install(const QMetaObject& panelType);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    QList<QAccessibleInterface*> panelPopups() const;
};

} // namespace Quello
