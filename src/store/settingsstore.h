#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace Quello {

// The user's settings: one data value per key, surviving restarts.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::optional<QByteArray> value(const QString& key) const = 0;

    // On disk when it returns: nothing is saved at quit, so a change that
    // only lived in memory would be lost by a crash or a kill.
    virtual void setValue(const QString& key, const QByteArray& value) = 0;
};

} // namespace Quello
