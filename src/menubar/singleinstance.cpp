#include "menubar/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Quello {

namespace {

// A Quello that has just taken the lock may not listen yet.
constexpr int connectAttempts = 20;
constexpr unsigned long connectRetryMs = 100;

bool fillAddress(const QString& path, sockaddr_un& address) {
    const QByteArray encoded = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (encoded.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, encoded.constData(), static_cast<size_t>(encoded.size()));
    return true;
}

bool poke(const QString& path) {
    sockaddr_un address;
    if (!fillAddress(path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

} // namespace

SingleInstance::SingleInstance(QString directory, QObject* parent)
    : QObject(parent)
    , m_directory(std::move(directory))
    , m_lock(QDir(m_directory).filePath(QStringLiteral("quello.lock"))) {
    // Age says nothing about a running Quello, which may run for months; only
    // a dead owner makes the lock stale.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    if (m_socket >= 0) {
        ::close(m_socket);
        QFile::remove(socketPath());
    }
}

QString SingleInstance::defaultDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::lockPath() const {
    return QDir(m_directory).filePath(QStringLiteral("quello.lock"));
}

QString SingleInstance::socketPath() const {
    return QDir(m_directory).filePath(QStringLiteral("quello.socket"));
}

SingleInstance::Role SingleInstance::claim() {
    QDir().mkpath(m_directory);
    if (m_lock.tryLock(0)) {
        openSocket();
        return Role::Primary;
    }
    if (m_lock.error() != QLockFile::LockFailedError) {
        // No lock can be taken here at all (an unwritable directory): run
        // rather than refuse to start.
        openSocket();
        return Role::Primary;
    }
    for (int attempt = 0; attempt < connectAttempts; ++attempt) {
        if (poke(socketPath()))
            return Role::HandedOver;
        QThread::msleep(connectRetryMs);
    }
    // A lock file that names no process (a crash between creating and
    // filling it leaves it empty) is never judged stale by its content. The
    // owner's file lock tells: removal fails while a live Quello holds it.
    if (m_lock.removeStaleLockFile() && m_lock.tryLock(0)) {
        openSocket();
        return Role::Primary;
    }
    return Role::Unreachable;
}

bool SingleInstance::openSocket() {
    sockaddr_un address;
    if (!fillAddress(socketPath(), address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // We hold the lock, so a socket file left here belongs to a dead Quello.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    m_socket = fd;
    return true;
}

void SingleInstance::listen() {
    if (m_socket < 0 || m_notifier != nullptr)
        return;
    m_notifier = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptPending);
}

void SingleInstance::acceptPending() {
    bool any = false;
    for (;;) {
        const int client = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        // The connection itself is the whole message.
        ::close(client);
        any = true;
    }
    if (any)
        Q_EMIT showRequested();
}

} // namespace Quello
