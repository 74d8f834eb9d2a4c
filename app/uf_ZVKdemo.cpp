#include "uf_ZVKdemo.h"

#include "AccessibleNotice.h"
#include "Application.h"
#include "Button.h"
#include "Dialogs.h"
#include "Edit.h"
#include "GroupBox.h"
#include "IdTCPClient.h"
#include "Image.h"
#include "Label.h"
#include "Language.h"
#include "LanguageChoice.h"
#include "MessageFormat.h"
#include "Panel.h"
#include "ReadingFrame.h"
#include "Screen.h"
#include "SpinEdit.h"
#include "StoredLayout.h"
#include "Timer.h"
#include "WindowNames.h"

#include <utility>

TfZVKTeplomer* fZVKTeplomer = nullptr;
QString LngFileName;
const QString TitleBase = QStringLiteral("ZVK Demo");

namespace {
// Puts the screen-wide cursor back to normal however the scope is left.
struct TDefaultCursorOnExit {
    ~TDefaultCursorOnExit()
    {
        if (Screen)
            Screen->SetCursor(crDefault);
    }
};
} // namespace

const TClassInfo& TfZVKTeplomer::StaticClassInfo()
{
    static const TClassInfo info{"TfZVKTeplomer", &TForm::StaticClassInfo(), {}};
    return info;
}

template <class T> T* TfZVKTeplomer::Field(const char* name)
{
    T* c = ComponentCast<T>(FindComponent(QString::fromLatin1(name)));
    if (!c)
        throw EReadError(Format(QStringLiteral("Error reading %s: %s"),
                                {QStringLiteral("component"), QString::fromLatin1(name)}));
    return c;
}

TfZVKTeplomer::TfZVKTeplomer(TComponent* owner) : TForm(owner)
{
    using Self = TfZVKTeplomer;
    const auto bind = [this](void (Self::*method)(TComponent*)) {
        return std::any(
            TNotifyEvent([this, method](TComponent* sender) { (this->*method)(sender); }));
    };
    const THandlerTable handlers{
        {QStringLiteral("FormCreate"), bind(&Self::FormCreate)},
        {QStringLiteral("FormClose"),
         std::any(TCloseEvent(
             [this](TComponent* sender, TCloseAction& action) { FormClose(sender, action); }))},
        {QStringLiteral("txtIPChange"), bind(&Self::txtIPChange)},
        {QStringLiteral("sePortChange"), bind(&Self::sePortChange)},
        {QStringLiteral("cmdConnectClick"), bind(&Self::cmdConnectClick)},
        {QStringLiteral("IdTCPClient1Connected"), bind(&Self::IdTCPClient1Connected)},
        {QStringLiteral("IdTCPClient1Disconnected"), bind(&Self::IdTCPClient1Disconnected)},
        {QStringLiteral("Timer1Timer"), bind(&Self::Timer1Timer)},
        {QStringLiteral("Image1Click"), bind(&Self::Image1Click)},
        {QStringLiteral("Image2Click"), bind(&Self::Image2Click)},
    };
    ReadStoredLayout(*this, FindStoredLayout(QString::fromLatin1(ClassName())), handlers);

    GroupBox1 = Field<TGroupBox>("GroupBox1");
    Label1 = Field<TLabel>("Label1");
    Label2 = Field<TLabel>("Label2");
    Image1 = Field<TImage>("Image1");
    Image2 = Field<TImage>("Image2");
    txtIP = Field<TEdit>("txtIP");
    sePort = Field<TSpinEdit>("sePort");
    cmdConnect = Field<TButton>("cmdConnect");
    pnlTeplota = Field<TPanel>("pnlTeplota");
    Timer1 = Field<TTimer>("Timer1");
    IdTCPClient1 = Field<TIdTCPClient>("IdTCPClient1");

    // What the stored layout has no word for: the labels name their fields to a screen
    // reader, and the flags are buttons to the keyboard, after the toggle, each named by its
    // language in that language.
    Label1->SetFocusControl(txtIP);
    Label2->SetFocusControl(sePort);
    Image1->SetButtonName(QStringLiteral("Čeština"));
    Image2->SetButtonName(QStringLiteral("English"));
    QWidget::setTabOrder(cmdConnect->Widget(), Image1->Widget());
    QWidget::setTabOrder(Image1->Widget(), Image2->Widget());
    // To a screen reader the toggle is checked while connected, and the current language's
    // flag is checked: pressing either is answered by its new state.
    cmdConnect->SetToggled(false);
}

void TfZVKTeplomer::SetVisible(bool visible)
{
    if (!visible && ShownOnce() && Widget()) {
        Widget()->showMinimized();
        return;
    }
    TForm::SetVisible(visible);
}

void TfZVKTeplomer::FormCreate(TComponent*)
{
    LngFileName = ReadLanguageChoice(LanguageChoiceFiles().Read);
    ApplyLanguage();
}

// A language file may give the toggle a caption of its own, which would then say "Connect"
// while a click disconnects: the toggle keeps the text constant for the current state, also
// when the file stops with an error part way.
void TfZVKTeplomer::ApplyLanguage()
{
    Image1->SetButtonChecked(LngFileName == QStringLiteral("cesky.lng.xml"));
    Image2->SetButtonChecked(LngFileName == QStringLiteral("english.lng.xml"));
    try {
        Language->LoadLanguage(LngFileName);
    } catch (...) {
        ShowToggleCaption();
        throw;
    }
    ShowToggleCaption();
}

void TfZVKTeplomer::ShowToggleCaption()
{
    const QString key =
        IdTCPClient1->IsConnected() ? QStringLiteral("Odpojit") : QStringLiteral("Připojit");
    cmdConnect->SetCaption(Language->GetConstText(key, key));
}

void TfZVKTeplomer::FormClose(TComponent*, TCloseAction&)
{
    // A disconnect that raises leaves before lng.ini is written: the close is abandoned and
    // the window stays open.
    if (IdTCPClient1->IsConnected())
        IdTCPClient1->CloseConnection();
    if (!WriteLanguageChoice(LanguageChoiceFiles().Write, LngFileName))
        MessageDlg(QStringLiteral("Can''t save LNG file."), mtError, MsgButtons({mbOK}), 0);
}

void TfZVKTeplomer::txtIPChange(TComponent*)
{
    IdTCPClient1->SetHost(txtIP->GetText());
}

void TfZVKTeplomer::sePortChange(TComponent*)
{
    IdTCPClient1->SetPort(sePort->Value());
}

void TfZVKTeplomer::cmdConnectClick(TComponent*)
{
    Screen->SetCursor(crHourGlass);
    const TDefaultCursorOnExit restore;
    if (IdTCPClient1->IsConnected())
        IdTCPClient1->CloseConnection();
    else
        IdTCPClient1->OpenConnection(2500);
}

void TfZVKTeplomer::IdTCPClient1Connected(TComponent*)
{
    txtIP->SetEnabled(false);
    sePort->SetEnabled(false);
    cmdConnect->SetCaption(
        Language->GetConstText(QStringLiteral("Odpojit"), QStringLiteral("Odpojit")));
    cmdConnect->SetToggled(true);
    FReadingAnnounced = false;
    Timer1->SetEnabled(true);
    ShowReadingInTitle(QString());
    Timer1Timer(Timer1);
}

void TfZVKTeplomer::IdTCPClient1Disconnected(TComponent*)
{
    txtIP->SetEnabled(true);
    sePort->SetEnabled(true);
    pnlTeplota->SetCaption(QString());
    cmdConnect->SetCaption(
        Language->GetConstText(QStringLiteral("Připojit"), QStringLiteral("Připojit")));
    cmdConnect->SetToggled(false);
    Timer1->SetEnabled(false);
    ShowReadingInTitle(QString());
}

void TfZVKTeplomer::Timer1Timer(TComponent*)
{
    // Read time-outs, socket errors and anything else end this poll without a word.
    try {
        const TReadingResult reading = ParseReading(IdTCPClient1->ReadAvailable());
        if (reading.Result == TReadingResult::Nothing)
            return;
        pnlTeplota->SetCaption(reading.Text);
        if (reading.Result == TReadingResult::Reading) {
            const TWindowNamesRound oneServerRound;
            Application->SetTitle(TitleBase + QStringLiteral("   ") + pnlTeplota->Caption());
            ShowReadingInTitle(pnlTeplota->Caption());
            // A screen reader hears the first reading of a connection once, unasked; later
            // ones only when the user reads the panel or the title.
            if (!std::exchange(FReadingAnnounced, true))
                AnnounceNotice(Widget(), pnlTeplota->Caption());
        }
    } catch (...) {
    }
}

// Linux taskbars show the window title, not the application title that carries the reading,
// so while connected the title carries it too, first, where a narrow taskbar button still
// shows it.
QString TfZVKTeplomer::WindowTitle() const
{
    QString caption = TForm::WindowTitle();
    if (FTitleReading.isEmpty())
        return caption;
    if (caption.isEmpty())
        return FTitleReading;
    return FTitleReading + QStringLiteral(" \u2013 ") + caption;
}

void TfZVKTeplomer::ShowReadingInTitle(const QString& reading)
{
    FTitleReading = reading;
    UpdateWindowTitle();
}

void TfZVKTeplomer::Image1Click(TComponent*)
{
    LngFileName = QStringLiteral("cesky.lng.xml");
    ApplyLanguage();
}

void TfZVKTeplomer::Image2Click(TComponent*)
{
    LngFileName = QStringLiteral("english.lng.xml");
    ApplyLanguage();
}
