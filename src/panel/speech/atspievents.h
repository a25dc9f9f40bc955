#pragma once

#include <QString>

class QAccessibleInterface;

namespace Quello {

// AT-SPI events that Qt 6.4's bridge does not send, sent on the bridge's own
// connection to the accessibility bus so that they come from the objects
// the screen reader already knows. Qt forwards no expanded or collapsed
// change, and announces a new description without its text, which Orca 43
// then drops; these carry what the reader needs. Each does nothing while no
// bridge is connected.
namespace AtSpiEvents {

// "object:state-changed:expanded" and its collapsed counterpart.
void expandedChanged(QAccessibleInterface* object, bool expanded);

// "object:property-change:accessible-description", with the text.
void descriptionChanged(QAccessibleInterface* object, const QString& description);

} // namespace AtSpiEvents

} // namespace Quello
