// The stored description of the main window.
#include "Form.h"
#include "Label.h"
#include "Panel.h"
#include "StoredLayout.h"

namespace {
TFont WindowFont()
{
    return TFont{QStringLiteral("MS Sans Serif"), -11, 0, clWindowText, 1};
}

TFont ReadingFont()
{
    return TFont{QStringLiteral("Arial"), -43, 1u << fsBold, clWindowText, 1};
}

const TStoredLayout Layout{
    "TfZVKTeplomer",
    {"TfZVKTeplomer",
     "fZVKTeplomer",
     "",
     {
         {"Left", Ord(193)},
         {"Top", Ord(107)},
         {"BorderIcons", Set({biSystemMenu, biMinimize})},
         {"BorderStyle", Ord(bsSingle)},
         {"Caption", Text(u"Ukázka měření teploty na ZVK")},
         {"ClientHeight", Ord(258)},
         {"ClientWidth", Ord(298)},
         {"Color", Ord(clBtnFace)},
         {"OldCreateOrder", Ord(false)},
         {"Position", Ord(poScreenCenter)},
         {"PixelsPerInch", Ord(96)},
         {"TextHeight", Ord(13)},
     },
     WindowFont(),
     nullptr,
     {{"OnClose", "FormClose"}, {"OnCreate", "FormCreate"}}},
    {
        {"TGroupBox", "GroupBox1", "",
         {{"Left", Ord(8)}, {"Top", Ord(8)}, {"Width", Ord(281)}, {"Height", Ord(113)},
          {"Caption", Text(u" Nastavení připojení ")}, {"TabOrder", Ord(0)}}},
        {"TLabel", "Label1", "GroupBox1",
         {{"Left", Ord(8)}, {"Top", Ord(16)}, {"Width", Ord(86)}, {"Height", Ord(13)},
          {"Caption", Text(u"IP adresa zařízení")}}},
        {"TLabel", "Label2", "GroupBox1",
         {{"Left", Ord(8)}, {"Top", Ord(64)}, {"Width", Ord(19)}, {"Height", Ord(13)},
          {"Caption", Text(u"Port")}}},
        {"TImage", "Image1", "GroupBox1",
         {{"Left", Ord(216)}, {"Top", Ord(24)}, {"Width", Ord(29)}, {"Height", Ord(16)},
          {"Cursor", Ord(crHandPoint)}, {"Stretch", Ord(true)}},
         std::nullopt, ":/resources/czech_flag.bmp", {{"OnClick", "Image1Click"}}},
        {"TImage", "Image2", "GroupBox1",
         {{"Left", Ord(216)}, {"Top", Ord(52)}, {"Width", Ord(29)}, {"Height", Ord(16)},
          {"Cursor", Ord(crHandPoint)}, {"AutoSize", Ord(true)}},
         std::nullopt, ":/resources/british_flag.bmp", {{"OnClick", "Image2Click"}}},
        {"TEdit", "txtIP", "GroupBox1",
         {{"Left", Ord(8)}, {"Top", Ord(32)}, {"Width", Ord(177)}, {"Height", Ord(21)},
          {"TabOrder", Ord(0)}, {"Text", Text(u"192.168.1.254")}},
         std::nullopt, nullptr, {{"OnChange", "txtIPChange"}}},
        {"TSpinEdit", "sePort", "GroupBox1",
         {{"Left", Ord(8)}, {"Top", Ord(80)}, {"Width", Ord(177)}, {"Height", Ord(22)},
          {"MaxValue", Ord(65535)}, {"MinValue", Ord(1)}, {"TabOrder", Ord(1)},
          {"Value", Ord(10001)}},
         std::nullopt, nullptr, {{"OnChange", "sePortChange"}}},
        {"TButton", "cmdConnect", "GroupBox1",
         {{"Left", Ord(192)}, {"Top", Ord(80)}, {"Width", Ord(81)}, {"Height", Ord(25)},
          {"Caption", Text(u"Připojit")}, {"TabOrder", Ord(2)}},
         std::nullopt, nullptr, {{"OnClick", "cmdConnectClick"}}},
        {"TPanel", "pnlTeplota", "",
         {{"Left", Ord(8)}, {"Top", Ord(128)}, {"Width", Ord(281)}, {"Height", Ord(121)},
          {"BevelInner", Ord(bvRaised)}, {"BevelOuter", Ord(bvLowered)},
          {"Color", Ord(clBtnFace)}, {"TabOrder", Ord(1)}},
         ReadingFont()},
        {"TTimer", "Timer1", nullptr, {{"Enabled", Ord(false)}}, std::nullopt, nullptr,
         {{"OnTimer", "Timer1Timer"}}},
        {"TIdTCPClient", "IdTCPClient1", nullptr,
         {{"MaxLineAction", Ord(0)}, {"ReadTimeout", Ord(50)}, {"Host", Text(u"192.168.1.254")},
          {"Port", Ord(10001)}},
         std::nullopt, nullptr,
         {{"OnConnected", "IdTCPClient1Connected"},
          {"OnDisconnected", "IdTCPClient1Disconnected"}}},
    }};
} // namespace

// Registers the stored description under its resource name.
void RegisterMainWindowLayout()
{
    StoredLayouts()[QStringLiteral("TFZVKTEPLOMER")] = &Layout;
}
