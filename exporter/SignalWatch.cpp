#include "SignalWatch.h"

#include "ExceptionGuard.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
sigset_t Watched()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}
} // namespace

TSignalWatch::TSignalWatch(std::function<void(int)> onSignal) : FOnSignal(std::move(onSignal))
{
    const sigset_t set = Watched();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    FFd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

TSignalWatch::~TSignalWatch()
{
    FNotifier.reset();
    if (FFd >= 0)
        ::close(FFd);
}

void TSignalWatch::Watch()
{
    if (FFd < 0)
        return;
    FNotifier = std::make_unique<QSocketNotifier>(FFd, QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] {
        GuardedCall([this] {
            signalfd_siginfo info{};
            while (::read(FFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
                FOnSignal(static_cast<int>(info.ssi_signo));
        });
    });
}
