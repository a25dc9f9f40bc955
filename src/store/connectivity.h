#pragma once

#include <QObject>

namespace Quello {

// Whether the machine can reach a network at all, as the system sees it.
// Checks made while it cannot would only fail, and would say nothing about
// the watches.
class Connectivity : public QObject {
    Q_OBJECT

public:
    enum class State {
        Unknown, // no source to ask: checks run as if online
        Online,
        Offline,
    };

    using QObject::QObject;

    virtual State state() const = 0;

Q_SIGNALS:
    void stateChanged(Quello::Connectivity::State state);
};

} // namespace Quello
