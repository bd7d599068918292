#include "StopSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int wakePipe[2] = {-1, -1};

void onSignal(int signal)
{
    const char number = static_cast<char>(signal);
    // Nothing else is safe here; a full pipe only loses a repeat.
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &number, 1);
}

void handle(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

StopSignals::StopSignals()
{
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char number = 0;
        while (::read(wakePipe[0], &number, 1) == 1) {
            if (received_) continue;
            received_ = number;
            // The next one is not waited for.
            handle(SIGINT, SIG_DFL);
            handle(SIGTERM, SIG_DFL);
            Q_EMIT stopRequested(received_);
        }
    });
    handle(SIGINT, onSignal);
    handle(SIGTERM, onSignal);
}

StopSignals::~StopSignals()
{
    handle(SIGINT, SIG_DFL);
    handle(SIGTERM, SIG_DFL);
}
