#include "wait/commandline.h"

#include "model/acename.h"
#include "model/recordtype.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <array>

namespace Quello {

namespace {

QString quoted(QStringView text) {
    return QStringLiteral("\u201c%1\u201d").arg(text);
}

} // namespace

// The explanation of a name WatchParser::isValidDomain refuses, its tests in
// the same order. The decision stays the parser's.
QString CommandLine::domainRefusal(QStringView name) {
    if (name.size() > 253)
        return tr("%1 is not a domain name: it is longer than 253 characters")
            .arg(quoted(name.left(20).toString() + QStringLiteral("\u2026")));
    if (!name.contains(u'.'))
        return tr("%1 is not a domain name: it has no dot").arg(quoted(name));
    for (const QChar c : name) {
        const bool allowed = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')
                             || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == u'_';
        if (!allowed)
            return tr("%1 is not a domain name: %2 is not allowed in it (only letters, digits, "
                      "\u201c-\u201d, \u201c.\u201d and \u201c_\u201d)")
                .arg(quoted(name), quoted(c.isPrint() ? QString(c)
                                                      : QStringLiteral("\\u%1").arg(
                                                          c.unicode(), 4, 16, QLatin1Char('0'))));
    }
    if (name.startsWith(u'-') || name.startsWith(u'.'))
        return tr("%1 is not a domain name: it begins with %2")
            .arg(quoted(name), quoted(name.left(1)));
    if (name.endsWith(u'.'))
        return tr("%1: write the name without its final dot").arg(quoted(name));
    return tr("%1 is not a domain name").arg(quoted(name));
}

std::optional<CommandLine::Seconds> CommandLine::parseDuration(QStringView text) {
    // A bare number is seconds; otherwise every number has its unit, and
    // "1h30m" or "2m30s" add up.
    static const QRegularExpression form(
        QStringLiteral("^(\\d+)$|^(?:(\\d+)h)?(?:(\\d+)m)?(?:(\\d+)s)?$"));
    const QRegularExpressionMatch match = form.match(text.toString());
    if (text.isEmpty() || !match.hasMatch())
        return std::nullopt;
    static constexpr std::array<qint64, 4> unit{1, 3600, 60, 1};
    qint64 total = 0;
    for (int group = 1; group <= 4; ++group) {
        const QStringView digits = match.capturedView(group);
        if (digits.isEmpty())
            continue;
        // Far beyond the maximum already, and safe from overflow.
        if (digits.size() > 9)
            return std::nullopt;
        total += digits.toLongLong() * unit[static_cast<size_t>(group - 1)];
    }
    if (total <= 0 || total > maximumDuration.count())
        return std::nullopt;
    return Seconds{total};
}

QString CommandLine::lineRefusal(QStringView line) {
    if (WatchParser::parse(line))
        return {};
    static const QRegularExpression separators(QStringLiteral("[ \\t]+"));
    const QStringList words = line.toString().split(separators, Qt::SkipEmptyParts);
    if (words.isEmpty())
        return tr("no domain given");
    if (!WatchParser::isValidDomain(words.first()))
        return domainRefusal(words.first());
    return tr("%1 is not a record type: use A, AAAA, CNAME, MX, TXT or NS")
        .arg(quoted(words.at(1)));
}

std::variant<CommandLine::Options, CommandLine::Refusal>
CommandLine::parse(const QStringList& arguments) {
    Options options;
    QStringList words;
    bool optionsEnded = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            words.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }

        QString name = argument;
        std::optional<QString> value;
        if (const qsizetype equals = argument.indexOf(u'=');
            argument.startsWith(QLatin1String("--")) && equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }
        const auto takeValue = [&]() -> std::optional<QString> {
            if (value)
                return value;
            if (i + 1 < arguments.size())
                return arguments.at(++i);
            return std::nullopt;
        };

        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            options.help = true;
            return options;
        }
        if ((name == QLatin1String("-q") || name == QLatin1String("--quiet")) && !value) {
            options.quiet = true;
        } else if (name == QLatin1String("--json") && !value) {
            options.json = true;
        } else if (name == QLatin1String("--source") && !value) {
            options.source = true;
        } else if (name == QLatin1String("-i") || name == QLatin1String("--interval")
                   || name == QLatin1String("-t") || name == QLatin1String("--timeout")) {
            const bool interval =
                name == QLatin1String("-i") || name == QLatin1String("--interval");
            const QString optionName =
                interval ? QStringLiteral("--interval") : QStringLiteral("--timeout");
            const std::optional<QString> text = takeValue();
            if (!text)
                return Refusal{tr("%1 wants a duration such as 90s, 15m or 1h").arg(optionName)};
            const std::optional<Seconds> duration = parseDuration(*text);
            if (!duration)
                return Refusal{
                    tr("%1 wants a duration from 1s to 7 days, such as 90s, 15m or 1h, not %2")
                        .arg(optionName, quoted(*text))};
            (interval ? options.interval : options.timeout) = *duration;
        } else {
            // Refused, so that a misspelt option never ends up inside the
            // expected value.
            return Refusal{tr("unknown option %1 (see --help; put -- before a line that begins "
                              "with \u201c-\u201d)")
                               .arg(quoted(argument))};
        }
    }

    // Not bound by the panel's parser: a name in its own script is asked for
    // in the form DNS carries, and said so.
    if (!words.isEmpty()) {
        if (const std::optional<QString> ace = AceName::fromUnicode(words.first())) {
            options.unicodeDomain = words.first();
            words.first() = *ace;
        }
    }
    const QString line = words.join(u' ');
    if (const QString refusal = lineRefusal(line); !refusal.isEmpty())
        return Refusal{refusal};
    options.request = *WatchParser::parse(line);
    return options;
}

QString CommandLine::helpText() {
    return tr("Usage: quello-wait [options] DOMAIN [TYPE [EXPECTED VALUE...]]\n"
              "\n"
              "Asks the four resolvers Quello asks (this computer's own, Cloudflare, Google and\n"
              "Quad9) again and again until they all give the same answer, or all match the\n"
              "expected value, then exits. TYPE is A (the default), AAAA, CNAME, MX, TXT or NS.\n"
              "Without an expected value, the answer they agree on must be the one the zone's\n"
              "own servers serve, when those can be found.\n"
              "\n"
              "Options:\n"
              "      --source             wait for the zone's own servers instead: exit once\n"
              "                           every one of them serves the expected value, as a\n"
              "                           certificate authority will see it; the resolvers are\n"
              "                           asked only then, for information\n"
              "  -i, --interval DURATION  time between checks (default 10s, at least 1s)\n"
              "  -t, --timeout DURATION   give up after this long (default 10m)\n"
              "  -q, --quiet              print no progress\n"
              "      --json               print the final state as JSON on standard output\n"
              "  -h, --help               show this text\n"
              "\n"
              "A DURATION is a number of seconds, or a form such as 90s, 15m, 1h or 1h30m.\n"
              "\n"
              "Exit status: 0 settled, 1 timed out, 2 a refused line or option,\n"
              "3 dig cannot be run, 4 with --source: the zone's servers cannot be found or\n"
              "reached, 130 interrupted.\n");
}

} // namespace Quello
