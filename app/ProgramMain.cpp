#include "ProgramMain.h"

#include "Application.h"
#include "CaretBlinkPause.h"
#include "ExceptionReport.h"
#include "Language.h"
#include "Pictures.h"
#include "Screen.h"
#include "SessionEnd.h"
#include "uf_ZVKdemo.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

namespace {
QIcon ProgramIcon()
{
    const QImage image = ReadRgbaPicture(QStringLiteral(":/resources/zvkdemo.rgba"), 32);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

void ShowProgramTitle()
{
    Application->SetTitle(TitleBase);
}
} // namespace

TProgramModules::TProgramModules(bool storedLayout)
    : FScreen(std::make_unique<TScreen>()), FApplication(std::make_unique<TApplication>())
{
    // The translation engine, then the main window's module.
    InitLanguageUnit();
    if (storedLayout)
        RegisterMainWindowLayout();
    LngFileName.clear();
    Application->Initialize();
    ShowProgramTitle();
}

TProgramModules::~TProgramModules()
{
    DestroyWindows();
    FinalizeLanguageUnit();
}

TfZVKTeplomer* TProgramModules::CreateMainWindow()
{
    Application->CreateForm(fZVKTeplomer);
    return fZVKTeplomer;
}

void TProgramModules::DestroyWindows()
{
    Application->DestroyComponents();
    fZVKTeplomer = nullptr;
    LngFileName.clear();
    ShowProgramTitle();
}

int RunProgram(int& argc, char** argv, bool storedLayout)
{
    // The program takes no argument, and the toolkit's own options (-qwindowtitle, -style,
    // -stylesheet, -platformpluginpath, -qwindowgeometry, ...) are none of its options: the
    // toolkit sees the program's name alone.
    int toolkitArgc = argc > 0 ? 1 : 0;
    // The window is small and repaints a few thousand pixels when the reading changes. Through
    // shared memory, each repaint would first wait for the X server to finish reading the last
    // one (a round trip that wakes two threads); sent over the socket it waits for nothing.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication qt(toolkitArgc, argv);
    QApplication::setApplicationName(QStringLiteral("ZVKdemo"));
    QApplication::setApplicationVersion(QStringLiteral(ZVK_VERSION));
    // The desktop entry's name: on Wayland the window's app id, so the desktop finds its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zvkdemo"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(ProgramIcon());
    const TCaretBlinkPause caretBlinkPause;

    int exitCode = 0;
    {
        TProgramModules program(storedLayout);
        InstallSessionEndHandler();
        try {
            program.CreateMainWindow();
            Application->Run();
        } catch (const std::exception& e) {
            ShowLastChanceReport(e);
            exitCode = 1;
        } catch (...) {
            ShowLastChanceReport(EExternalException(QStringLiteral("External exception")));
            exitCode = 1;
        }
        RemoveSessionEndHandler();
    }
    return exitCode;
}
