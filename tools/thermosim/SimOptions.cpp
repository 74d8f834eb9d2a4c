#include "SimOptions.h"

#include <cstdlib>
#include <string_view>

const char* const SimUsage =
    "Usage: thermosim [options]\n"
    "Sends ZVK thermometer reading frames (\"*B1E1+025.6\" CR LF) to every client.\n"
    "  --address A   loopback address to listen on (default 127.0.0.1; 127.0.0.0/8 only)\n"
    "  --port P      port (default 10001; 0 picks a free one)\n"
    "  --value V     fixed reading instead of a slowly drifting one\n"
    "  --bytes S     send exactly S instead of a frame (escapes \\r \\n \\t \\0 \\\\ \\xNN);\n"
    "                given more than once, the messages are sent in turn, from the first\n"
    "                for each client, starting again after the last\n"
    "  --interval MS time between sends (default 1000)\n"
    "  --frames N    close each client after N sends\n"
    "  --burst N     send N bytes (0, 1, ... 255, 0, ...) right after accepting\n"
    "  --silent      send no frames\n"
    "  --reset       end each client (after --frames) with a reset instead of a close\n"
    "  --devices N   serve N thermometers, each with its own drifting reading, on\n"
    "                consecutive ports from --port (0: any free ones)\n"
    "  --ports-per-address K  with --devices, K ports per address, then the same\n"
    "                ports on the next loopback address (127.0.0.1, 127.0.0.2, ...)\n"
    "  --help        this text\n"
    "The first line on standard output is the port listened on; with --devices, one line\n"
    "per device, ADDRESS:PORT, in order.\n";

namespace {
bool ToLong(const char* text, long min, long& out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < min)
        return false;
    out = v;
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

bool Unescape(const std::string& text, std::string& bytes)
{
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case 'r':
            bytes += '\r';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case '0':
            bytes += '\0';
            break;
        case '\\':
            bytes += '\\';
            break;
        case 'x': {
            if (i + 2 >= text.size())
                return false;
            const int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            bytes += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

std::optional<SimOptions> ParseSimOptions(int argc, char** argv, std::string& error)
{
    SimOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        const char* value = hasValue ? argv[i + 1] : "";
        long n = 0;
        if (arg == "--help") {
            o.Help = true;
            continue;
        }
        if (arg == "--silent") {
            o.Silent = true;
            continue;
        }
        if (arg == "--reset") {
            o.Reset = true;
            continue;
        }
        if (!hasValue) {
            error = "missing value or unknown option: " + std::string(arg);
            return std::nullopt;
        }
        ++i;
        if (arg == "--address") {
            o.Address = value;
        } else if (arg == "--port" && ToLong(value, 0, n) && n <= 65535) {
            o.Port = static_cast<int>(n);
        } else if (arg == "--value") {
            char* end = nullptr;
            o.Value = std::strtod(value, &end);
            if (!*value || *end) {
                error = "bad --value: " + std::string(value);
                return std::nullopt;
            }
        } else if (arg == "--bytes") {
            std::string bytes;
            if (!Unescape(value, bytes)) {
                error = "bad escape in --bytes: " + std::string(value);
                return std::nullopt;
            }
            o.Script.push_back(bytes);
        } else if (arg == "--interval" && ToLong(value, 1, n) && n <= 3600000) {
            o.IntervalMs = static_cast<int>(n);
        } else if (arg == "--frames" && ToLong(value, 0, n)) {
            o.Frames = n;
        } else if (arg == "--burst" && ToLong(value, 0, n)) {
            o.Burst = n;
        } else if (arg == "--devices" && ToLong(value, 1, n) && n <= 1000000) {
            o.Devices = n;
        } else if (arg == "--ports-per-address" && ToLong(value, 1, n) && n <= 65535) {
            o.PortsPerAddress = n;
        } else {
            error = "bad option or value: " + std::string(arg) + " " + value;
            return std::nullopt;
        }
    }
    return o;
}
