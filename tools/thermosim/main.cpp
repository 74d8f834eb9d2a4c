// thermosim: a stand-in for a ZVK network thermometer on a loopback address.
#include "SimServer.h"

#include <csignal>
#include <cstdio>

namespace {
volatile std::sig_atomic_t StopRequested = 0;

void OnStopSignal(int)
{
    StopRequested = 1;
}
} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = ParseSimOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "thermosim: %s\n%s", error.c_str(), SimUsage);
        return 2;
    }
    if (options->Help) {
        std::fputs(SimUsage, stdout);
        return 0;
    }
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal; // no SA_RESTART: epoll_wait() returns at once
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SimServer server(*options);
    if (!server.Listen(error)) {
        std::fprintf(stderr, "thermosim: %s\n", error.c_str());
        return 1;
    }
    if (options->Devices > 0) {
        for (const std::string& endpoint : server.Endpoints())
            std::printf("%s\n", endpoint.c_str());
    } else {
        std::printf("%d\n", server.BoundPort());
    }
    std::fflush(stdout);
    server.Run(StopRequested);
    return 0;
}
