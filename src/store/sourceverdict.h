#pragma once

#include "model/watch.h"
#include "query/zoneservers.h"

#include <QList>
#include <QString>

#include <optional>

namespace Quello {

// What the zone's own servers say about a watched record, judged from their
// latest answers: the answer most of them serve and who serves something else.
struct SourceVerdict {
    bool known = false; // at least one server answered
    // The answer key most answering servers serve; none on a tie.
    std::optional<QString> answer;
    int agreeing = 0;              // addresses serving `answer`
    int counted = 0;               // every address, except those this machine has no route to
    std::optional<quint32> serial; // the highest among those serving `answer`
    QList<SourceAnswer> behind;    // counted addresses not serving `answer`

    bool operator==(const SourceVerdict&) const = default;

    static SourceVerdict judge(const QList<SourceAnswer>& answers);

    // Every counted address answered and serves the watch's expected value
    // (for TXT, also as the record's text).
    static bool allServe(const QList<SourceAnswer>& answers, const Watch& watch);
    // Every counted address answered with the same records, and some.
    static bool allAgree(const QList<SourceAnswer>& answers);
};

} // namespace Quello
