#include "wait/progressview.h"

#include "model/resolver.h"
#include "store/sourcetext.h"
#include "store/statustext.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <sys/ioctl.h>
#include <unistd.h>

namespace Quello {

namespace {

QString typeAndDomain(const Watch& watch) {
    QString text = watch.domain + u' ' + rawValue(watch.recordType);
    if (watch.expected)
        text += u' ' + *watch.expected;
    return ProgressView::printable(text);
}

// "This computer" and the rest, padded to the longest name.
qsizetype nameWidth() {
    qsizetype width = 0;
    for (const Resolver& resolver : Resolver::all())
        width = std::max(width, resolver.name.size());
    return width;
}

} // namespace

ProgressView::ProgressView(const WaitRun& run, Mode mode, std::FILE* stream, QObject* parent)
    : QObject(parent)
    , m_run(run)
    , m_mode(mode)
    , m_stream(stream) {
    if (m_mode == Mode::Plain) {
        connect(&run, &WaitRun::resultChanged, this, &ProgressView::printChange);
        connect(&run, &WaitRun::sourceChanged, this, &ProgressView::printSource);
        connect(&run, &WaitRun::checked, this, &ProgressView::printEta);
        return;
    }
    winsize size{};
    if (ioctl(fileno(m_stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        m_columns = size.ws_col;
    connect(&run, &WaitRun::checked, this, &ProgressView::redraw);
    // The times since the last change and the elapsed time move on their own.
    connect(&m_tick, &QTimer::timeout, this, &ProgressView::redraw);
    m_tick.start(std::chrono::seconds{1});
    redraw();
}

QString ProgressView::duration(WaitRun::Milliseconds time) {
    const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(time).count();
    if (seconds < 60)
        return QStringLiteral("%1s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1m%2s")
            .arg(seconds / 60)
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1h%2m")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
}

QString ProgressView::printable(const QString& text) {
    QString shown;
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString ProgressView::answer(const Resolver& resolver) const {
    const auto it = m_run.results().constFind(resolver.id);
    // Under --source the caches are left alone until the servers agree.
    if (it == m_run.results().cend())
        return m_run.isSourceOnly() ? tr("not asked yet") : tr("no answer yet");
    if (it->failed || it->values.isEmpty()) {
        // The status says which kind of nothing it is, when dig told it.
        if (const auto words = StatusText::answerStatus(it->status.value_or(
                it->failed ? AnswerStatus::QueryFailed : AnswerStatus::NoError)))
            return *words;
        return tr("no records");
    }
    return printable(Consensus::answerKey(*it));
}

QString ProgressView::cached(const Resolver& resolver) const {
    const auto it = m_run.results().constFind(resolver.id);
    if (it == m_run.results().cend())
        return {};
    const std::optional<Instant> expiry = Consensus::expiry(*it);
    if (!expiry
        || !Consensus::isLagging(m_run.watch(), m_run.results(), resolver, m_run.sourceVerdict()))
        return {};
    return StatusText::cachedFor(*expiry, WaitRun::now());
}

QString ProgressView::etaText() const {
    const std::optional<Instant> eta = m_run.eta();
    return eta ? tr("ETA %1").arg(StatusText::eta(*eta, WaitRun::now())) : QString();
}

QString ProgressView::statusWord(const Resolver& resolver) const {
    if (m_run.isSourceOnly() && !m_run.results().contains(resolver.id))
        return {};
    switch (Consensus::status(m_run.watch(), m_run.results(), resolver, m_run.sourceVerdict())) {
    case ResolverStatus::Ok:
        return tr("ok");
    case ResolverStatus::Problem:
        return tr("problem");
    case ResolverStatus::Waiting:
        break;
    }
    return tr("waiting");
}

QString ProgressView::resolverLine(const Resolver& resolver) const {
    QString since;
    if (const auto changed = m_run.changedAt(resolver.id))
        since = tr("changed %1 ago").arg(duration(m_run.elapsed() - *changed));
    if (const QString cache = cached(resolver); !cache.isEmpty())
        since = since.isEmpty() ? cache : since + QStringLiteral(", ") + cache;
    const QString head = resolver.name.leftJustified(nameWidth()) + QStringLiteral("  ");
    const QString tail = QStringLiteral("  ") + statusWord(resolver).leftJustified(8) + since;
    // One screen line each, or the redraw would climb too few lines.
    QString text = answer(resolver);
    const qsizetype room = std::max<qsizetype>(8, m_columns - 1 - head.size() - tail.size());
    if (text.size() > room)
        text = text.left(room - 1) + QStringLiteral("\u2026");
    return (head + text.leftJustified(std::min<qsizetype>(room, 24)) + tail).left(m_columns - 1);
}

QString ProgressView::sourceLine() const {
    const QString head = tr("Source").leftJustified(nameWidth()) + QStringLiteral("  ");
    return (head + printable(SourceText::details(m_run.watch(), m_run.source())))
        .left(m_columns - 1);
}

void ProgressView::printSource() {
    write(QStringLiteral("%1 %2: %3\n")
              .arg(duration(m_run.elapsed()), tr("Source"),
                   printable(SourceText::details(m_run.watch(), m_run.source()))));
}

QString ProgressView::timeLine() const {
    QString state = m_run.isChecking() ? tr("checking") : QString();
    if (const auto next = m_run.nextCheckIn())
        state = tr("next check in %1").arg(duration(*next + std::chrono::milliseconds{999}));
    QString line = tr("%1: %2 of %3")
                       .arg(typeAndDomain(m_run.watch()), duration(m_run.elapsed()),
                            duration(m_run.timeout()));
    if (!state.isEmpty())
        line += QStringLiteral(", ") + state;
    if (const QString eta = etaText(); !eta.isEmpty())
        line += QStringLiteral(", ") + eta;
    return line.left(m_columns - 1);
}

QString ProgressView::lagging() const {
    QStringList parts;
    const QString blocker = SourceText::blocker(m_run.watch(), m_run.source(), m_run.results());
    if (!blocker.isEmpty())
        parts.append(tr("%1: %2").arg(tr("Source"), blocker));
    if (m_run.isSourceOnly())
        return parts.isEmpty() ? SourceText::details(m_run.watch(), m_run.source())
                               : parts.join(QStringLiteral("; "));
    for (const Resolver& resolver :
         Consensus::lagging(m_run.watch(), m_run.results(), m_run.sourceVerdict()))
        parts.append(tr("%1: %2").arg(resolver.name, answer(resolver)));
    return parts.join(QStringLiteral("; "));
}

void ProgressView::printChange(const QString& resolverId) {
    const auto resolver = std::find_if(Resolver::all().cbegin(), Resolver::all().cend(),
                                       [&](const Resolver& r) { return r.id == resolverId; });
    if (resolver == Resolver::all().cend())
        return;
    QString state = statusWord(*resolver);
    if (const QString cache = cached(*resolver); !cache.isEmpty())
        state += QStringLiteral(", ") + cache;
    write(QStringLiteral("%1 %2: %3 (%4)\n")
              .arg(duration(m_run.elapsed()), resolver->name, answer(*resolver), state));
}

void ProgressView::printEta() {
    // Whenever a check moves the time the last cache turns, by a second or more.
    const std::optional<Instant> eta = m_run.eta();
    if (!eta || (m_printedEta && std::abs(*eta - *m_printedEta) < 1.0))
        return;
    m_printedEta = eta;
    write(QStringLiteral("%1 %2\n").arg(duration(m_run.elapsed()), etaText()));
}

void ProgressView::redraw() {
    QString text;
    // Back to the first line drawn, then each line cleared and drawn again.
    if (m_drawnLines > 0)
        text += QStringLiteral("\r\x1b[%1A").arg(m_drawnLines);
    text += QStringLiteral("\x1b[2K") + sourceLine() + u'\n';
    for (const Resolver& resolver : Resolver::all())
        text += QStringLiteral("\x1b[2K") + resolverLine(resolver) + u'\n';
    text += QStringLiteral("\x1b[2K") + timeLine() + u'\n';
    m_drawnLines = static_cast<int>(Resolver::all().size()) + 2;
    write(text);
}

void ProgressView::finish(WaitRun::Outcome outcome) {
    m_tick.stop();
    if (m_mode == Mode::Live)
        redraw();
    const QString what = typeAndDomain(m_run.watch());
    const QString time = duration(m_run.elapsed());
    switch (outcome) {
    case WaitRun::Outcome::Settled:
        if (m_run.isSourceOnly()) {
            write(
                tr("%1: every server of the zone serves it after %2: %3\n")
                    .arg(what, time, printable(m_run.sourceVerdict().answer.value_or(QString()))));
            break;
        }
        write(tr("%1 settled after %2: %3\n")
                  .arg(what, time,
                       printable(
                           Consensus::value(m_run.watch(), m_run.results()).value_or(QString()))));
        break;
    case WaitRun::Outcome::TimedOut:
        write(tr("quello-wait: %1 did not settle within %2; still lagging: %3\n")
                  .arg(what, duration(m_run.timeout()), lagging()));
        break;
    case WaitRun::Outcome::SourceUnknown:
        write(tr("quello-wait: %1: the zone's servers cannot be found or reached (%2)\n")
                  .arg(what, SourceText::details(m_run.watch(), m_run.source())));
        break;
    case WaitRun::Outcome::DigUnavailable:
        break; // the caller says it
    }
}

void ProgressView::abandon() {
    m_tick.stop();
}

void ProgressView::write(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), m_stream);
    std::fflush(m_stream);
}

} // namespace Quello
