#pragma once

#include "Component.h"
#include "ExceptionGuard.h"

#include <QString>
#include <functional>

class TForm;

// The application object: owner of every window, holder of the application title (the text
// of the taskbar entry), runner of the event loop and of the default exception report.
class TApplication : public TComponent {
    DECLARE_CLASS_INFO
public:
    TApplication();
    ~TApplication() override;

    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& title);

    void Initialize();
    // Creates a window of class T owned by the application; the first one becomes the main
    // window. Exceptions from the window's construction propagate.
    // The reference is set as soon as the object exists, so that the window's creation
    // handler can use it; it is reset when the construction fails.
    template <class T> void CreateForm(T*& reference)
    {
        reference = nullptr;
        try {
            reference = new T(this);
        } catch (...) {
            reference = nullptr;
            throw;
        }
        FormCreated(reference);
    }
    TForm* MainForm() const { return FMainForm; }
    // A window going away stops being the main window.
    void FormDestroyed(TForm* form);

    // Shows the main window and runs the event loop until Terminate or Halt.
    void Run();
    // Posts the quit request; the loop ends when it takes it.
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // The default exception report.
    void HandleException(const std::exception& e);
    // Ends the event loop at once, without the close sequence (log-off, SIGTERM).
    void Halt();

private:
    void FormCreated(TForm* form);
    QString FTitle;
    TForm* FMainForm = nullptr;
    bool FTitleShown = false; // FTitle is the main window's taskbar text
    bool FTerminated = false;
};

extern TApplication* Application;

// GuardedCall (core/ExceptionGuard.h) hands an escape to the application's default exception
// report while the application exists, else to the last-chance report.
// Runs the handler bound to an event, if one is, under the guard.
void FireEvent(const TNotifyEvent& event, TComponent* sender);
