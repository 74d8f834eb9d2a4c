#include "DaemonSignals.h"

#include "ExceptionGuard.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

TDaemonSignals::TDaemonSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    FFd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

TDaemonSignals::~TDaemonSignals()
{
    FNotifier.reset();
    if (FFd >= 0)
        ::close(FFd);
}

void TDaemonSignals::Watch(std::function<void(int signal)> onStop, std::function<void()> onReload)
{
    if (FFd < 0)
        return;
    FNotifier = std::make_unique<QSocketNotifier>(FFd, QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated,
                     [this, onStop = std::move(onStop), onReload = std::move(onReload)] {
                         GuardedCall([&] {
                             signalfd_siginfo info{};
                             while (::read(FFd, &info, sizeof info) ==
                                    static_cast<ssize_t>(sizeof info)) {
                                 if (info.ssi_signo == SIGHUP)
                                     onReload();
                                 else
                                     onStop(static_cast<int>(info.ssi_signo));
                             }
                         });
                     });
}
