#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace Quello {

// The panel's symbols ("plus", "trash", "ellipsis.circle",
// "dot.radiowaves.left.and.right") from the desktop's icon theme, with a
// bundled drawing of Quello's own where the theme has none.
namespace SymbolIcon {

QIcon icon(const QString& symbolName);

// The bundled drawing tinted in one colour, for symbols that follow a state
// colour (the input bar's plus).
QIcon tinted(const QString& symbolName, const QColor& color);

} // namespace SymbolIcon

} // namespace Quello
