#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace Quello {

// One Quello per user: two would each save their own watch list over the
// other's. The first to start holds a lock file and listens on a local
// socket beside it; a later start pokes that socket, which brings the first
// one's panel up, and leaves. A lock left by a crashed Quello is noticed by
// its dead process id and taken over.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        Primary,     // this process is Quello; it holds the lock
        HandedOver,  // another Quello runs and was asked to show its panel
        Unreachable, // another Quello holds the lock but does not answer
    };

    // Lock and socket live in `directory` (the user's runtime directory in
    // the application).
    explicit SingleInstance(QString directory, QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultDirectory();

    // Needs no event loop, so it can run before the application object.
    Role claim();

    // Starts answering later starts; needs the application object. Only
    // after claim() returned Primary.
    void listen();

    QString lockPath() const;
    QString socketPath() const;

Q_SIGNALS:
    void showRequested();

private:
    bool openSocket();
    void acceptPending();

    QString m_directory;
    QLockFile m_lock;
    int m_socket = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace Quello
