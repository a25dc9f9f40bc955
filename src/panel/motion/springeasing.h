#pragma once

namespace Quello {

// A damped spring released at rest from 0 towards 1, described the way the
// panel's motion is tuned: the period of the undamped spring (`response`, in
// seconds) and the share of critical damping (`dampingFraction`). Qt animates
// over a duration, so the spring gives one (its settling time) and the curve
// that progress follows within it.
class SpringEasing {
public:
    SpringEasing(double response, double dampingFraction);

    // The input bar's preview and colours.
    static SpringEasing inputBar() { return {0.15, 0.85}; }
    // A row unfolding its details or leaving the list.
    static SpringEasing row() { return {0.18, 0.85}; }

    double response() const { return m_response; }
    double dampingFraction() const { return m_dampingFraction; }

    // Where the spring stands `seconds` after release (may overshoot 1).
    double position(double seconds) const;
    // Time after which the spring stays within a thousandth of its target.
    double settlingTime() const;
    int durationMs() const;
    // position() over the settling time, mapped onto 0..1 progress; exactly
    // 0 at the start and 1 at the end.
    double valueForProgress(double progress) const;

private:
    double m_response;
    double m_dampingFraction;
};

} // namespace Quello
