#include "app/pages/MenuPage.h"

#include "app/resources/resource.h"
#include "app/settings/Settings.h"
#include "platform/Owned.h"
#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"

void TMenuPage::Wire() {
    MainPopup_MyComputer->OnClick = [this] { OpenSpecialFolder(plat::CSIDL_DRIVES); };
    MainPopup_Controlpanel->OnClick = [this] { OpenSpecialFolder(plat::CSIDL_CONTROLS); };
    struct Row {
        TButton& add;
        TButton& remove;
        TShellIcon& picture;
        const char* folder;
    };
    const Row rows[] = {
        {addControlPanelButton, deleteControlPanelButton, imgControlPanel,
         "Control Panel.{21EC2020-3AEA-1069-A2DD-08002B30309D}"},
        {addRecycleBinButton, deleteRecycleBinButton, imgRecycleBin,
         "Recycle Bin.{645FF040-5081-101B-9F08-00AA002F954E}"},
        {addUrlHistoryButton, deleteUrlHistoryButton, imgUrlHistory,
         "Url History.{FF393560-C2A7-11CF-BFF4-444553540000}"},
        {addPrintersButton, deletePrintersButton, imgPrinters,
         "Printers.{2227A280-3AEA-1069-A2DE-08002B30309D}"},
    };
    for (const Row& r : rows) {
        const std::string folder = r.folder;
        r.add.OnClick = [this, folder] { AddStartMenuFolder(folder); };
        r.remove.OnClick = [this, folder] { RemoveStartMenuFolder(folder); };
        // The row shows the object its folder stands for: the class identifier after the dot.
        r.picture.ShellObject = "::" + folder.substr(folder.rfind('.') + 1);
    }
}

void TMenuPage::WireVisibilitySwitches() {
    for (auto& [box, item] : VisibilitySwitches())
        box->OnClick = [this, box = box, item = item] { VisibilitySwitchClick(*box, *item); };
}

void TMenuPage::AddRows(TFormLayout& rows) {
    rows.insert(rows.end(), {
                                {ckMycomputer, tab, IDC_CKMYCOMPUTER},
                                {ckDesktop, tab, IDC_CKDESKTOP},
                                {ckControlPanel, tab, IDC_CKCONTROLPANEL},
                                {ckCdRom, tab, IDC_CKCDROM},
                                {ckClearRecent, tab, IDC_CKCLEARRECENT},
                                {ckChangeW, tab, IDC_CKCHANGEW},
                                {ckHide, tab, IDC_CKHIDE},
                                {ckPower, tab, IDC_CKPOWER},
                                {ckStartScr, tab, IDC_CKSTARTSCR},
                                {ckEnableScr, tab, IDC_CKENABLESCR},
                                {addControlPanelButton, tab, IDC_ADDCONTROLPANELBUTTON},
                                {deleteControlPanelButton, tab, IDC_DELETECONTROLPANELBUTTON},
                                {addPrintersButton, tab, IDC_ADDPRINTERSBUTTON},
                                {deletePrintersButton, tab, IDC_DELETEPRINTERSBUTTON},
                                {addUrlHistoryButton, tab, IDC_ADDURLHISTORYBUTTON},
                                {deleteUrlHistoryButton, tab, IDC_DELETEURLHISTORYBUTTON},
                                {addRecycleBinButton, tab, IDC_ADDRECYCLEBINBUTTON},
                                {deleteRecycleBinButton, tab, IDC_DELETERECYCLEBINBUTTON},
                                {imgControlPanel, tab, IDC_IMGCONTROLPANEL},
                                {imgPrinters, tab, IDC_IMGPRINTERS},
                                {imgUrlHistory, tab, IDC_IMGURLHISTORY},
                                {imgRecycleBin, tab, IDC_IMGRECYCLEBIN},
                            });
}

void TMenuPage::BuildPopupMenu() {
    auto item = [this](TMenuItem& parent, const char* name, const char* caption) {
        auto& it = parent.Add(std::make_unique<TMenuItem>(name, caption));
        FContext.form.Register(it);
        return &it;
    };
    TMenuItem& root = trayMenu.Items;
    MainPopup_MyComputer = item(root, "MainPopup_MyComputer", "My Computer");
    MainPopup_Desktop = item(root, "MainPopup_Desktop", "Desktop");
    MainPopup_Controlpanel = item(root, "MainPopup_Controlpanel", "Control panel");
    MainPopup_ClearRecent = item(root, "MainPopup_ClearRecent", "Clear recent docs");
    MainPop_Cd = item(root, "MainPop_Cd", "Cd-Rom");
    SubPop_Open = item(*MainPop_Cd, "SubPop_Open", "Open tray");
    SubPop_Open->Hint = "Open tray";
    SubPop_Close = item(*MainPop_Cd, "SubPop_Close", "Close tray");
    SubPop_Close->Hint = "Close tray";
    sepAfterCd = item(root, "N5", "-");
    sepAfterCd->SetVisible(false);
    MainPopup_ChangeWall = item(root, "MainPopup_ChangeWall", "Change wallpaper");
    MainPopup_Hideicons = item(root, "MainPopup_Hideicons", "Hide desktop icons");
    sepAfterDesktopItems = item(root, "N4", "-");
    sepAfterDesktopItems->SetVisible(false);
    MainPopup_Power = item(root, "MainPopup_Power", "Power manager");
    SubLogoff = item(*MainPopup_Power, "SubLogoff", "Log Off");
    SubReboot = item(*MainPopup_Power, "SubReboot", "Reboot");
    SubShutdown = item(*MainPopup_Power, "SubShutdown", "Shutdown");
    SubDontaskconfirm = item(*MainPopup_Power, "SubDontaskconfirm", "Don't ask confirm");
    sepBeforeSleep = item(*MainPopup_Power, "N6", "-");
    SubSuspend = item(*MainPopup_Power, "SubSuspend", "Suspend");
    SubHibernate = item(*MainPopup_Power, "SubHibernate", "Hibernate");
    sepBeforeScreensaver = item(root, "N3", "-");
    sepBeforeScreensaver->SetVisible(false);
    MainPopup_Startscreensaver = item(root, "MainPopup_Startscreensaver", "Start screensaver");
    MainPopup_ScreensaverEnabled = item(root, "MainPopup_ScreensaverEnabled", "Screensaver enabled");
    MainPopup_ScreensaverEnabled->SetChecked(true);
    sepBeforeConfigure = item(root, "N2", "-");
    sepBeforeConfigure->SetVisible(false);
    MainPop_Configure = item(root, "MainPop_Configure", "Configure...");
    MainPop_Configure->Default = true;
    sepBeforeClose = item(root, "N1", "-");
    MainPop_Close = item(root, "MainPop_Close", "Close Velant! Pro 2001");
}

std::vector<std::pair<TCheckBox*, TMenuItem*>> TMenuPage::VisibilitySwitches() {
    return {
        {&ckMycomputer, MainPopup_MyComputer},
        {&ckDesktop, MainPopup_Desktop},
        {&ckControlPanel, MainPopup_Controlpanel},
        {&ckCdRom, MainPop_Cd},
        {&ckClearRecent, MainPopup_ClearRecent},
        {&ckChangeW, MainPopup_ChangeWall},
        {&ckHide, MainPopup_Hideicons},
        {&ckPower, MainPopup_Power},
        {&ckStartScr, MainPopup_Startscreensaver},
        {&ckEnableScr, MainPopup_ScreensaverEnabled},
    };
}

void TMenuPage::Popup(int x, int y) { trayMenu.Popup(FContext.platform.user, x, y, FContext.form.Handle()); }

void TMenuPage::VisibilitySwitchClick(TCheckBox& box, TMenuItem& item) {
    item.SetVisible(box.Checked());
    FContext.settings.Save(box, TStoredIn::MainMirror);
    UpdateMenuSeparators();
    RefreshDesktopMenu(box.Checked());
}

void TMenuPage::UpdateMenuSeparators() {
    sepAfterCd->SetVisible(ckMycomputer.Checked() || ckDesktop.Checked() || ckControlPanel.Checked() ||
                           ckCdRom.Checked() || ckClearRecent.Checked());
    sepAfterDesktopItems->SetVisible(ckChangeW.Checked() || ckHide.Checked());
    sepBeforeScreensaver->SetVisible(ckPower.Checked());
    sepBeforeConfigure->SetVisible(ckStartScr.Checked() || ckEnableScr.Checked());
}

void TMenuPage::RefreshDesktopMenu(bool rebuild) {
    if (rebuild) FDesktopMenu.Rebuild();
}

void TMenuPage::OpenSpecialFolder(int csidl) {
    plat::Pidl list = 0;
    FContext.platform.shell.SHGetSpecialFolderLocation(0, csidl, list);
    const plat::TOwnedIdList ownedList(FContext.platform.shell, list);
    plat::ShellExecuteInfo info;
    info.cbSize = 60;
    info.mask = plat::SEE_MASK_IDLIST | plat::SEE_MASK_NOCLOSEPROCESS;
    info.show = plat::SW_SHOWNORMAL;
    info.idList = list;
    FContext.platform.shell.ShellExecuteEx(info);
    const plat::TOwnedKernelHandle process(FContext.platform.kernel, info.process);
    // Stay responsive while the folder's process runs; a folder opened in an
    // existing shell window starts no process and ends the wait at once.
    while (FContext.platform.kernel.WaitForSingleObject(info.process, 500) == plat::WAIT_TIMEOUT)
        FContext.app.ProcessMessages();
}

// --- start-menu special folders ---

std::string TMenuPage::StartMenuPath() {
    auto explorer =
        plat::RegKey::Create(FContext.platform.registry, plat::HKEY_CURRENT_USER,
                             "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer", plat::KEY_ALL_ACCESS);
    std::string path;
    if (explorer.Valid()) {
        auto folders =
            plat::RegKey::Open(FContext.platform.registry, explorer.Get(), "Shell Folders", plat::KEY_READ);
        if (folders.Valid()) {
            try {
                path = folders.ReadString("Start Menu").value_or("");
            } catch (const EVelantError& error) {
                plat::Trace(FContext.platform.kernel, "Reading the start menu folder", error);
                path.clear();
            }
        }
    }
    if (path.empty()) {
        // Never fall back to the root of the current drive: ask the shell instead.
        plat::Pidl list = 0;
        if (FContext.platform.shell.SHGetSpecialFolderLocation(0, plat::CSIDL_STARTMENU, list) == 0 && list) {
            const plat::TOwnedIdList owned(FContext.platform.shell, list);
            FContext.platform.shell.SHGetPathFromIDList(list, path);
        }
    }
    return path;
}

void TMenuPage::AddStartMenuFolder(const std::string& folderName) {
    const std::string start = StartMenuPath();
    if (start.empty()) return;
    // One that is there already is what the user asked for; any failure leaves a trace.
    auto& k = FContext.platform.kernel;
    if (!k.CreateDirectory(start + "\\" + folderName))
        plat::Trace(k, "Adding " + folderName, plat::LastError(k));
}

void TMenuPage::RemoveStartMenuFolder(const std::string& folderName) {
    const std::string start = StartMenuPath();
    if (start.empty()) return;
    auto& k = FContext.platform.kernel;
    if (!k.RemoveDirectory(start + "\\" + folderName))
        plat::Trace(k, "Removing " + folderName, plat::LastError(k));
}
void TMenuPage::WirePowerMenu() {
    SubLogoff->OnClick = [this] { LogonCommand(TRebootOperation::roLogOff); };
    SubReboot->OnClick = [this] { LogonCommand(TRebootOperation::roReboot); };
    SubShutdown->OnClick = [this] { LogonCommand(TRebootOperation::roShutDown); };
    SubSuspend->OnClick = [this] { PowerCommand(TRebootOperation::roSuspend); };
    SubHibernate->OnClick = [this] { PowerCommand(TRebootOperation::roHibernate); };
    SubDontaskconfirm->OnClick = [this] {
        SubDontaskconfirm->SetChecked(!SubDontaskconfirm->Checked());
        FPower.ForceTerminateProcesses = SubDontaskconfirm->Checked();
    };
}

void TMenuPage::LogonCommand(TRebootOperation operation) {
    FPower.ForceTerminateProcesses = SubDontaskconfirm->Checked();
    FPower.PowerOff = false;
    FPower.Operation = operation;
    FPower.Execute();
}

// Suspend and hibernate keep the force flag as the last logon command or a
// click on "Don't ask confirm" left it.
void TMenuPage::PowerCommand(TRebootOperation operation) {
    FPower.Operation = operation;
    FPower.Execute();
}
