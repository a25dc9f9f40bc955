#pragma once

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace Quello::Test {

// A D-Bus daemon of our own for one test: nothing on the user's session bus
// is touched, and no service is activated behind our back (the configuration
// names no service directories).
//
//     PrivateBus bus;
//     QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
//     QDBusConnection client = bus.connect(QStringLiteral("client"));
//     QDBusConnection server = bus.connect(QStringLiteral("server"));
//
// Every connection gets its own unique name on the bus, so a client and a
// server in the same process talk through the daemon as separate peers.
// The destructor disconnects them all and stops the daemon it started, by
// that process's id only.
class PrivateBus {
public:
    PrivateBus() {
        if (!m_dir.isValid()) {
            m_error = QStringLiteral("no temporary directory");
            return;
        }
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            m_error = QStringLiteral("cannot write ") + config;
            return;
        }
        file.write(
            QByteArrayLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig>\n"
                "  <type>session</type>\n"
                "  <listen>unix:dir=")
            + m_dir.path().toUtf8()
            + QByteArrayLiteral("</listen>\n"
                                "  <auth>EXTERNAL</auth>\n"
                                "  <policy context=\"default\">\n"
                                "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                "    <allow eavesdrop=\"true\"/>\n"
                                "    <allow own=\"*\"/>\n"
                                "  </policy>\n"
                                "</busconfig>\n"));
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
        // The daemon prints its address on one line once it listens.
        QByteArray line;
        while (!line.contains('\n') && m_daemon.waitForReadyRead(5000))
            line += m_daemon.readAllStandardOutput();
        m_address = QString::fromUtf8(line).trimmed();
        if (m_address.isEmpty())
            m_error = QStringLiteral("dbus-daemon printed no address");
    }

    ~PrivateBus() {
        for (const QString& name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate(); // SIGTERM to our own child, by its id
            if (!m_daemon.waitForFinished(3000)) {
                m_daemon.kill();
                m_daemon.waitForFinished(3000);
            }
        }
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString errorString() const { return m_error; }
    QString address() const { return m_address; }
    qint64 daemonPid() const { return m_daemon.processId(); }

    // A new connection to this bus under a process-wide connection name;
    // use a different name for every peer.
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
