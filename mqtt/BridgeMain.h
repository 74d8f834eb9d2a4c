#pragma once

// The whole program: options, configuration, the bridge on the event loop. Returns the exit
// status: 0, 1 when the bridge cannot start, 2 for bad usage or a bad configuration.
int RunBridge(int argc, char** argv);
