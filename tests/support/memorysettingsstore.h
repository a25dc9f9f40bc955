#pragma once

#include "store/settingsstore.h"

#include <QHash>
#include <QList>

#include <functional>

namespace Quello::Test {

// A SettingsStore in memory that remembers every write, so tests can check
// what was saved, in which order, and byte for byte.
class MemorySettingsStore final : public SettingsStore {
public:
    struct Write {
        QString key;
        QByteArray value;

        bool operator==(const Write&) const = default;
    };

    std::optional<QByteArray> value(const QString& key) const override {
        ++reads;
        const auto it = values.constFind(key);
        if (it == values.cend())
            return std::nullopt;
        return *it;
    }

    void setValue(const QString& key, const QByteArray& value) override {
        values.insert(key, value);
        writes.append(Write{key, value});
        if (onWrite)
            onWrite(writes.constLast());
    }

    // The writes under one key, oldest first.
    QList<QByteArray> writesTo(const QString& key) const {
        QList<QByteArray> found;
        for (const Write& w : writes) {
            if (w.key == key)
                found.append(w.value);
        }
        return found;
    }

    // The current contents; tests may fill it before handing the store over.
    QHash<QString, QByteArray> values;
    // Every setValue(), oldest first; tests may clear it.
    QList<Write> writes;
    // Called after each write, for tests that look at their subject's state
    // at the moment it saves.
    std::function<void(const Write&)> onWrite;
    mutable int reads = 0;
};

} // namespace Quello::Test
