#pragma once

#include <memory>

class TApplication;
class TScreen;
class TfZVKTeplomer;

// The program's process-wide objects, made in start-up order: the screen, the application,
// the translation engine, the main window's module (its stored layout registered unless left
// out, its language file name empty) and the application's title. Destroying it destroys the
// windows first, then the modules in reverse order. The program, the tests that build the main
// window in their own process, the fuzz target and the benchmarks all start through it; the
// toolkit's application object must exist first.
class TProgramModules {
public:
    explicit TProgramModules(bool storedLayout = true);
    ~TProgramModules();
    TProgramModules(const TProgramModules&) = delete;
    TProgramModules& operator=(const TProgramModules&) = delete;

    TfZVKTeplomer* CreateMainWindow();
    // Back to the state just after start-up: no window, no language file name, the title.
    void DestroyWindows();

private:
    std::unique_ptr<TScreen> FScreen;
    std::unique_ptr<TApplication> FApplication;
};

// The program's life from start to exit: the toolkit, the modules, the main window, the event
// loop, and shutdown in reverse order. Returns the process's exit code: 0 after the main window
// was closed, 1 after a start-up failure shown by the last-chance report. Without the stored
// layout, creating the main window fails as it does when the layout is missing.
int RunProgram(int& argc, char** argv, bool storedLayout = true);
