#pragma once

#include "store/settingsstore.h"

#include <QHash>
#include <QList>

#include <functional>

namespace Quello::Test {

// Settings in memory that remember every write, in order and byte for byte.
class MemorySettingsStore final : public SettingsStore {
public:
    struct Write {
        QString key;
        QByteArray value;

        bool operator==(const Write&) const = default;
    };

    std::optional<QByteArray> value(const QString& key) const override {
        const auto it = values.constFind(key);
        return it == values.cend() ? std::nullopt : std::optional(*it);
    }

    void setValue(const QString& key, const QByteArray& value) override {
        values.insert(key, value);
        writes.append(Write{key, value});
        if (onWrite)
            onWrite(writes.constLast());
    }

    QHash<QString, QByteArray> values;
    QList<Write> writes;
    std::function<void(const Write&)> onWrite; // sees the subject's state as it saves
};

} // namespace Quello::Test
