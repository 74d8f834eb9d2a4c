#include "Application.h"

#include "ExceptionReport.h"
#include "FocusState.h"
#include "Form.h"
#include "ModalRunner.h"
#include "WindowNames.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

TApplication* Application = nullptr;

const TClassInfo& TApplication::StaticClassInfo()
{
    using C = TApplication;
    static const TClassInfo info{
        "TApplication",
        &TComponent::StaticClassInfo(),
        {Published<C>("Title", &TypeInfos::LongString, &C::Title, &C::SetTitle)}};
    return info;
}

TApplication::TApplication() : TComponent(nullptr)
{
    FTitle = QCoreApplication::applicationName();
    Application = this;
}

TApplication::~TApplication()
{
    DestroyComponents();
    if (Application == this)
        Application = nullptr;
}

void TApplication::SetTitle(const QString& title)
{
    // The taskbar text is a property write on the X server and wakes the window manager:
    // it is written only when it changes.
    if (title == FTitle && FTitleShown)
        return;
    FTitle = title;
    FTitleShown = FMainForm && FMainForm->Widget();
    if (FTitleShown)
        SetWindowIconName(FMainForm->Widget(), title);
}

void TApplication::Initialize() {}

void TApplication::FormCreated(TForm* form)
{
    form->AfterConstruction();
    if (!FMainForm) {
        FMainForm = form;
        FTitleShown = false;
        SetTitle(FTitle);
    }
}

void TApplication::FormDestroyed(TForm* form)
{
    if (FMainForm == form) {
        FMainForm = nullptr;
        FTitleShown = false;
    }
}

void TApplication::Run()
{
    // A halt during start-up (the session ended while a start-up message was open) ends
    // the program before its window is shown.
    if (FTerminated)
        return;
    if (FMainForm)
        FMainForm->Show();
    QApplication::exec();
}

void TApplication::Terminate()
{
    FTerminated = true;
    // exit(), not quit(): Qt's quit first asks every window to close, and the main window
    // has just run its close sequence.
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void TApplication::Halt()
{
    FTerminated = true;
    QCoreApplication::exit(0);
}

void TApplication::HandleException(const std::exception& e)
{
    // Cancel mode: end a drag and any pressed button, so that nothing repeats behind the box.
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    for (QWidget* w : QApplication::allWidgets())
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isDown())
            button->setDown(false);
    const auto* ex = dynamic_cast<const Exception*>(&e);
    if (!ex) {
        ShowLastChanceReport(e);
        return;
    }

    QPointer<QWidget> active = QApplication::activeWindow();
    const TFocusState focus = TFocusState::Save();
    QList<QPointer<QWidget>> disabled;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isEnabled()) {
            w->setEnabled(false);
            disabled.append(w);
        }

    QMessageBox box(QMessageBox::Critical, FTitle, ExceptionReportText(ex->Message()),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    RunModal(box);

    for (const QPointer<QWidget>& w : disabled)
        if (w)
            w->setEnabled(true);
    if (active)
        active->activateWindow();
    focus.Restore();
}

void FireEvent(const TNotifyEvent& event, TComponent* sender)
{
    GuardedCall([&] {
        if (event)
            event(sender);
    });
}

namespace {
// The window's report: the application's default report, else the last-chance report; an
// object not of the exception family always gets the last-chance text.
void ReportToApplication(const std::exception& e, bool foreign)
{
    if (Application && !foreign)
        Application->HandleException(e);
    else
        ShowLastChanceReport(e);
}

// Every program that links the windowing layer reports through it.
[[maybe_unused]] const bool ReportInstalled = (SetExceptionReport(&ReportToApplication), true);
} // namespace
