// Prints the whole cost of the main window's poll per frame: read, parse, panel and title,
// and with the repaint that follows, for a reading that changes at every frame and for one
// that stays the same. The window runs on the offscreen platform unless another one is
// asked for, so the taskbar text costs no X11 request here (measure.sh counts those).
// Times are the thread's CPU time. A benchmark, not a test: it asserts nothing.
#include "IdIOHandlerSocket.h"
#include "IdTCPClient.h"
#include "LoopbackPeer.h"
#include "ModalRunner.h"
#include "ProgramMain.h"
#include "Timer.h"
#include "uf_ZVKdemo.h"

#include <QApplication>
#include <QByteArray>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
void WaitForBytes(TIdTCPClient& client, int count)
{
    const int fd = ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding()->Handle();
    int waiting = 0;
    while (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting < count)
        std::this_thread::yield();
}

double CpuMicros()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One frame waiting each time. With `changing` every frame carries a new reading, so the
// panel and the title change; `repaint` adds the event processing that repaints the panel.
double PollCost(TfZVKTeplomer& window, int peer, bool changing, bool repaint)
{
    const QByteArray frames[] = {"*B1E1+025.6\r\n", "*B1E1+025.7\r\n"};
    std::vector<double> micros;
    for (int i = 0; i < 2000; ++i) {
        const QByteArray& frame = frames[changing ? i % 2 : 0];
        SendAll(peer, frame);
        WaitForBytes(*window.IdTCPClient1, static_cast<int>(frame.size()));
        const double start = CpuMicros();
        window.Timer1Timer(window.Timer1);
        if (repaint)
            QCoreApplication::processEvents();
        micros.push_back(CpuMicros() - start);
    }
    return Median(micros);
}

void PollCosts()
{
    // A message (no language file beside the benchmark) is answered at once.
    SetModalRunner([](QDialog&) { return 0; });
    TProgramModules program;
    program.CreateMainWindow()->Show();
    QCoreApplication::processEvents();
    {
        LoopbackListener listener;
        // Connecting polls once: a read time-out.
        const int peer = ConnectToListener(*fZVKTeplomer->IdTCPClient1, listener, 2500);
        fZVKTeplomer->Timer1->SetEnabled(false); // the benchmark polls by itself
        for (const bool repaint : {false, true})
            for (const bool changing : {true, false})
                std::printf("poll (read + parse + panel + title%s), %s reading: median %.2f us "
                            "CPU\n",
                            repaint ? " + repaint" : "", changing ? "changing" : "unchanging",
                            PollCost(*fZVKTeplomer, peer, changing, repaint));
        fZVKTeplomer->IdTCPClient1->CloseConnection();
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PollCosts();
    return 0;
}
