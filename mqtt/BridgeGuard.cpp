#include "BridgeGuard.h"

#include <cstdio>
#include <exception>

bool BridgeGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zvk-mqtt: %s\n", e.what());
    } catch (...) {
        std::fputs("zvk-mqtt: External exception\n", stderr);
    }
    return false;
}
