#include "wait/waitcommand.h"

#include "wait/jsonreport.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace Quello {

WaitCommand::WaitCommand(QString digProgram, QObject* parent)
    : QObject(parent)
    , m_digProgram(std::move(digProgram)) {}

// The run goes first: the view watches it.
WaitCommand::~WaitCommand() {
    m_view.reset();
    m_run.reset();
}

std::optional<int> WaitCommand::start(const QStringList& arguments) {
    const auto parsed = CommandLine::parse(arguments);
    if (const auto* refusal = std::get_if<CommandLine::Refusal>(&parsed)) {
        complain(refusal->message);
        return Refused;
    }
    m_options = std::get<CommandLine::Options>(parsed);
    if (m_options.help) {
        std::fputs(CommandLine::helpText().toLocal8Bit().constData(), stdout);
        return Settled;
    }
    if (!QFileInfo(m_digProgram).isExecutable()) {
        complain(tr("cannot run %1: it is missing or not executable (package bind9-dnsutils)")
                     .arg(m_digProgram));
        return DigUnavailable;
    }

    if (m_options.unicodeDomain && !m_options.quiet)
        complain(tr("asking for %1, the ACE form of %2")
                     .arg(m_options.request.domain, *m_options.unicodeDomain));

    m_run = std::make_unique<WaitRun>(m_options.request, m_options.interval, m_options.timeout,
                                      m_digProgram, m_options.source);
    connect(m_run.get(), &WaitRun::finished, this, &WaitCommand::onFinished);
    m_run->start();
    if (!m_options.quiet) {
        const auto mode =
            isatty(fileno(stderr)) ? ProgressView::Mode::Live : ProgressView::Mode::Plain;
        m_view = std::make_unique<ProgressView>(*m_run, mode, stderr);
    }
    return std::nullopt;
}

void WaitCommand::interrupt(int signal) {
    if (!m_run)
        return;
    if (m_view)
        m_view->abandon();
    m_view.reset();
    // The digs belong to the run: destroying it kills and reaps them.
    m_run.reset();
    Q_EMIT finished(Interrupted + signal);
}

void WaitCommand::complain(const QString& message) const {
    // The message may quote what was typed, control characters and all.
    const QString line = QStringLiteral("quello-wait: ") + ProgressView::printable(message);
    std::fputs((line + u'\n').toLocal8Bit().constData(), stderr);
}

void WaitCommand::onFinished(WaitRun::Outcome outcome) {
    if (m_view)
        m_view->finish(outcome);
    if (outcome == WaitRun::Outcome::DigUnavailable) {
        complain(tr("cannot run %1").arg(m_digProgram));
        Q_EMIT finished(DigUnavailable);
        return;
    }
    const bool settled = outcome == WaitRun::Outcome::Settled;
    if (m_options.json) {
        std::fputs(JsonReport::encode(*m_run, settled).constData(), stdout);
        std::fflush(stdout);
    }
    if (outcome == WaitRun::Outcome::SourceUnknown) {
        Q_EMIT finished(SourceUnknown);
        return;
    }
    Q_EMIT finished(settled ? Settled : TimedOut);
}

} // namespace Quello
