#pragma once

// The zone example.test behind the fake dig: the system resolver knows its
// SOA and NS set and the addresses of ns1 (127.0.1.1) and ns2 (127.0.1.2);
// each server serves what the test says, in dig's long form.

#include "fakedig.h"

#include <QStringList>

namespace Quello::Test {

// One reply as `dig +noall +comments +answer +authority` prints it.
inline QByteArray longReply(const char* status, bool authoritative, const QStringList& answer,
                            const QStringList& authority = {}) {
    QByteArray text = ";; Got answer:\n;; ->>HEADER<<- opcode: QUERY, status: " + QByteArray(status)
                      + ", id: 4242\n;; flags: qr" + (authoritative ? " aa" : " rd ra")
                      + "; QUERY: 1, ANSWER: 1, AUTHORITY: 0, ADDITIONAL: 1\n\n"
                        ";; OPT PSEUDOSECTION:\n; EDNS: version: 0, flags:; udp: 1232\n";
    if (!answer.isEmpty())
        text += ";; ANSWER SECTION:\n" + answer.join(u'\n').toUtf8() + '\n';
    if (!authority.isEmpty())
        text += ";; AUTHORITY SECTION:\n" + authority.join(u'\n').toUtf8() + '\n';
    return text + '\n';
}

inline QByteArray noReply(const char* address, const char* why = "timed out") {
    return ";; communications error to " + QByteArray(address) + "#53: " + why
           + "\n;; no servers could be reached\n";
}

inline QString soaRecord(quint32 serial, int ttl = 300) {
    return QStringLiteral("example.test.\t%1\tIN\tSOA\tns1.example.test. hostmaster.example.test. "
                          "%2 3600 600 86400 300")
        .arg(ttl)
        .arg(serial);
}

struct FakeZone {
    FakeDig& dig;

    void say(const QByteArray& output, const QString& server, const QString& domain = FakeDig::any,
             const QString& type = FakeDig::any, int status = 0) const {
        dig.setAnswer({.output = output, .status = status, .verbatim = true}, server, domain, type);
    }

    static inline const QString ns1 = QStringLiteral("127.0.1.1");
    static inline const QString ns2 = QStringLiteral("127.0.1.2");

    // The resolver finds example.test's servers for `name`; `chain` are the
    // CNAMEs on the way from `name`, each "owner target".
    void publish(const QString& name, const QStringList& chain = {}) const {
        QStringList answer;
        for (const QString& link : chain) {
            const QStringList parts = link.split(u' ');
            answer << parts[0] + QStringLiteral(".\t300\tIN\tCNAME\t") + parts[1] + u'.';
        }
        say(longReply("NOERROR", false, answer, {soaRecord(1)}), QStringLiteral("system"), name,
            QStringLiteral("SOA"));
        say(longReply("NOERROR", false,
                      {QStringLiteral("example.test.\t3600\tIN\tNS\tns2.example.test."),
                       QStringLiteral("example.test.\t3600\tIN\tNS\tns1.example.test.")}),
            QStringLiteral("system"), QStringLiteral("example.test"), QStringLiteral("NS"));
        // One run asks for both names' A and AAAA; only IPv4 exists.
        const QByteArray none = longReply("NOERROR", false, {}, {soaRecord(1)});
        say(longReply("NOERROR", false, {QStringLiteral("ns1.example.test.\t3600\tIN\tA\t") + ns1})
                + none
                + longReply("NOERROR", false,
                            {QStringLiteral("ns2.example.test.\t3600\tIN\tA\t") + ns2})
                + none,
            QStringLiteral("system"), QStringLiteral("ns1.example.test"), QStringLiteral("A"));
    }

    // `server` serves these records of `name` at zone serial `serial`; an
    // empty `rdata` is no such name.
    void serve(const QString& server, const QString& name, const QString& type,
               const QStringList& rdata, quint32 serial) const {
        QStringList answer;
        for (const QString& value : rdata)
            answer << name + QStringLiteral(".\t120\tIN\t") + type + u'\t' + value;
        const QByteArray first = rdata.isEmpty()
                                     ? longReply("NXDOMAIN", true, {}, {soaRecord(serial)})
                                     : longReply("NOERROR", true, answer);
        say(first + longReply("NOERROR", true, {soaRecord(serial)}), server, name, type);
    }
};

} // namespace Quello::Test
