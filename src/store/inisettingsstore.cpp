#include "store/inisettingsstore.h"

#include <QVariant>

namespace Quello {

IniSettingsStore::IniSettingsStore()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quello"),
                 QStringLiteral("Quello")) {}

IniSettingsStore::IniSettingsStore(const QString& fileName)
    : m_settings(fileName, QSettings::IniFormat) {}

std::optional<QByteArray> IniSettingsStore::value(const QString& key) const {
    if (!m_settings.contains(key))
        return std::nullopt;
    return m_settings.value(key).toByteArray();
}

void IniSettingsStore::setValue(const QString& key, const QByteArray& value) {
    m_settings.setValue(key, value);
    // Nothing is saved at quit: the value has to be on disk now.
    m_settings.sync();
}

} // namespace Quello
