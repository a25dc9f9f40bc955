#pragma once

#include "store/settingsstore.h"

#include <QSettings>

namespace Quello {

// QSettings in INI format under the XDG config directory
// (~/.config/Quello/Quello.conf), organization and application "Quello".
class IniSettingsStore final : public SettingsStore {
public:
    IniSettingsStore();
    // For tests: a settings file at an explicit path.
    explicit IniSettingsStore(const QString& fileName);

    std::optional<QByteArray> value(const QString& key) const override;
    void setValue(const QString& key, const QByteArray& value) override;

private:
    mutable QSettings m_settings;
};

} // namespace Quello
