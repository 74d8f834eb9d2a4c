#pragma once

#include <functional>

// The one guard every handler of the bridge runs in: an escaping exception is reported on
// standard error and the loop goes on. Returns false when the handler raised.
bool BridgeGuarded(const std::function<void()>& handler);
