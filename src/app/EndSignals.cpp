#include "app/EndSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace korvane {

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void onEndSignal(int)
{
    // Only what a signal handler may do: one byte into the pipe.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void watchEndSignals(QObject *context, std::function<void()> beforeEnd)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, beforeEnd = std::move(beforeEnd)] {
                         char bytes[16];
                         while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
                         }
                         notifier->setEnabled(false);
                         beforeEnd();
                         // Every event loop, the modal boxes' too, returns.
                         QCoreApplication::exit(0);
                     });
    struct sigaction action = {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

} // namespace korvane
