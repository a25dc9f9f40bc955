#pragma once

#include "model/watchparser.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <chrono>
#include <optional>
#include <variant>

namespace Quello {

// quello-wait's arguments: options anywhere before "--", and the words of one
// watch line in the tray's own grammar.
class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(Quello::CommandLine)

public:
    using Seconds = std::chrono::seconds;

    static constexpr Seconds defaultInterval{10};
    static constexpr Seconds defaultTimeout{600};
    // Far beyond any propagation, and small enough for every timer.
    static constexpr Seconds maximumDuration{7 * 24 * 3600};

    struct Options {
        WatchRequest request;
        Seconds interval = defaultInterval;
        Seconds timeout = defaultTimeout;
        bool quiet = false;
        bool json = false;
        bool source = false; // the zone's servers decide, not the resolvers
        bool help = false;   // nothing else is looked at
        // The domain as given, when it was converted to its ACE form.
        std::optional<QString> unicodeDomain;

        bool operator==(const Options&) const = default;
    };

    // What is wrong, in one line for the user.
    struct Refusal {
        QString message;

        bool operator==(const Refusal&) const = default;
    };

    // `arguments` without the program name.
    static std::variant<Options, Refusal> parse(const QStringList& arguments);

    // "90", "90s", "15m", "1h", "1h30m"; nothing for anything else, zero included.
    static std::optional<Seconds> parseDuration(QStringView text);

    // Why WatchParser refuses this line; empty when it does not.
    static QString lineRefusal(QStringView line);

    static QString helpText();

private:
    static QString domainRefusal(QStringView name);
};

} // namespace Quello
