// Running a conversion in a child process, under limits, and telling how it ended.
#include "document/formats/ChildConversion.h"

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Present only when the program is built with a sanitizer (the fuzz build).
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace korvane {

namespace {

// Exit codes of the child. Anything else (a sanitizer's report exits with 1,
// for instance) counts as a crash.
constexpr int kChildConverted = 0;
constexpr int kChildRefused = 3;

// Memory the child may take beyond what it inherits. The libraries need a few
// megabytes for a normal file; a damaged size field can make them ask for
// gigabytes, and then it is better that the allocation fails in the child.
constexpr rlim_t kChildExtraAddressSpace = rlim_t(2) << 30;

// The child's own CPU limit, in case the parent dies and cannot kill it.
constexpr rlim_t kChildCpuSeconds = 60;

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

// Virtual memory size of this process in bytes, read without allocating.
rlim_t currentAddressSpace()
{
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[64] = {};
    const ssize_t length = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (length <= 0)
        return 0;
    rlim_t pages = 0;
    for (const char *c = text; *c >= '0' && *c <= '9'; ++c)
        pages = pages * 10 + rlim_t(*c - '0');
    return pages * rlim_t(::sysconf(_SC_PAGESIZE));
}

[[noreturn]] void runChild(const ChildConversion &convert, int out)
{
    // A crash must end the child as a crash: handlers inherited from the
    // parent (a test framework's, a crash reporter's) would run the parent's
    // code here and might exit normally.
    for (int crash : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS, SIGPIPE}) {
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        ::sigaction(crash, &fallback, nullptr);
    }
    // Likewise a sanitizer's death callback: a fuzzer's would record the
    // parent's current input as a crash of the parent.
    if (&__sanitizer_set_death_callback != nullptr)
        __sanitizer_set_death_callback(nullptr);
    // Die with the parent rather than linger after it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const rlimit cpu{kChildCpuSeconds, kChildCpuSeconds};
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (const rlim_t used = currentAddressSpace(); used > 0) {
        const rlimit memory{used + kChildExtraAddressSpace, used + kChildExtraAddressSpace};
        ::setrlimit(RLIMIT_AS, &memory);
    }

    std::string svg;
    const bool converted = convert(svg);
    if (converted && !writeAll(out, svg.data(), svg.size()))
        ::_exit(kChildRefused);
    // _exit: the atexit handlers and static destructors belong to the parent.
    ::_exit(converted ? kChildConverted : kChildRefused);
}

qint64 millisecondsLeft(std::chrono::steady_clock::time_point deadline)
{
    using namespace std::chrono;
    return std::max<qint64>(0, duration_cast<milliseconds>(deadline - steady_clock::now()).count());
}

// Waits for the child to end, killing it at the deadline. Returns its status,
// or -1 when it had to be killed.
int reapChild(pid_t child, std::chrono::steady_clock::time_point deadline)
{
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return status;
        if (done < 0 && errno != EINTR)
            // Reaped elsewhere (SIGCHLD ignored): the status is lost. Its
            // SVG is taken as it is; a child that died half way leaves
            // unfinished XML, which is refused when it is read.
            return 0;
        if (millisecondsLeft(deadline) == 0) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        ::usleep(2000);
    }
}

} // namespace

SvgConversion convertInChild(const ChildConversion &convert, std::chrono::milliseconds timeLimit,
                             qsizetype maxSvgBytes)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {ConversionOutcome::Refused, {}};

    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return {ConversionOutcome::Refused, {}};
    }
    if (child == 0) {
        ::close(fds[0]);
        runChild(convert, fds[1]);
    }
    ::close(fds[1]);

    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    SvgConversion result;
    bool timedOut = false;
    bool tooLarge = false;
    char buffer[65536];
    for (;;) {
        pollfd readable{fds[0], POLLIN, 0};
        const qint64 left = millisecondsLeft(deadline);
        const int ready = ::poll(&readable, 1, int(std::min<qint64>(left, 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0) {
            if (millisecondsLeft(deadline) == 0) {
                timedOut = true;
                break;
            }
            continue;
        }
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            break;
        }
        if (got == 0)
            break; // the child closed its end, normally by exiting
        if (result.svg.size() + got > maxSvgBytes) {
            tooLarge = true;
            break;
        }
        result.svg.append(buffer, got);
    }
    ::close(fds[0]);

    if (timedOut || tooLarge) {
        ::kill(child, SIGKILL);
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return {timedOut ? ConversionOutcome::TimedOut : ConversionOutcome::TooLarge, {}};
    }

    const int status = reapChild(child, deadline);
    if (status == -1)
        return {ConversionOutcome::TimedOut, {}};
    if (WIFEXITED(status) && WEXITSTATUS(status) == kChildConverted) {
        result.outcome = ConversionOutcome::Converted;
        return result;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kChildRefused)
        return {ConversionOutcome::Refused, {}};
    return {ConversionOutcome::Crashed, {}};
}

} // namespace korvane
