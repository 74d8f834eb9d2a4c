// The real program with a dialog layer that answers every dialog and prints what it showed,
// so that a test can run it as a process. "nolayout" leaves the main window's stored layout
// out; "close" closes the main window once the event loop runs; "wait" prints READY once the
// event loop runs and waits; "look" also prints what the toolkit's own options would change
// (window title, style, style sheet, size) and closes. Every argument reaches the program.
#include "DialogRecorder.h"
#include "Image.h"
#include "ModalRunner.h"
#include "ProgramMain.h"
#include "uf_ZVKdemo.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {
bool CloseAtStart = false;
bool Look = false;
bool English = false;

void ScheduleClose()
{
    QTimer::singleShot(100, [] {
        if (Look && fZVKTeplomer) {
            const QWidget* w = fZVKTeplomer->Widget();
            std::printf("LOOK|%s|%s|%s|%dx%d\n", w->windowTitle().toUtf8().constData(),
                        qApp->style()->name().toUtf8().constData(),
                        qApp->styleSheet().toUtf8().constData(), w->width(), w->height());
        }
        std::printf("READY\n");
        std::fflush(stdout);
        if (English && fZVKTeplomer)
            QTest::mouseClick(fZVKTeplomer->Image2->Widget(), Qt::LeftButton);
        if (CloseAtStart && fZVKTeplomer)
            fZVKTeplomer->Close();
    });
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(ScheduleClose)

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "";
    Look = std::strcmp(mode, "look") == 0;
    English = std::strcmp(mode, "english") == 0;
    CloseAtStart = Look || English || std::strcmp(mode, "close") == 0;
    SetModalRunner([](QDialog& dialog) {
        const TShownDialog shown = DescribeDialog(dialog);
        std::printf("DIALOG|%s|%s|END\n", shown.Title.toUtf8().constData(),
                    shown.Text.toUtf8().constData());
        std::fflush(stdout);
        return 1;
    });
    return RunProgram(argc, argv, std::strcmp(mode, "nolayout") != 0);
}
