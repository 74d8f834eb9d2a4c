#pragma once

#include "Application.h"
#include "Language.h"
#include "Screen.h"
#include "uf_ZVKdemo.h"

// The program's process-wide objects as start-up makes them, for tests that build the main
// window in the test's own process.
class TProgramFixture {
public:
    TProgramFixture()
    {
        FScreen = new TScreen;
        FApplication = new TApplication;
        InitLanguageUnit();
        RegisterMainWindowLayout();
        Application->SetTitle(QStringLiteral("ZVK Demo"));
    }
    ~TProgramFixture()
    {
        DestroyWindow();
        FinalizeLanguageUnit();
        delete FApplication;
        delete FScreen;
    }

    TfZVKTeplomer* CreateWindow()
    {
        Application->CreateForm(fZVKTeplomer);
        return fZVKTeplomer;
    }
    void DestroyWindow()
    {
        Application->DestroyComponents();
        fZVKTeplomer = nullptr;
        LngFileName.clear();
        Application->SetTitle(QStringLiteral("ZVK Demo"));
    }

private:
    TScreen* FScreen;
    TApplication* FApplication;
};
