#pragma once

#include <QIcon>

namespace Quello {

// The panel's bundled drawings live in a static library, whose resources
// the linker drops unless something asks for them; every reader of
// ":/quello/..." calls this first.
void ensurePanelResources();

// Quello's own icon (the rings of the tray icon in the accent colours).
QIcon appIcon();

} // namespace Quello
