#include "SessionEnd.h"

#include "Application.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {
int WakeFds[2] = {-1, -1};
std::unique_ptr<QSocketNotifier> Notifier;

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(WakeFds[1], &byte, 1);
}
} // namespace

void InstallSessionEndHandler()
{
    if (pipe2(WakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    Notifier = std::make_unique<QSocketNotifier>(WakeFds[0], QSocketNotifier::Read);
    QObject::connect(Notifier.get(), &QSocketNotifier::activated, [] {
        char buffer[16];
        while (read(WakeFds[0], buffer, sizeof buffer) > 0) {
        }
        if (Application)
            Application->Halt();
    });
    // The session manager closes the windows once the session ends; that must not run the
    // close sequence either.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp, [](QSessionManager&) {
        if (Application)
            Application->SetSessionEnding(true);
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}

void RemoveSessionEndHandler()
{
    signal(SIGTERM, SIG_DFL);
    Notifier.reset();
    for (int& fd : WakeFds) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}
