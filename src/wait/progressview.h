#pragma once

#include "wait/waitrun.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace Quello {

// The run's progress on standard error. On a terminal: one line per resolver
// and a line of time, redrawn in place every second. Otherwise, for logs: one
// plain line whenever a resolver's answer changes, and no control sequences.
class ProgressView : public QObject {
    Q_OBJECT

public:
    enum class Mode { Live, Plain };

    ProgressView(const WaitRun& run, Mode mode, std::FILE* stream, QObject* parent = nullptr);

    // The last state and a closing line saying how the run ended.
    void finish(WaitRun::Outcome outcome);
    // Leaves the cursor below the live lines, as it was found.
    void abandon();

    static QString duration(WaitRun::Milliseconds time);
    // Control characters from an answer shown as escapes, never sent as they are.
    static QString printable(const QString& text);

private:
    QString answer(const Resolver& resolver) const;
    QString statusWord(const Resolver& resolver) const;
    // "cached 1 min 42 s more" for a lagging resolver whose cache says so.
    QString cached(const Resolver& resolver) const;
    QString etaText() const;
    void printEta();
    QString resolverLine(const Resolver& resolver) const;
    QString sourceLine() const;
    QString timeLine() const;
    void printSource();
    QString lagging() const;
    void printChange(const QString& resolverId);
    void redraw();
    void write(const QString& text);

    const WaitRun& m_run;
    Mode m_mode;
    std::FILE* m_stream;
    QTimer m_tick;
    int m_drawnLines = 0;
    int m_columns = 80;
    std::optional<Instant> m_printedEta;
};

} // namespace Quello
