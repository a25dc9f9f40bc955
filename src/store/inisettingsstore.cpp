#include "store/inisettingsstore.h"

#include <QLockFile>
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
    // A writer killed between creating QSettings' lock file and filling it
    // leaves the lock empty, and QSettings would then hold the event loop until
    // the lock is 30 s old. Such a lock names no live owner: clear it first
    // (a lock held by a running process is left alone).
    QLockFile(m_settings.fileName() + QStringLiteral(".lock")).removeStaleLockFile();
    m_settings.setValue(key, value);
    // Nothing is saved at quit: the value has to be on disk now.
    m_settings.sync();
}

} // namespace Quello
