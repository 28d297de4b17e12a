// The notification icon's popup menu and the shell commands behind its items
// and the "Popup menu/Start menu" page.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"
#include "FormHarness.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kStore = "Software\\Corvane\\Velant! Pro 2001";
const std::string kMain = "Software\\Corvane\\Velant! Pro 2001\\Main";

class PopupTest : public ::testing::Test {
protected:
    PopupTest() { app.Title = "Velant! Pro 2001"; }
    TMainForm& Start() {
        form = std::make_unique<TMainForm>(p, app);
        view = std::make_unique<SimFormView>(win, *form);
        form->SetView(view.get());
        form->Loaded();
        return *form;
    }
    void Stored(const std::string& name, const std::string& text) {
        win.Registry().SetString(HKCU, kStore, name, text);
    }
    void IconMouse(std::uint32_t mouseMessage) {
        win.User().Post(form->trayIcon.Handle(), plat::WM_TRAYNOTIFY, 1,
                        static_cast<plat::LParam>(mouseMessage));
        win.ProcessMessages();
    }
    // Right click on the icon choosing the item with that caption (or dismissing the menu).
    void Choose(const std::string& caption) {
        chosen = caption;
        IconMouse(plat::WM_RBUTTONDOWN);
        IconMouse(plat::WM_RBUTTONUP);
    }
    // The captions of the last tracked menu, separators as "-", submenus with ">".
    std::vector<std::string> Shown() {
        const auto tracked = win.User().TrackedMenus();
        if (tracked.empty()) return {};
        std::vector<std::string> out;
        for (const auto& item : win.User().Menu(tracked.back()).items) {
            if (item.flags & plat::MF_SEPARATOR)
                out.push_back("-");
            else
                out.push_back(item.text + ((item.flags & plat::MF_POPUP) ? " >" : "") +
                              ((item.flags & plat::MF_CHECKED) ? " [x]" : ""));
        }
        return out;
    }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<SimFormView> view;  // outlives the form, which uses it until the end
    std::unique_ptr<TMainForm> form;
    std::string chosen;
};

TEST_F(PopupTest, OpensOnTheRightButtonsReleaseAtTheCursorOwnedByTheWindow) {
    auto& f = Start();
    win.User().SetCursor({300, 700});
    IconMouse(plat::WM_LBUTTONDOWN);
    IconMouse(plat::WM_LBUTTONUP);
    IconMouse(plat::WM_RBUTTONDOWN);
    EXPECT_TRUE(win.User().TrackedMenus().empty());
    IconMouse(plat::WM_RBUTTONUP);
    ASSERT_EQ(win.User().TrackedMenus().size(), 1u);
    const plat::Hmenu menu = win.User().TrackedMenus().back();
    EXPECT_TRUE(win.Contains("TrackPopupMenu(" + std::to_string(menu.Value()) + ", 2, 300, 700, " +
                             std::to_string(f.Handle().Value()) + ")"));
    // The desktop folder is empty here, so "Desktop" has no submenu to open.
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{
                  "My Computer", "Desktop", "Control panel", "Clear recent docs", "Cd-Rom >", "-",
                  "Change wallpaper", "Hide desktop icons", "-", "Power manager >", "-", "Start screensaver",
                  "Screensaver enabled [x]", "-", "Configure...", "-", "Close Velant! Pro 2001"}));
    const auto& model = win.User().Menu(menu);
    ASSERT_TRUE(model.defaultItem.has_value());
    EXPECT_FALSE(model.defaultByPosition);
    // The power submenu keeps its own separator.
    plat::Hmenu power = 0;
    for (const auto& item : model.items)
        if (item.text == "Power manager") power = item.submenu ? item.submenu : plat::Hmenu{item.id};
    std::vector<std::string> sub;
    for (const auto& item : win.User().Menu(power).items)
        sub.push_back(item.flags & plat::MF_SEPARATOR ? "-" : item.text);
    EXPECT_EQ(sub, (std::vector<std::string>{"Log Off", "Reboot", "Shutdown", "Don't ask confirm", "-",
                                             "Suspend", "Hibernate"}));
}

TEST_F(PopupTest, SwitchesHideItemsAndTheirSeparatorsAndMirrorEachClick) {
    auto& f = Start();
    for (TCheckBox* box : {&f.menuPage.ckMycomputer, &f.menuPage.ckDesktop, &f.menuPage.ckControlPanel,
                           &f.menuPage.ckCdRom, &f.menuPage.ckClearRecent, &f.menuPage.ckChangeW,
                           &f.menuPage.ckHide, &f.menuPage.ckStartScr, &f.menuPage.ckEnableScr})
        box->SetChecked(false);
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ckDesktop"), "false");
    Choose("");
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Power manager >", "-", "Configure...", "-",
                                                 "Close Velant! Pro 2001"}));
    f.menuPage.ckPower.SetChecked(false);
    Choose("");
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Configure...", "-", "Close Velant! Pro 2001"}));
    f.menuPage.ckCdRom.SetChecked(true);
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ckCdRom"), "true");
    Choose("");
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{"Cd-Rom >", "-", "Configure...", "-", "Close Velant! Pro 2001"}));
}

TEST_F(PopupTest, EachGroupsSeparatorShowsWhileAnyOneOfItsSwitchesIsOn) {
    auto& f = Start();
    struct Group {
        TMenuItem* separator;
        std::vector<TCheckBox*> switches;
    };
    const std::vector<Group> groups = {
        {f.menuPage.sepAfterCd,
         {&f.menuPage.ckMycomputer, &f.menuPage.ckDesktop, &f.menuPage.ckControlPanel, &f.menuPage.ckCdRom,
          &f.menuPage.ckClearRecent}},
        {f.menuPage.sepAfterDesktopItems, {&f.menuPage.ckChangeW, &f.menuPage.ckHide}},
        {f.menuPage.sepBeforeScreensaver, {&f.menuPage.ckPower}},
        {f.menuPage.sepBeforeConfigure, {&f.menuPage.ckStartScr, &f.menuPage.ckEnableScr}},
    };
    auto setAll = [&](bool on) {
        for (const auto& group : groups)
            for (TCheckBox* box : group.switches) box->SetChecked(on);
    };
    auto separatorsShown = [&] {
        Choose("");
        const auto shown = Shown();
        return std::count(shown.begin(), shown.end(), "-");
    };
    setAll(false);
    const auto alwaysShown = separatorsShown();
    for (const auto& group : groups) {
        // Each switch of the group on by itself, then all of them, then none.
        std::vector<std::vector<bool>> states;
        for (std::size_t i = 0; i < group.switches.size(); ++i) {
            states.emplace_back(group.switches.size(), false);
            states.back()[i] = true;
        }
        states.emplace_back(group.switches.size(), true);
        states.emplace_back(group.switches.size(), false);
        for (const auto& state : states) {
            for (std::size_t i = 0; i < state.size(); ++i) group.switches[i]->SetChecked(state[i]);
            const bool any = std::find(state.begin(), state.end(), true) != state.end();
            std::string trace = group.separator->Name();
            for (bool on : state) trace += on ? " 1" : " 0";
            SCOPED_TRACE(trace);
            EXPECT_EQ(group.separator->Visible(), any);
            EXPECT_EQ(separatorsShown(), alwaysShown + (any ? 1 : 0));
        }
    }
}

TEST_F(PopupTest, StoredSwitchesShapeTheMenuFromTheStart) {
    Stored("ckPower_Checked", "False");
    Stored("ckChangeW_Checked", "False");
    Stored("ckHide_Checked", "False");
    Start();
    Choose("");
    const auto shown = Shown();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "-"), 3);
    EXPECT_EQ(std::find(shown.begin(), shown.end(), "Power manager >"), shown.end());
}

TEST_F(PopupTest, ChosenItemsRunTheirHandlers) {
    auto& f = Start();
    Choose("");
    // Menu ids are handed out in the order the items are shown; find them by caption.
    auto idOf = [&](const std::string& caption) {
        for (const auto& item : win.User().Menu(win.User().TrackedMenus().back()).items)
            if (item.text == caption) return item.id;
        return std::uintptr_t{0};
    };
    win.User().NextMenuChoice(idOf("Screensaver enabled"));
    Choose("");
    win.ProcessMessages();
    EXPECT_FALSE(f.mainPage.ckScrEnable.Checked());
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ckScrEnable"), "false");
    win.User().NextMenuChoice(idOf("Screensaver enabled"));  // the same place, now "disabled"
    Choose("");
    win.ProcessMessages();
    EXPECT_TRUE(f.mainPage.ckScrEnable.Checked());
    EXPECT_TRUE(win.User().ScreenSaverActive());
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ckScrEnable"), "true");

    win.User().NextMenuChoice(idOf("Start screensaver"));
    Choose("");
    win.ProcessMessages();
    EXPECT_TRUE(win.Contains("SendMessage(" + std::to_string(f.Handle().Value()) + ", 0x0112, 61760, 0)"));

    win.User().NextMenuChoice(idOf("Close Velant! Pro 2001"));
    Choose("");
    win.ProcessMessages();
    EXPECT_TRUE(win.Registry().Get(HKCU, kStore, "FormVersion").has_value()) << "closed and saved";
}

// ---- shell commands ----

TEST_F(PopupTest, CdTrayWithoutADeviceShowsTheMciErrorAndGoesOn) {
    auto& f = Start();
    win.Multimedia().SetNoCdDevice(true);
    f.mainPage.openTrayButton.Click();
    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    std::string expected;
    win.Multimedia().mciGetErrorString(263, expected, 127);
    EXPECT_EQ(win.Dialogs().MessageBoxes()[0].text, expected);
    EXPECT_EQ(win.Dialogs().MessageBoxes()[0].type, plat::MB_OK);
    win.Multimedia().SetNoCdDevice(false);
    f.menuPage.SubPop_Close->Click();
    EXPECT_TRUE(win.Contains("mciSendString(\"Set cdaudio door closed wait\")"));
    EXPECT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
}

TEST_F(PopupTest, RecycleBinNameIsReadOnFocusAndWrittenForTheUserOnlyAfterYes) {
    const std::string key = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
    const std::string userKey = "Software\\Classes\\" + key;
    win.Registry().SetString(plat::HKEY_CLASSES_ROOT, key, "", "Bin");
    auto& f = Start();
    for (const bool standardUser : {false, true}) {
        SCOPED_TRACE(standardUser ? "standard user" : "administrator");
        win.SetStandardUser(standardUser);
        win.Registry().RemoveKey(HKCU, userKey);
        f.desktopPage.ReadRecycleBinName();
        EXPECT_EQ(f.desktopPage.recycleBinName.Text(), "Bin");
        f.desktopPage.recycleBinName.SetText("Trash");
        win.Dialogs().NextMessageBoxAnswer(plat::IDNO);
        f.desktopPage.renameRecycleBinButton.Click();
        EXPECT_FALSE(win.Registry().HasKey(HKCU, userKey));
        EXPECT_EQ(win.Dialogs().MessageBoxes().back().text, "NOT for Windows 98 ME\rContinue?");
        win.Dialogs().NextMessageBoxAnswer(plat::IDYES);
        app.Dispatch([&] { f.desktopPage.renameRecycleBinButton.Click(); });
        EXPECT_EQ(win.Dialogs().MessageBoxes().back().text, "NOT for Windows 98 ME\rContinue?");
        EXPECT_EQ(win.Registry().Get(HKCU, userKey, ""),
                  (sim::SimRegistry::Value{plat::REG_SZ, {'T', 'r', 'a', 's', 'h', 0}}));
        EXPECT_EQ(win.Registry().GetString(plat::HKEY_CLASSES_ROOT, key, ""), "Bin");
        // The name the user sees now is the user's own.
        f.desktopPage.recycleBinName.SetText("");
        f.desktopPage.ReadRecycleBinName();
        EXPECT_EQ(f.desktopPage.recycleBinName.Text(), "Trash");
    }
    // A name that cannot be stored says so, whether its value or its key is refused.
    win.Registry().FailWrites(HKCU, "Software\\Classes");
    f.desktopPage.recycleBinName.SetText("Bin 2");
    for (const bool keyExists : {true, false}) {
        if (!keyExists) win.Registry().RemoveKey(HKCU, userKey);
        win.Dialogs().NextMessageBoxAnswer(plat::IDYES);
        app.Dispatch([&] { f.desktopPage.renameRecycleBinButton.Click(); });
        EXPECT_EQ(win.Dialogs().MessageBoxes().back().text,
                  "The Recycle Bin could not be renamed: its name cannot be written to the registry.");
        EXPECT_EQ(win.Registry().GetString(HKCU, userKey, ""), keyExists ? "Trash" : "");
    }
}

TEST_F(PopupTest, DragAndTrackingSwitchesWriteTheirExactTypes) {
    auto& f = Start();
    f.desktopPage.ckDragFullWindows.SetChecked(true);
    auto drag = win.Registry().Get(HKCU, "Control Panel\\Desktop", "DragFullWindows");
    ASSERT_TRUE(drag.has_value());
    EXPECT_EQ(drag->type, plat::REG_SZ);
    EXPECT_TRUE(win.Contains("SystemParametersInfo(37, 1, null, 0)"));
    f.desktopPage.ckAWinTrack.SetChecked(true);
    auto on = win.Registry().Get(HKCU, "Control Panel\\Mouse", "ActiveWindowTracking");
    ASSERT_TRUE(on.has_value());
    EXPECT_EQ(on->type, plat::REG_DWORD);
    f.desktopPage.ckAWinTrack.SetChecked(false);
    auto off = win.Registry().Get(HKCU, "Control Panel\\Mouse", "ActiveWindowTracking");
    ASSERT_TRUE(off.has_value());
    EXPECT_EQ(off->type, plat::REG_BINARY);
    EXPECT_EQ(off->bytes, (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(PopupTest, SpecialFoldersOpenThroughTheShellAndWaitForItsProcess) {
    auto& f = Start();
    // A folder window that has already closed again.
    const plat::Handle process = win.Kernel().NewProcessHandle();
    win.Kernel().SignalHandle(process);
    win.Shell().SetShellExecuteProcess(process);
    f.menuPage.MainPopup_MyComputer->Click();
    EXPECT_EQ(win.Count("ShellExecuteEx(68,"), 1u);
    f.menuPage.MainPopup_Controlpanel->Click();
    EXPECT_EQ(win.Count("ShellExecuteEx(68,"), 2u);
    // Neither the folders' id lists nor the process handle outlive the clicks.
    EXPECT_EQ(win.Shell().LiveIdLists(), 0u);
    EXPECT_FALSE(win.Kernel().IsHandleOpen(process));
}

TEST_F(PopupTest, StartMenuFoldersGoUnderTheStartMenuNeverTheDriveRoot) {
    auto& f = Start();
    // Each row shows a picture of the object its buttons add and delete.
    const std::pair<const char*, const char*> pictures[] = {
        {"imgControlPanel", "::{21EC2020-3AEA-1069-A2DD-08002B30309D}"},
        {"imgRecycleBin", "::{645FF040-5081-101B-9F08-00AA002F954E}"},
        {"imgUrlHistory", "::{FF393560-C2A7-11CF-BFF4-444553540000}"},
        {"imgPrinters", "::{2227A280-3AEA-1069-A2DE-08002B30309D}"},
    };
    for (const auto& [name, object] : pictures) {
        const auto* picture = dynamic_cast<const TShellIcon*>(f.FindComponent(name));
        ASSERT_NE(picture, nullptr) << name;
        EXPECT_EQ(picture->ShellObject, object) << name;
    }
    const std::string folder = "Control Panel.{21EC2020-3AEA-1069-A2DD-08002B30309D}";
    win.Registry().SetString(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                             "Start Menu", "C:\\Start Menu");
    win.Kernel().CreateDirectory("C:\\Start Menu");
    f.menuPage.addControlPanelButton.Click();
    f.menuPage.addControlPanelButton.Click();
    EXPECT_TRUE(win.Contains("CreateDirectory(\"C:\\Start Menu\\" + folder + "\")"));
    EXPECT_NE(win.Kernel().GetFileAttributes("C:\\Start Menu\\" + folder), 0xFFFFFFFFu);
    f.menuPage.deleteControlPanelButton.Click();
    EXPECT_EQ(win.Kernel().GetFileAttributes("C:\\Start Menu\\" + folder), 0xFFFFFFFFu);
    // Without the registry value the shell's start menu is used, or nothing is done.
    win.Registry().SetString(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                             "Start Menu", "");
    win.ClearJournal();
    f.menuPage.addRecycleBinButton.Click();
    for (const auto& e : win.Journal()) EXPECT_EQ(e.find("CreateDirectory(\"\\"), std::string::npos) << e;
}

}  // namespace
