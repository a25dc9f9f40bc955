#include "wait/signalpipe.h"

#include <array>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace Quello {

namespace {

std::array<int, 2> descriptors{-1, -1};
constexpr std::array<int, 2> handledSignals{SIGINT, SIGTERM};

void onSignal(int signal) {
    const unsigned char number = static_cast<unsigned char>(signal);
    // Nothing to do if it fails: the pipe is full of signals already.
    [[maybe_unused]] const ssize_t written = ::write(descriptors[1], &number, 1);
}

} // namespace

SignalPipe::SignalPipe(QObject* parent)
    : QObject(parent) {
    // Close-on-exec: the dig children must not hold the pipe.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, descriptors.data())
        != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(descriptors[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalPipe::readSignal);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handledSignals)
        sigaction(signal, &action, nullptr);
}

SignalPipe::~SignalPipe() {
    if (!m_notifier)
        return;
    for (const int signal : handledSignals)
        std::signal(signal, SIG_DFL);
    m_notifier.reset();
    ::close(descriptors[0]);
    ::close(descriptors[1]);
    descriptors = {-1, -1};
}

void SignalPipe::readSignal() {
    unsigned char number = 0;
    if (::read(descriptors[0], &number, 1) == 1)
        Q_EMIT received(number);
}

} // namespace Quello
