// One-shot shell commands and switches, and the start-menu special folders.
#include "app/MainForm.h"
#include "platform/RegKey.h"
#include "platform/Owned.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Convert.h"

namespace {

const char* const kRecycleBinKey = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
// The user's own name for it, which the shell reads before the machine-wide one
// and which a user without administrator rights may write.
const char* const kUserRecycleBinKey = "Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";

}  // namespace

void TMainForm::WireShellCommands() {
    desktopPropertiesButton.OnClick = [this] { OpenDisplayProperties(); };
    renameRecycleBinButton.OnClick = [this] { RenameRecycleBin(); };
    pageControl.OnEnter = [this] { PageControlEnter(); };
    ckDragFullWindows.OnClick = [this] { ckDragFullWindowsClick(); };
    ckAWinTrack.OnClick = [this] { ckAWinTrackClick(); };
    ckActiveDesktop.OnClick = [this] { ckActiveDesktopClick(); };
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
        {addPrintersButton, deletePrintersButton, imgPrinters, "Printers.{2227A280-3AEA-1069-A2DE-08002B30309D}"},
    };
    for (const Row& r : rows) {
        const std::string folder = r.folder;
        r.add.OnClick = [this, folder] { AddStartMenuFolder(folder); };
        r.remove.OnClick = [this, folder] { RemoveStartMenuFolder(folder); };
        // The row shows the object its folder stands for: the class identifier after the dot.
        r.picture.ShellObject = "::" + folder.substr(folder.rfind('.') + 1);
    }
}

void TMainForm::OpenDisplayProperties() {
    FPlatform.shell.ShellExecute(0, "open", "rundll32.exe", "shell32.dll,Control_RunDLL desk.cpl,,2", nullptr,
                                 plat::SW_SHOWNORMAL);
}

void TMainForm::RenameRecycleBin() {
    // Writing a name the box never got from the registry (its design text, or
    // what stayed after a failed read) or no name at all would break the icon's label.
    const char* refusal = nullptr;
    if (!FRecycleBinNameRead)
        refusal = "The Recycle Bin's current name could not be read, so it cannot be renamed.";
    else if (TrimControl(recycleBinName.Text()).empty())
        refusal = "Please type a name for the Recycle Bin.";
    if (refusal) {
        FPlatform.dialogs.MessageBox(Handle(), refusal, FApp.Title, plat::MB_OK | plat::MB_ICONINFORMATION);
        return;
    }
    if (FPlatform.dialogs.MessageBox(Handle(), "NOT for Windows 98 ME\rContinue?", FApp.Title,
                                     plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES)
        return;
    const std::string name = recycleBinName.Text();
    const EVelantError failed(
        "The Recycle Bin could not be renamed: its name cannot be written to the registry.");
    registryAccess.RootKey = TRootKey::hkCurrentUser;
    registryAccess.Key = kUserRecycleBinKey;
    try {
        registryAccess.WriteValue("", name);
    } catch (const EVelantError&) {
        throw failed;
    }
    // A key that cannot be created writes nothing and says nothing.
    TVariant written;
    registryAccess.ReadValue("", TVariant(), written);
    const auto* text = std::get_if<std::string>(&written);
    if (!text || *text != name) throw failed;
}

// The name the user sees: the user's own when there is one, else the machine's.
void TMainForm::ReadRecycleBinName() {
    const std::pair<TRootKey, const char*> places[] = {{TRootKey::hkCurrentUser, kUserRecycleBinKey},
                                                       {TRootKey::hkClassesRoot, kRecycleBinKey}};
    FRecycleBinNameRead = false;
    // Asking for more than reading is refused on the machine's key to a user
    // without administrator rights.
    registryAccess.Access = TAccess::kRead;
    const struct Restore {
        TRegistryAccess& helper;
        ~Restore() { helper.Access = TAccess::kAllAccess; }
    } restore{registryAccess};
    for (const auto& [root, key] : places) {
        registryAccess.RootKey = root;
        registryAccess.Key = key;
        // Only a text is a name; anything else leaves the box as it was.
        TVariant name;
        registryAccess.ReadValue("", TVariant(), name);
        if (const auto* text = std::get_if<std::string>(&name)) {
            FRecycleBinNameRead = true;
            recycleBinName.SetText(*text);
            return;
        }
    }
}

void TMainForm::PageControlEnter() { ReadRecycleBinName(); }

void TMainForm::ckDragFullWindowsClick() {
    const bool on = ckDragFullWindows.Checked();
    registryAccess.RootKey = TRootKey::hkCurrentUser;
    registryAccess.Key = "Control Panel\\Desktop\\";
    registryAccess.WriteValue("DragFullWindows", std::string(on ? "1" : "0"));
    FPlatform.user.SystemParametersInfo(plat::SPI_SETDRAGFULLWINDOWS, on ? 1 : 0, nullptr, 0);
}

void TMainForm::ckAWinTrackClick() {
    registryAccess.RootKey = TRootKey::hkCurrentUser;
    registryAccess.Key = "Control Panel\\Mouse\\";
    if (ckAWinTrack.Checked())
        registryAccess.WriteValue("ActiveWindowTracking", std::int32_t{1});
    else
        registryAccess.WriteBinaryInteger("ActiveWindowTracking", 0);
}

void TMainForm::SetActiveDesktop(bool enable) {
    // Options set on one Active Desktop object are only applied by that same object.
    const auto desktop = FPlatform.shell.CreateActiveDesktop();
    if (!desktop) return;
    plat::ActiveDesktopOptions options;
    options.dwSize = 12;
    desktop->GetDesktopItemOptions(options);
    options.fActiveDesktop = enable ? -1 : 0;
    desktop->SetDesktopItemOptions(options);
    // AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE
    desktop->ApplyChanges(0x0F);
}

void TMainForm::ckActiveDesktopClick() {
    SetActiveDesktop(ckActiveDesktop.Checked());
    ApplyIconColors();
}

void TMainForm::OpenSpecialFolder(int csidl) {
    plat::Pidl list = 0;
    FPlatform.shell.SHGetSpecialFolderLocation(0, csidl, list);
    const plat::TOwnedIdList ownedList(FPlatform.shell, list);
    plat::ShellExecuteInfo info;
    info.cbSize = 60;
    info.mask = plat::SEE_MASK_IDLIST | plat::SEE_MASK_NOCLOSEPROCESS;
    info.show = plat::SW_SHOWNORMAL;
    info.idList = list;
    FPlatform.shell.ShellExecuteEx(info);
    const plat::TOwnedKernelHandle process(FPlatform.kernel, info.process);
    // Stay responsive while the folder's process runs; a folder opened in an
    // existing shell window starts no process and ends the wait at once.
    while (FPlatform.kernel.WaitForSingleObject(info.process, 500) == plat::WAIT_TIMEOUT)
        FApp.ProcessMessages();
}

// --- start-menu special folders ---

std::string TMainForm::StartMenuPath() {
    auto explorer =
        plat::RegKey::Create(FPlatform.registry, plat::HKEY_CURRENT_USER,
                             "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer", plat::KEY_ALL_ACCESS);
    std::string path;
    if (explorer.Valid()) {
        auto folders =
            plat::RegKey::Open(FPlatform.registry, explorer.Get(), "Shell Folders", plat::KEY_READ);
        if (folders.Valid()) {
            try {
                path = folders.ReadString("Start Menu").value_or("");
            } catch (const EVelantError& error) {
                plat::Trace(FPlatform.kernel, "Reading the start menu folder", error);
                path.clear();
            }
        }
    }
    if (path.empty()) {
        // Never fall back to the root of the current drive: ask the shell instead.
        plat::Pidl list = 0;
        if (FPlatform.shell.SHGetSpecialFolderLocation(0, plat::CSIDL_STARTMENU, list) == 0 && list) {
            const plat::TOwnedIdList owned(FPlatform.shell, list);
            FPlatform.shell.SHGetPathFromIDList(list, path);
        }
    }
    return path;
}

void TMainForm::AddStartMenuFolder(const std::string& folderName) {
    const std::string start = StartMenuPath();
    if (start.empty()) return;
    FPlatform.kernel.CreateDirectory(start + "\\" + folderName);
}

void TMainForm::RemoveStartMenuFolder(const std::string& folderName) {
    const std::string start = StartMenuPath();
    if (start.empty()) return;
    FPlatform.kernel.RemoveDirectory(start + "\\" + folderName);
}
