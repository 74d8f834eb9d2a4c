#include "SessionEnd.h"

#include "Application.h"

#include <QCoreApplication>
#include <QEvent>
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

// The session manager's final word (after every program agreed) reaches the application as
// a quit request, which Qt would answer by closing every window. The program never asks
// itself to quit that way (it ends its loop with exit()), so such a request is the end of
// the session: halt instead. A log-off that is called off sends no such request.
class TQuitRequestFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == qApp && event->type() == QEvent::Quit) {
            if (Application)
                Application->Halt();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};
std::unique_ptr<TQuitRequestFilter> QuitFilter;
} // namespace

void InstallSessionEndHandler()
{
    QuitFilter = std::make_unique<TQuitRequestFilter>();
    qApp->installEventFilter(QuitFilter.get());
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
    QuitFilter.reset();
    for (int& fd : WakeFds) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}
