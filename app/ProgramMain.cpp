#include "ProgramMain.h"

#include "Application.h"
#include "CaretBlinkPause.h"
#include "ExceptionReport.h"
#include "Language.h"
#include "Screen.h"
#include "SessionEnd.h"
#include "uf_ZVKdemo.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

int RunProgram(int& argc, char** argv)
{
    // The program takes no argument, and the toolkit's own options (-qwindowtitle, -style,
    // -stylesheet, -platformpluginpath, -qwindowgeometry, ...) are none of its options: the
    // toolkit sees the program's name alone.
    int toolkitArgc = argc > 0 ? 1 : 0;
    QApplication qt(toolkitArgc, argv);
    QApplication::setApplicationName(QStringLiteral("ZVKdemo"));
    QApplication::setApplicationVersion(QStringLiteral(ZVK_VERSION));
    // The desktop entry's name: on Wayland the window's app id, so the desktop finds its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zvkdemo"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The format named and no probing, so that no other image plugin is loaded.
    QImageReader icon(QStringLiteral(":/resources/zvkdemo.ico"), "ICO");
    icon.setAutoDetectImageFormat(false);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon.read())));
    const TCaretBlinkPause caretBlinkPause;

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
