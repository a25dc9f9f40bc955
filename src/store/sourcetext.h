#pragma once

#include "model/watch.h"
#include "store/consensus.h"
#include "store/sourcebook.h"

#include <QCoreApplication>
#include <QString>

namespace Quello {

// The words for the source, the same in the panel, for screen readers and in
// quello-wait.
class SourceText {
    Q_DECLARE_TR_FUNCTIONS(Quello::SourceText)

public:
    // What follows "Source" in the details: the served value, how many servers
    // serve it and the zone's serial; or why there is no such value.
    static QString details(const Watch& watch, const SourceBook::Entry* source);

    // What keeps the watch pending when the caches are not to blame: the
    // value is not published, the servers disagree, or the resolvers agree on
    // the answer being replaced. Empty otherwise.
    static QString blocker(const Watch& watch, const SourceBook::Entry* source,
                           const Consensus::ResultMap& results);

    static QString problem(SourceAnswer::Problem problem);
    // "ns2" for ns2.example.test in example.test; other names whole.
    static QString serverName(const SourceServer& server, const ZoneServers& zone);
    static QString answerText(const QStringList& values);

private:
    static QString disagreement(const Watch& watch, const SourceBook::Entry& source,
                                const SourceVerdict& verdict);
};

} // namespace Quello
