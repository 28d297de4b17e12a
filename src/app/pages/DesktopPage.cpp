#include "app/pages/DesktopPage.h"

#include <iterator>

#include "app/resources/resource.h"
#include "app/settings/FormStorage.h"
#include "app/settings/Settings.h"
#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Convert.h"

namespace {

const char* const kRecycleBinKey = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
// The user's own name for it, which the shell reads before the machine-wide one
// and which a user without administrator rights may write.
const char* const kUserRecycleBinKey = "Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";

}  // namespace

void TDesktopPage::Describe() {
    recycleBinName.Hint = "Not in Win98ME";
    ckActiveDesktop.SetEnabled(false);
    lblIcon.Font.Color = 0x00FF00;
    lblIcon.SetColor(0xC0C0C0);
    lblIcon.SetTransparent(true);
}

void TDesktopPage::Wire() {
    ckDesktopIcons.OnClick = [this] { ckDesktopIconsClick(); };
    ckTaskbar.OnClick = [this] { FParts.icons.SetShowTaskBar(ckTaskbar.Checked()); };
    ckTrayClock.OnClick = [this] { FParts.icons.SetShowTrayClock(ckTrayClock.Checked()); };
    ckStartButton.OnClick = [this] { FParts.icons.SetShowStartButton(ckStartButton.Checked()); };
    ckArrows.OnClick = [this] { FParts.icons.SetShowArrows(ckArrows.Checked()); };
    ckTransparent.OnClick = [this] { ckTransparentClick(); };
    textColorButton.OnClick = [this] { TextColorButtonClick(); };
    backColorButton.OnClick = [this] { BackColorButtonClick(); };
    defaultColorsButton.OnClick = [this] { DefaultColorsButtonClick(); };

    ckHotEnable.OnClick = [this] { ckHotEnableClick(); };
    for (TCheckBox* box : {&ckHotScr, &ckHotWall, &ckHotHideIcons, &ckHotCd, &ckHotShutdown, &ckTransparency})
        box->OnClick = [this] { UpdateHotKeyEntries(); };

    ShowMissingShellParts();
    FContext.form.BeforeShowHooks.push_back([this] { ShowMissingShellParts(); });
}

void TDesktopPage::WireShellSwitches() {
    desktopPropertiesButton.OnClick = [this] { OpenDisplayProperties(); };
    renameRecycleBinButton.OnClick = [this] { RenameRecycleBin(); };
    ckDragFullWindows.OnClick = [this] { ckDragFullWindowsClick(); };
    ckAWinTrack.OnClick = [this] { ckAWinTrackClick(); };
    ckActiveDesktop.OnClick = [this] { ckActiveDesktopClick(); };
}

void TDesktopPage::AddRows(TFormLayout& rows) {
    rows.insert(rows.end(), {
                                {ckDesktopIcons, tab, IDC_CKDESKTOPICONS},
                                {ckTaskbar, tab, IDC_CKTASKBAR},
                                {ckTrayClock, tab, IDC_CKTRAYCLOCK},
                                {ckStartButton, tab, IDC_CKSTARTBUTTON},
                                {ckArrows, tab, IDC_CKARROWS},
                                {ckTransparent, tab, IDC_CKTRANSPARENT},
                                {lblIcon, tab, IDC_LBLICON, kColorSample},
                                {textColorButton, tab, IDC_TEXTCOLORBUTTON},
                                {backColorButton, tab, IDC_BACKCOLORBUTTON},
                                {defaultColorsButton, tab, IDC_DEFAULTCOLORSBUTTON},
                                {ckCheckTrans, tab, IDC_CKCHECKTRANS},
                                {desktopPropertiesButton, tab, IDC_DESKTOPPROPERTIESBUTTON},
                                {renameRecycleBinButton, tab, IDC_RENAMERECYCLEBINBUTTON},
                                {recycleBinName, tab, IDC_RECYCLEBINNAME},
                                {ckDragFullWindows, tab, IDC_CKDRAGFULLWINDOWS},
                                {ckAWinTrack, tab, IDC_CKAWINTRACK},
                                {ckActiveDesktop, tab, IDC_CKACTIVEDESKTOP},
                                {ckHotEnable, tab, IDC_CKHOTENABLE},
                                {ckHotScr, tab, IDC_CKHOTSCR},
                                {ckHotWall, tab, IDC_CKHOTWALL},
                                {ckHotHideIcons, tab, IDC_CKHOTHIDEICONS},
                                {ckHotCd, tab, IDC_CKHOTCD},
                                {ckHotShutdown, tab, IDC_CKHOTSHUTDOWN},
                                {ckTransparency, tab, IDC_CKTRANSPARENCY},
                            });
}

void TDesktopPage::ApplyDesktopParts() {
    FParts.icons.SetShowDesktop(ckDesktopIcons.Checked());
    FParts.icons.SetShowTrayClock(ckTrayClock.Checked());
    FParts.icons.SetShowTaskBar(ckTaskbar.Checked());
    FParts.icons.SetShowStartButton(ckStartButton.Checked());
    FParts.icons.SetShowArrows(ckArrows.Checked());
}

void TDesktopPage::ckDesktopIconsClick() {
    FParts.icons.SetShowDesktop(ckDesktopIcons.Checked());
    // The box is the one record of the icons' state; the menu's check mark is
    // only its mirror, so every path that toggles the box (the menu item, the
    // hotkey, a click on the page, a restored setting) moves the mark with it.
    FParts.hideIconsItem->SetChecked(!ckDesktopIcons.Checked());
}
void TDesktopPage::ckTransparentClick() {
    lblIcon.SetTransparent(ckTransparent.Checked());
    FParts.look.ApplyIconColors();
}

void TDesktopPage::TextColorButtonClick() {
    if (FParts.colorDialog.Execute(FContext.platform.dialogs, FContext.form.Handle())) {
        lblIcon.Font.Color = FParts.colorDialog.Color;
        lblIcon.Font.Changed();
    }
    FParts.look.ApplyIconColors();
}

void TDesktopPage::BackColorButtonClick() {
    if (FParts.colorDialog.Execute(FContext.platform.dialogs, FContext.form.Handle()))
        lblIcon.SetColor(FParts.colorDialog.Color);
    FParts.look.ApplyIconColors();
}

void TDesktopPage::DefaultColorsButtonClick() {
    FParts.icons.RestoreDefaultColors();
    ckCheckTrans.SetChecked(false);
}

void TDesktopPage::ClickDesktopIcons() {
    // Button down, a pause a real click would have, button up: the box toggles
    // as under the user's mouse and runs its own handler.
    FContext.platform.kernel.Sleep(50);
    ckDesktopIcons.Toggle();
}

// The taskbar's check boxes where this Windows has no such part: the box cannot
// act, and says why. Its stored state stays as it is for a Windows that has one.
void TDesktopPage::ShowMissingShellParts() {
    struct Part {
        TCheckBox& box;
        bool present;
        const char* hint;
    };
    const bool taskBar = FParts.icons.HasTaskBar();
    const Part parts[] = {
        {ckTaskbar, taskBar, "This version of Windows has no taskbar that can be hidden."},
        {ckTrayClock, taskBar && FParts.icons.HasTrayClock(),
         "This version of Windows has no tray clock that can be hidden."},
        {ckStartButton, taskBar && FParts.icons.HasStartButton(),
         "This version of Windows has no start button that can be hidden."},
    };
    // The boxes' look is no choice of the user's: the settings store, which writes
    // a stored box at its every change, must not write them for it.
    const struct Pause {
        TFormStorage& store;
        bool active = store.Active;
        ~Pause() { store.Active = active; }
    } pause{FContext.store};
    FContext.store.Active = false;
    for (const Part& part : parts) {
        part.box.SetHint(part.present ? "" : part.hint);
        part.box.SetEnabled(part.present);
    }
}

namespace {

struct ProgramHotKey {
    THotKeyModifiers modifiers;
    char letter;
};

// In index order: the index is the identifier the system reports.
constexpr ProgramHotKey kProgramHotKeys[] = {
    {hmWin, 'S'},          {hmWin, 'W'},          {hmCtrl | hmWin, 'I'},
    {hmCtrl | hmWin, 'O'}, {hmCtrl | hmWin, 'C'}, {hmCtrl | hmAlt | hmWin, 'X'},
    {hmCtrl | hmAlt, 'T'},
};

constexpr int kProgramHotKeyCount = static_cast<int>(std::size(kProgramHotKeys));

}  // namespace

// The box that switches a combination on; one box serves both CD combinations.
const TCheckBox& TDesktopPage::HotKeyBox(int index) const {
    const TCheckBox* boxes[] = {&ckHotScr, &ckHotWall,     &ckHotHideIcons, &ckHotCd,
                                &ckHotCd,  &ckHotShutdown, &ckTransparency};
    return *boxes[index];
}

void TDesktopPage::AddProgramHotKeys() {
    for (int i = 0; i < kProgramHotKeyCount; ++i)
        FParts.hotKeys.AddHotKey(hkLetter(kProgramHotKeys[i].letter), kProgramHotKeys[i].modifiers,
                                 HotKeyBox(i).Checked());
}

bool TDesktopPage::HotKeyHeld(int index) const {
    return index >= 0 && index < kProgramHotKeyCount && HotKeyBox(index).Checked();
}

void TDesktopPage::UpdateHotKeyEntries() {
    if (FParts.hotKeys.Count() < kProgramHotKeyCount)
        return;  // the boxes are restored before the combinations exist
    for (int i = 0; i < kProgramHotKeyCount; ++i) FParts.hotKeys.SetEnabled(i, HotKeyBox(i).Checked());
}

void TDesktopPage::ckHotEnableClick() {
    FContext.settings.Save(ckHotEnable, TStoredIn::MainMirror);
    FParts.hotKeys.SetActive(ckHotEnable.Checked());
}

void TDesktopPage::OpenDisplayProperties() {
    FContext.platform.shell.ShellExecute(0, "open", "rundll32.exe", "shell32.dll,Control_RunDLL desk.cpl,,2",
                                         nullptr, plat::SW_SHOWNORMAL);
}

void TDesktopPage::RenameRecycleBin() {
    // Writing a name the box never got from the registry (its design text, or
    // what stayed after a failed read) or no name at all would break the icon's label.
    const char* refusal = nullptr;
    if (!FRecycleBinNameRead)
        refusal = "The Recycle Bin's current name could not be read, so it cannot be renamed.";
    else if (TrimControl(recycleBinName.Text()).empty())
        refusal = "Please type a name for the Recycle Bin.";
    if (refusal) {
        FContext.platform.dialogs.MessageBox(FContext.form.Handle(), refusal, FContext.app.Title,
                                             plat::MB_OK | plat::MB_ICONINFORMATION);
        return;
    }
    if (FContext.platform.dialogs.MessageBox(FContext.form.Handle(), "NOT for Windows 98 ME\rContinue?",
                                             FContext.app.Title,
                                             plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES)
        return;
    const std::string name = recycleBinName.Text();
    const EVelantError failed(
        "The Recycle Bin could not be renamed: its name cannot be written to the registry.");
    FParts.registry.RootKey = TRootKey::hkCurrentUser;
    FParts.registry.Key = kUserRecycleBinKey;
    try {
        FParts.registry.WriteValue("", name);
    } catch (const EVelantError&) {
        throw failed;
    }
    // A key that cannot be created writes nothing and says nothing.
    TVariant written;
    FParts.registry.ReadValue("", TVariant(), written);
    const auto* text = std::get_if<std::string>(&written);
    if (!text || *text != name) throw failed;
}

// The name the user sees: the user's own when there is one, else the machine's.
void TDesktopPage::ReadRecycleBinName() {
    const std::pair<TRootKey, const char*> places[] = {{TRootKey::hkCurrentUser, kUserRecycleBinKey},
                                                       {TRootKey::hkClassesRoot, kRecycleBinKey}};
    FRecycleBinNameRead = false;
    // Asking for more than reading is refused on the machine's key to a user
    // without administrator rights.
    FParts.registry.Access = TAccess::kRead;
    const struct Restore {
        TRegistryAccess& helper;
        ~Restore() { helper.Access = TAccess::kAllAccess; }
    } restore{FParts.registry};
    for (const auto& [root, key] : places) {
        FParts.registry.RootKey = root;
        FParts.registry.Key = key;
        // Only a text is a name; anything else leaves the box as it was.
        TVariant name;
        FParts.registry.ReadValue("", TVariant(), name);
        if (const auto* text = std::get_if<std::string>(&name)) {
            FRecycleBinNameRead = true;
            recycleBinName.SetText(*text);
            return;
        }
    }
}

void TDesktopPage::ckDragFullWindowsClick() {
    const bool on = ckDragFullWindows.Checked();
    FParts.registry.RootKey = TRootKey::hkCurrentUser;
    FParts.registry.Key = "Control Panel\\Desktop\\";
    FParts.registry.WriteValue("DragFullWindows", std::string(on ? "1" : "0"));
    FContext.platform.user.SystemParametersInfo(plat::SPI_SETDRAGFULLWINDOWS, on ? 1 : 0, nullptr, 0);
}

void TDesktopPage::ckAWinTrackClick() {
    FParts.registry.RootKey = TRootKey::hkCurrentUser;
    FParts.registry.Key = "Control Panel\\Mouse\\";
    if (ckAWinTrack.Checked())
        FParts.registry.WriteValue("ActiveWindowTracking", std::int32_t{1});
    else
        FParts.registry.WriteBinaryInteger("ActiveWindowTracking", 0);
}

void TDesktopPage::SetActiveDesktop(bool enable) {
    // Options set on one Active Desktop object are only applied by that same object.
    const auto desktop = FContext.platform.shell.CreateActiveDesktop();
    if (!desktop) return;
    plat::ActiveDesktopOptions options;
    options.dwSize = 12;
    desktop->GetDesktopItemOptions(options);
    options.fActiveDesktop = enable ? -1 : 0;
    // AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE
    const bool set = desktop->SetDesktopItemOptions(options);
    const bool applied = desktop->ApplyChanges(0x0F);
    if (!set || !applied)
        plat::Trace(FContext.platform.kernel, "Switching the Active Desktop",
                    EVelantError("the shell refused the Active Desktop's options"));
}

void TDesktopPage::ckActiveDesktopClick() {
    SetActiveDesktop(ckActiveDesktop.Checked());
    FParts.look.ApplyIconColors();
}

bool TDesktopPage::ShellSupportsActiveDesktop() {
    auto& k = FContext.platform.kernel;
    const std::string path = k.GetWindowsDirectory() + "\\system\\shell32.dll";
    if (k.GetFileVersionInfoSize(path) == 0) return false;
    std::vector<std::uint8_t> block;
    plat::FixedFileVersion version;
    if (!k.GetFileVersionInfo(path, block) || !k.VerQueryFixedFileInfo(block, version)) return false;
    const unsigned major = version.fileVersionMS >> 16;
    const unsigned minor = version.fileVersionMS & 0xFFFF;
    return (major > 3 && minor > 70) || major > 4;
}

bool TDesktopPage::ActiveDesktopEnabled() {
    if (!ShellSupportsActiveDesktop()) return false;
    const auto desktop = FContext.platform.shell.CreateActiveDesktop();
    if (!desktop) return false;
    plat::ActiveDesktopOptions options;
    options.dwSize = 12;
    if (!desktop->GetDesktopItemOptions(options)) return false;
    return options.fActiveDesktop != 0;
}
