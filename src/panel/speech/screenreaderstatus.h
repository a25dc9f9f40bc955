#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace Quello {

// Whether a screen reader is on, as the accessibility bus launcher tells it
// on the session bus (org.a11y.Status: IsEnabled, ScreenReaderEnabled),
// followed without blocking: read once when made, then from its change
// signals. A reader turned on while the panel is open knows nothing of it
// yet: `readerListening` says when the reader, once on, has registered its
// listeners on the accessibility bus, which is when it can be told.
class ScreenReaderStatus : public QObject {
    Q_OBJECT

public:
    explicit ScreenReaderStatus(QObject* parent = nullptr);

Q_SIGNALS:
    void readerListening();

private Q_SLOTS:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);
    void listenerRegistered(const QString& bus, const QString& event);

private:
    bool isOn() const { return m_enabled || m_screenReader; }
    void update(const QVariantMap& properties);

    bool m_enabled = false;
    bool m_screenReader = false;
    bool m_awaitingReader = false;
    QTimer m_quiet;
};

} // namespace Quello
