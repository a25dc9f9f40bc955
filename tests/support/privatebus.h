#pragma once

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace Quello::Test {

// A D-Bus daemon of our own, so nothing on the session bus is touched and no
// service is activated. Each connect() is a separate peer on it. The
// destructor stops only the daemon it started.
class PrivateBus {
public:
    PrivateBus() {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly)) {
            m_error = QStringLiteral("cannot write ") + config;
            return;
        }
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:dir="
                   + m_dir.path().toUtf8()
                   + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        file.close();

        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({QStringLiteral("--config-file=") + config,
                               QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(QIODevice::ReadOnly);
        if (!m_daemon.waitForStarted(5000)) {
            m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
            return;
        }
        QByteArray line; // the address, once it listens
        while (!line.contains('\n') && m_daemon.waitForReadyRead(5000))
            line += m_daemon.readAllStandardOutput();
        m_address = QString::fromUtf8(line).trimmed();
        if (m_address.isEmpty())
            m_error = QStringLiteral("dbus-daemon printed no address");
    }

    ~PrivateBus() {
        for (const QString& name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    qint64 pid() const { return m_daemon.processId(); }
    QString errorString() const { return m_error; }

    // `name` is a process-wide connection name: one per peer.
    QDBusConnection connect(const QString& name) {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    QStringList m_connections;
};

} // namespace Quello::Test
