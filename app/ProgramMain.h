#pragma once

// The program's life from start to exit: module starts, the application, the main window,
// the event loop, and shutdown in reverse order. Returns the process's exit code: 0 after
// the main window was closed, 1 after a start-up failure shown by the last-chance report.
int RunProgram(int& argc, char** argv);
