#include "app/pages/MainPage.h"

#include "app/resources/resource.h"
#include "app/settings/Settings.h"
#include "platform/constants.h"
#include "platform/error.h"

void TMainPage::Describe() {
    ckWinClock.Bold = true;
    ckCPU.Bold = true;
    ckAutorun.Hint = "Launch Velant! 2000 Windows startup";
    ckWinClock.Hint = "Enable/disable window titlebar clock";
    ckScrEnable.Hint =
        "Allows to disable your default screensaver.\r\n"
        "Useful when running time critical applications (like burning cdrom)";
    ckAutorunScr.Hint =
        "A simple but effective security options.\r\n"
        "Launch default screensaver on Windows startup:\r\n"
        "if it is password protected you'll prevent\r\n"
        "other users form accessing your PC";
    ckKeepScrDisabled.Hint =
        "If checked, it will keep screensaver disabled\r\n"
        " after closing the program.\r\n"
        "If not checked, screensaver will be\r\n"
        "enabled again on closing program";
}

void TMainPage::Wire() {
    GroupPriority.OnClick = [this] { ApplyPriority(); };
    clearRecentNowButton.OnClick = [this] { ClearRecentDocuments(); };
    closeButton.OnClick = [this] { FContext.form.Close(); };
    minimizeButton.OnClick = [this] { FContext.app.Minimize(); };
    ckAutorun.OnClick = [this] { FAutostart.SetAutostart(ckAutorun.Checked()); };
    ckScrEnable.OnClick = [this] { FScreensaverChoice.EnabledClicked(); };
    ScrTimeout.OnChange = [this] { FScreensaverChoice.TimeoutChanged(); };
    runScreensaverButton.OnClick = [this] { FScreensaver.StartScreensaver(); };
    configureScreensaverButton.OnClick = [this] { FScreensaver.ConfigureScreensaver(); };
    openTrayButton.OnClick = [this] { CdTrayCommand(true); };
    closeTrayButton.OnClick = [this] { CdTrayCommand(false); };
    ckWinClock.OnClick = [this] { FClock.Update(); };
    ckCPU.OnClick = [this] { FClock.Update(); };
}

void TMainPage::AddRows(TFormLayout& rows) {
    rows.insert(rows.end(), {
                                {ckAutorun, tab, IDC_CKAUTORUN},
                                {ckAutorunScr, tab, IDC_CKAUTORUNSCR},
                                {ckWinClock, tab, IDC_CKWINCLOCK},
                                {ckCPU, tab, IDC_CKCPU},
                                {edtDate, tab, IDC_EDTDATE},
                                {edtTime, tab, IDC_EDTTIME},
                                {GroupPriority, tab, IDC_GROUPPRIORITY},
                                {ckClearRecDocs, tab, IDC_CKCLEARRECDOCS},
                                {clearRecentNowButton, tab, IDC_CLEARRECENTNOWBUTTON},
                                {closeButton, tab, IDC_CLOSEBUTTON},
                                {minimizeButton, tab, IDC_MINIMIZEBUTTON, kCancelButton},
                                {ckScrEnable, tab, IDC_CKSCRENABLE},
                                {ckKeepScrDisabled, tab, IDC_CKKEEPSCRDISABLED},
                                {ScrTimeout, tab, IDC_SCRTIMEOUT},
                                {runScreensaverButton, tab, IDC_RUNSCREENSAVERBUTTON},
                                {configureScreensaverButton, tab, IDC_CONFIGURESCREENSAVERBUTTON},
                                {openTrayButton, tab, IDC_OPENTRAYBUTTON},
                                {closeTrayButton, tab, IDC_CLOSETRAYBUTTON},
                            });
}

void TMainPage::ApplyPriority() {
    const int index = GroupPriority.ItemIndex();
    static const int kThreadPriority[] = {plat::THREAD_PRIORITY_IDLE, plat::THREAD_PRIORITY_NORMAL,
                                          plat::THREAD_PRIORITY_HIGHEST};
    if (index >= 0 && index <= 2) {
        auto& k = FContext.platform.kernel;
        if (!k.SetPriorityClass(k.GetCurrentProcess(), plat::NORMAL_PRIORITY_CLASS))
            plat::Trace(k, "Setting the priority class", plat::LastError(k));
        if (!k.SetThreadPriority(k.GetCurrentThread(), kThreadPriority[index]))
            plat::Trace(k, "Setting the thread priority", plat::LastError(k));
    }
    FContext.settings.Save(GroupPriority, TStoredIn::MainMirror);
}

void TMainPage::ClearRecentDocuments() {
    FContext.platform.shell.SHAddToRecentDocs(plat::SHARD_PATH, nullptr);
}

void TMainPage::CdTrayCommand(bool open) {
    auto& mm = FContext.platform.multimedia;
    const std::uint32_t error =
        mm.mciSendString(open ? "Set cdaudio door open wait" : "Set cdaudio door closed wait");
    if (error == 0) return;
    std::string text;
    mm.mciGetErrorString(error, text, 127);
    FContext.platform.dialogs.MessageBox(FContext.form.Handle(), text, FContext.app.Title, plat::MB_OK);
}

void TMainPage::ShowLogonEntry() {
    try {
        ckAutorun.SetChecked(FAutostart.Exists());
    } catch (const EVelantError& error) {
        plat::Trace(FContext.platform.kernel, "Reading the logon entry", error);
        // A value the logon cannot run is no entry, so the box shows none. Its
        // handler stays out of this: unchecking would delete another tool's value
        // before the user has asked for anything.
        TNotifyEvent click = std::move(ckAutorun.OnClick);
        ckAutorun.OnClick = nullptr;
        ckAutorun.SetChecked(false);
        ckAutorun.OnClick = std::move(click);
    }
}
