#pragma once

#include <QColor>

namespace Quello {

// Standard colours the panel uses besides its two accents.
namespace SystemColors {

// Chips of expected values, unsettled watches, resolvers with a problem.
QColor orange();

} // namespace SystemColors

} // namespace Quello
