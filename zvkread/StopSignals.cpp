#include "StopSignals.h"

#include <cerrno>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

TStopSignals::TStopSignals()
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, &FOldMask);
    FFd = signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);
    // Without the descriptor a blocked signal would never be seen: leave them to their
    // default action instead.
    if (FFd < 0)
        pthread_sigmask(SIG_SETMASK, &FOldMask, nullptr);
}

// The signals stay blocked: unblocking one that came while the program was ending would
// kill it and turn its clean exit into a death by signal.
TStopSignals::~TStopSignals()
{
    if (FFd >= 0)
        ::close(FFd);
}

bool TStopSignals::WaitUntil(std::chrono::steady_clock::time_point deadline)
{
    using namespace std::chrono;
    for (;;) {
        const auto left = ceil<milliseconds>(deadline - steady_clock::now()).count();
        pollfd fd{FFd, POLLIN, 0};
        const int n = ::poll(&fd, 1, static_cast<int>(left > 0 ? left : 0));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}
