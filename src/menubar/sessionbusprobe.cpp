#include "menubar/sessionbusprobe.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Quello {

namespace {

// The parts of the wire format this probe writes and reads: little-endian
// method calls without a body, and the replies' header field REPLY_SERIAL.
constexpr char littleEndian = 'l';
constexpr quint8 methodCall = 1;
constexpr quint8 methodReturn = 2;
constexpr quint8 errorReply = 3;
constexpr quint8 replySerialField = 5;

void align(QByteArray& bytes, int to) {
    while (bytes.size() % to != 0)
        bytes.append('\0');
}

void appendUint32(QByteArray& bytes, quint32 value) {
    align(bytes, 4);
    for (int i = 0; i < 4; ++i)
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

void appendField(QByteArray& fields, quint8 code, char type, const QByteArray& value) {
    align(fields, 8);
    fields.append(static_cast<char>(code));
    fields.append('\1');
    fields.append(type);
    fields.append('\0');
    appendUint32(fields, static_cast<quint32>(value.size()));
    fields.append(value);
    fields.append('\0');
}

// A call to the bus itself: org.freedesktop.DBus.<member>, no arguments.
QByteArray busCall(const QByteArray& member, quint32 serial) {
    QByteArray fields;
    appendField(fields, 1, 'o', "/org/freedesktop/DBus");
    appendField(fields, 2, 's', "org.freedesktop.DBus");
    appendField(fields, 3, 's', member);
    appendField(fields, 6, 's', "org.freedesktop.DBus");

    QByteArray message;
    message.append(littleEndian);
    message.append(static_cast<char>(methodCall));
    message.append('\0');     // flags
    message.append('\1');     // protocol version
    appendUint32(message, 0); // body length
    appendUint32(message, serial);
    appendUint32(message, static_cast<quint32>(fields.size()));
    message.append(fields);
    align(message, 8);
    return message;
}

quint32 readUint32(const QByteArray& bytes, qsizetype at, bool little) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<quint8>(bytes.at(at + i));
        value |= quint32(byte) << (8 * (little ? i : 3 - i));
    }
    return value;
}

qsizetype aligned(qsizetype at, int to) {
    return (at + to - 1) / to * to;
}

// Whether `buffer` holds a complete reply to `serial`; complete messages
// before it (NameAcquired, the reply to Hello) are dropped from it.
bool takeReply(QByteArray& buffer, quint32 serial) {
    while (buffer.size() >= 16) {
        const bool little = buffer.at(0) == littleEndian;
        const auto type = static_cast<quint8>(buffer.at(1));
        const quint32 bodyLength = readUint32(buffer, 4, little);
        const quint32 fieldsLength = readUint32(buffer, 12, little);
        if (bodyLength > (1u << 27) || fieldsLength > (1u << 26))
            return false; // not a bus
        const qsizetype fieldsEnd = 16 + qsizetype(fieldsLength);
        const qsizetype total = aligned(fieldsEnd, 8) + qsizetype(bodyLength);
        if (buffer.size() < total)
            return false;

        bool isReply = false;
        for (qsizetype at = 16; at + 4 <= fieldsEnd;) {
            at = aligned(at, 8);
            const auto code = static_cast<quint8>(buffer.at(at));
            const auto signatureLength = static_cast<quint8>(buffer.at(at + 1));
            const char kind = signatureLength == 1 ? buffer.at(at + 2) : '\0';
            at += 3 + signatureLength;
            if (kind == 'g') {
                at += 1 + static_cast<quint8>(buffer.at(at)) + 1;
            } else if (kind == 'u' || kind == 's' || kind == 'o') {
                at = aligned(at, 4);
                if (at + 4 > fieldsEnd)
                    break;
                const quint32 value = readUint32(buffer, at, little);
                at += 4;
                if (kind == 'u')
                    isReply |= code == replySerialField && value == serial;
                else
                    at += qsizetype(value) + 1;
            } else {
                break; // no other kinds in the header fields the bus sends
            }
        }
        if (isReply && (type == methodReturn || type == errorReply))
            return true;
        buffer.remove(0, total);
    }
    return false;
}

// Waits for `events` on `fd` until the deadline; false when it passed.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int left = static_cast<int>(deadline.remainingTime());
        if (left <= 0)
            return false;
        const int ready = ::poll(&entry, 1, left);
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool sendAll(int fd, const QByteArray& bytes, const QDeadlineTimer& deadline) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        sent += n > 0 ? n : 0;
    }
    return true;
}

// Reads until `complete` holds of what came; false at the deadline or EOF.
template <typename Complete>
bool receiveUntil(int fd, QByteArray& buffer, const QDeadlineTimer& deadline, Complete complete) {
    while (!complete(buffer)) {
        if (!waitFor(fd, POLLIN, deadline))
            return false;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return false;
        if (n > 0)
            buffer.append(chunk, n);
    }
    return true;
}

QByteArray unescape(const QByteArray& value) {
    return QByteArray::fromPercentEncoding(value);
}

} // namespace

std::optional<QByteArray> SessionBusProbe::socketAddress(const QProcessEnvironment& environment) {
    const QString address = environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (address.isEmpty()) {
        const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
        const QString path = QDir(runtime).filePath(QStringLiteral("bus"));
        if (runtime.isEmpty() || !QFile::exists(path))
            return std::nullopt;
        return QFile::encodeName(path);
    }
    // The first entry is the one libdbus tries first.
    const QByteArray first = address.toUtf8().split(';').constFirst();
    if (!first.startsWith("unix:"))
        return std::nullopt;
    for (const QByteArray& pair : first.mid(5).split(',')) {
        if (pair.startsWith("path="))
            return unescape(pair.mid(5));
        if (pair.startsWith("abstract="))
            return QByteArray(1, '\0') + unescape(pair.mid(9));
    }
    return std::nullopt;
}

SessionBusProbe::Verdict SessionBusProbe::probe(const QProcessEnvironment& environment,
                                                std::chrono::milliseconds deadline) {
    const std::optional<QByteArray> address = socketAddress(environment);
    if (!address)
        return Verdict::Unknown;
    sockaddr_un target{};
    target.sun_family = AF_UNIX;
    if (address->isEmpty() || address->size() >= qsizetype(sizeof target.sun_path))
        return Verdict::Unknown;
    std::memcpy(target.sun_path, address->constData(), size_t(address->size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(address->size())
                                  + (address->startsWith('\0') ? 0 : 1));

    const QDeadlineTimer timer(deadline);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Verdict::Unknown;
    const auto verdict = [&]() -> Verdict {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), length) != 0) {
            // No one listens: Qt finds that out at once too.
            if (errno != EINPROGRESS && errno != EAGAIN)
                return Verdict::Unknown;
            if (!waitFor(fd, POLLOUT, timer))
                return Verdict::Silent;
        }
        const QByteArray uid = QByteArray::number(::getuid()).toHex();
        QByteArray buffer;
        if (!sendAll(fd, QByteArray(1, '\0') + "AUTH EXTERNAL " + uid + "\r\n", timer)
            || !receiveUntil(fd, buffer, timer,
                             [](const QByteArray& b) { return b.contains('\n'); }))
            return Verdict::Silent;
        if (!buffer.startsWith("OK "))
            return Verdict::Unknown; // a bus that refuses us refuses Qt quickly too
        buffer.clear();
        // Qt's own start goes on with a call after Hello; a bus that answers
        // Hello alone would still hold it.
        if (!sendAll(fd, "BEGIN\r\n" + busCall("Hello", 1) + busCall("GetId", 2), timer)
            || !receiveUntil(fd, buffer, timer, [](QByteArray& b) { return takeReply(b, 2); }))
            return Verdict::Silent;
        return Verdict::Answers;
    }();
    ::close(fd);
    return verdict;
}

} // namespace Quello
