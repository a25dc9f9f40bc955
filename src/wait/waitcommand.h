#pragma once

#include "wait/commandline.h"
#include "wait/progressview.h"
#include "wait/waitrun.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace Quello {

// quello-wait from its arguments to its exit status: refuses what it cannot
// use before any dig runs, then waits, reports and says how it ended.
class WaitCommand : public QObject {
    Q_OBJECT

public:
    enum ExitStatus {
        Settled = 0,
        TimedOut = 1,
        Refused = 2,
        DigUnavailable = 3,
        SourceUnknown = 4, // --source only: no zone servers found or reached
        Interrupted = 128, // plus the signal's number
    };

    // `digProgram` is dig's path; tests pass a fake one.
    explicit WaitCommand(QString digProgram, QObject* parent = nullptr);
    ~WaitCommand() override;

    // The exit status when the command ends at once (help, a refusal, no
    // dig); otherwise none, and `finished` follows.
    std::optional<int> start(const QStringList& arguments);
    // Stops every dig under way, and waits for it, before `finished`.
    void interrupt(int signal);

Q_SIGNALS:
    void finished(int exitStatus);

private:
    void complain(const QString& message) const;
    void onFinished(WaitRun::Outcome outcome);

    QString m_digProgram;
    CommandLine::Options m_options;
    std::unique_ptr<WaitRun> m_run;
    std::unique_ptr<ProgressView> m_view;
};

} // namespace Quello
