#include "ProgramMain.h"

#include "Application.h"
#include "ExceptionReport.h"
#include "Language.h"
#include "Screen.h"
#include "SessionEnd.h"
#include "uf_ZVKdemo.h"

#include <QApplication>
#include <QIcon>

int RunProgram(int& argc, char** argv)
{
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZVKdemo"));
    QApplication::setApplicationVersion(QStringLiteral(ZVK_VERSION));
    // The desktop entry's name: on Wayland the window's app id, so the desktop finds its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zvkdemo"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/resources/zvkdemo.ico")));

    int exitCode = 0;
    {
        TScreen screen;
        TApplication application;
        InstallSessionEndHandler();
        try {
            // The program's modules, in order: the translation engine, then the main window's
            // module (whose language file name starts empty).
            InitLanguageUnit();
            LngFileName.clear();
            Application->Initialize();
            Application->SetTitle(QStringLiteral("ZVK Demo"));
            Application->CreateForm(fZVKTeplomer);
            Application->Run();
        } catch (const std::exception& e) {
            ShowLastChanceReport(e);
            exitCode = 1;
        } catch (...) {
            ShowLastChanceReport(EExternalException(QStringLiteral("External exception")));
            exitCode = 1;
        }
        RemoveSessionEndHandler();
        // Shutdown: the windows first, then the modules in reverse order.
        application.DestroyComponents();
        fZVKTeplomer = nullptr;
        LngFileName.clear();
        FinalizeLanguageUnit();
    }
    return exitCode;
}
