#pragma once

#include <QByteArray>

namespace Quello {

class WaitRun;

// The final state for scripts: the watch, every resolver's answer, whether
// it settled and how long it took.
namespace JsonReport {

QByteArray encode(const WaitRun& run, bool settled);

} // namespace JsonReport

} // namespace Quello
