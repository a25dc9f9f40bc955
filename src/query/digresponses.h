#pragma once

#include "query/digresponse.h"

#include <QList>
#include <QStringView>

namespace Quello {

// One dig run may ask several questions; its output holds their outcomes one
// after the other.
namespace DigResponses {

// One DigResponse per question, in the order asked. A question no server
// answered gives one without a status, its messages saying why.
QList<DigResponse> each(QStringView output);

} // namespace DigResponses

} // namespace Quello
