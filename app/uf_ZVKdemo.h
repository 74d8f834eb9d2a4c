#pragma once

#include "Form.h"

#include <QString>

class TButton;
class TEdit;
class TGroupBox;
class TIdTCPClient;
class TImage;
class TLabel;
class TPanel;
class TSpinEdit;
class TTimer;

// The main window: the device's address and port, the connect button, the reading panel and
// the two flags that choose the language.
class TfZVKTeplomer : public TForm {
    DECLARE_CLASS_INFO
public:
    explicit TfZVKTeplomer(TComponent* owner);

    // Once shown, the window is minimised instead of hidden (as a language file may ask): it
    // keeps its taskbar entry, so it can always be brought back and closed.
    void SetVisible(bool visible) override;

    TGroupBox* GroupBox1 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TEdit* txtIP = nullptr;
    TSpinEdit* sePort = nullptr;
    TButton* cmdConnect = nullptr;
    TPanel* pnlTeplota = nullptr;
    TTimer* Timer1 = nullptr;
    TIdTCPClient* IdTCPClient1 = nullptr;

    void FormCreate(TComponent* sender);
    void FormClose(TComponent* sender, TCloseAction& action);
    void txtIPChange(TComponent* sender);
    void sePortChange(TComponent* sender);
    void cmdConnectClick(TComponent* sender);
    void IdTCPClient1Connected(TComponent* sender);
    void IdTCPClient1Disconnected(TComponent* sender);
    void Timer1Timer(TComponent* sender);
    void Image1Click(TComponent* sender);
    void Image2Click(TComponent* sender);

protected:
    QString WindowTitle() const override;

private:
    template <class T> T* Field(const char* name);
    // Loads LngFileName and relabels the toggle for the current state.
    void ApplyLanguage();
    void ShowToggleCaption();
    // Shows this connection's latest reading in front of the caption; empty: the caption alone.
    void ShowReadingInTitle(const QString& reading);

    QString FTitleReading;
    bool FReadingAnnounced = false;
};

extern TfZVKTeplomer* fZVKTeplomer;
// The current language file name, as passed to the translation engine and remembered.
extern QString LngFileName;
// The application's title, and the start of it while a reading is shown.
extern const QString TitleBase;

void RegisterMainWindowLayout();
