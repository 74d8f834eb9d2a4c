// The whole language apply on the real main window, offscreen: the input is a language file,
// loaded the way a flag click loads one. Afterwards the window must still be shown (minimised
// counts), have a usable size within the screen, answer a repaint, and still have a way to be
// closed. Memory is bounded by libFuzzer's -rss_limit_mb and -malloc_limit_mb.
#include "Application.h"
#include "FuzzCheck.h"
#include "Language.h"
#include "ModalRunner.h"
#include "ProgramMain.h"
#include "uf_ZVKdemo.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdint>

namespace {
TProgramModules* Program = nullptr;
QTemporaryDir* Dir = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    Program = new TProgramModules;
    Dir = new QTemporaryDir;
    // The program's error reports are answered at once.
    SetModalRunner([](QDialog&) { return 1; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const QString path = Dir->filePath(QStringLiteral("fuzz.lng.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(bytes), static_cast<qint64>(size));
    file.close();

    TfZVKTeplomer* form = Program->CreateMainWindow();
    Require(form != nullptr, "the main window is created");
    form->Show();
    // As a flag click does: the handler runs under the guard, errors go to the report.
    GuardedCall([&] { Language->LoadLanguage(path); });
    QCoreApplication::processEvents();

    QWidget* w = form->Widget();
    Require(w && w->isVisible(), "the main window is still shown (minimised counts)");
    const QSize available = QGuiApplication::primaryScreen()->availableGeometry().size();
    Require(w->width() >= TForm::MinClientWidth && w->height() >= TForm::MinClientHeight,
            "the window keeps a usable size");
    Require(w->width() <= available.width() && w->height() <= available.height(),
            "the window fits the screen");
    Require(w->windowFlags() & Qt::WindowCloseButtonHint || w->isMinimized() ||
                form->BorderStyle() == bsNone || !(form->BorderIcons() & (1u << biSystemMenu)),
            "a framed window with a system menu has a close button");
    w->repaint();
    // The close request still reaches the close sequence.
    bool closed = false;
    const TCloseEvent previous = form->OnClose;
    form->OnClose = [&](TComponent*, TCloseAction& action) {
        closed = true;
        action = caNone;
    };
    w->close();
    form->OnClose = previous;
    Require(closed, "a close request reaches the window");

    Program->DestroyWindows();
    return 0;
}
