#include "panel/motion/springeasing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Quello {

namespace {

constexpr double settleTolerance = 0.001;

} // namespace

SpringEasing::SpringEasing(double response, double dampingFraction)
    : m_response(std::max(response, 0.001))
    , m_dampingFraction(std::max(dampingFraction, 0.01)) {}

double SpringEasing::position(double seconds) const {
    if (seconds <= 0)
        return 0;
    const double omega = 2 * std::numbers::pi / m_response;
    const double zeta = m_dampingFraction;
    if (zeta < 1) {
        const double decay = zeta * omega;
        const double omegaD = omega * std::sqrt(1 - zeta * zeta);
        return 1
               - std::exp(-decay * seconds)
                     * (std::cos(omegaD * seconds) + decay / omegaD * std::sin(omegaD * seconds));
    }
    if (zeta == 1)
        return 1 - std::exp(-omega * seconds) * (1 + omega * seconds);
    const double root = omega * std::sqrt(zeta * zeta - 1);
    const double r1 = -zeta * omega + root;
    const double r2 = -zeta * omega - root;
    return 1 - (r2 * std::exp(r1 * seconds) - r1 * std::exp(r2 * seconds)) / (r2 - r1);
}

double SpringEasing::settlingTime() const {
    const double omega = 2 * std::numbers::pi / m_response;
    const double zeta = m_dampingFraction;
    if (zeta < 1) {
        // The envelope bounds the distance from the target.
        const double amplitude = 1 / std::sqrt(1 - zeta * zeta);
        return std::log(amplitude / settleTolerance) / (zeta * omega);
    }
    // No oscillation: walk forward until the spring is close enough.
    double t = 0;
    const double step = m_response / 100;
    while (1 - position(t) > settleTolerance)
        t += step;
    return t;
}

int SpringEasing::durationMs() const {
    return std::max(1, static_cast<int>(std::ceil(settlingTime() * 1000)));
}

double SpringEasing::valueForProgress(double progress) const {
    if (progress <= 0)
        return 0;
    if (progress >= 1)
        return 1;
    // Over the whole duration, so that progress maps back to real time.
    return position(progress * durationMs() / 1000.0);
}

} // namespace Quello
