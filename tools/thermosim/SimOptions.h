#pragma once

#include <optional>
#include <string>
#include <vector>

// Command line of the thermometer simulator.
struct SimOptions {
    std::string Address = "127.0.0.1";
    int Port = 10001;            // 0: any free port
    std::optional<double> Value; // fixed reading instead of the drifting one
    // Exact messages to send instead of frames: each client gets them in turn from the
    // first, one per interval, starting again after the last.
    std::vector<std::string> Script;
    int IntervalMs = 1000;
    long Frames = -1;    // close each client after that many sends; -1: never
    long Burst = 0;      // bytes sent at once after accepting a client
    bool Silent = false; // send no frames at all
    bool Reset = false;  // end a client with a reset instead of a close
    bool Help = false;
    // Many thermometers from one process: Devices > 0 serves that many, each on its own
    // listener, on consecutive ports from Port, moving to the next loopback address after
    // PortsPerAddress of them (0: all on Address). Each device drifts on its own.
    long Devices = 0;
    long PortsPerAddress = 0;
};

extern const char* const SimUsage;

// Parses argv; on a bad option returns nothing and sets error.
std::optional<SimOptions> ParseSimOptions(int argc, char** argv, std::string& error);
// Turns \r \n \t \0 \\ and \xNN into bytes; false on a malformed escape.
bool Unescape(const std::string& text, std::string& bytes);
