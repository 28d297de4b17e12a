#pragma once
// The "Main" page: autostart, the caption clock's switches and patterns, the
// program's priority, recent documents, the screensaver group and the CD tray.
#include <string>

#include "app/AppContext.h"
#include "app/services/CaptionClock.h"
#include "app/services/ScreensaverChoice.h"
#include "system/Autostart.h"
#include "system/Screensaver.h"
#include "ui/Controls.h"
#include "ui/FormLayout.h"

class TMainPage {
public:
    TMainPage(TAppContext& context, TAutostart& autostart, TScreensaver& screensaver,
              TScreensaverChoice& screensaverChoice, TCaptionClock& clock)
        : FContext(context),
          FAutostart(autostart),
          FScreensaver(screensaver),
          FScreensaverChoice(screensaverChoice),
          FClock(clock) {}

    TTabSheet tab{"TabSheet1", "Main"};
    TCheckBox ckAutorun{"ckAutorun", "Autorun Velant! Pro 2001", true};
    TCheckBox ckAutorunScr{"ckAutorunScr", "Run screensaver on startup", false};
    TCheckBox ckWinClock{"ckWinClock", "Window titlebar clock", false};
    TCheckBox ckCPU{"ckCPU", "Show CPU Load", false};
    TEdit edtDate{"edtDate", "'Today is: ' dd.mm.yyyy"};
    TEdit edtTime{"edtTime", "'Time is: ' hh.mm.ss"};
    TRadioGroup GroupPriority{
        "GroupPriority", "  Application priority  ", {"Idle", "Normal (default)", "High"}};
    TCheckBox ckClearRecDocs{"ckClearRecDocs", "Clear recent docs on exit", false};
    TButton clearRecentNowButton{"RxSpeedButton9", "Clear now"};
    TButton closeButton{"RxSpeedButton3", "Close"};
    TButton minimizeButton{"RxSpeedButton5", "Minimize"};
    TCheckBox ckScrEnable{"ckScrEnable", "Screensaver enabled", false};
    TCheckBox ckKeepScrDisabled{"ckKeepScrDisabled", "Keep disabled after closing", false};
    TSpinEdit ScrTimeout{"ScrTimeout", 0};
    TButton runScreensaverButton{"RxSpeedButton12", "Run"};
    TButton configureScreensaverButton{"RxSpeedButton15", "Configure"};
    TButton openTrayButton{"RxSpeedButton1", "Open tray"};
    TButton closeTrayButton{"RxSpeedButton2", "Close tray"};

    // Fonts and hints: the page as it is drawn.
    void Describe();
    // The controls' handlers.
    void Wire();
    void AddRows(TFormLayout& rows);

    void ApplyPriority();
    void ClearRecentDocuments();
    void CdTrayCommand(bool open);
    // The box tells the truth about the logon entry: a first run has none, and
    // another program may have removed or added it since the last close.
    void ShowLogonEntry();

private:
    TAppContext& FContext;
    TAutostart& FAutostart;
    TScreensaver& FScreensaver;
    TScreensaverChoice& FScreensaverChoice;
    TCaptionClock& FClock;
};
