#include "system/TrayIcon.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

class TrayIconTest : public ::testing::Test {
protected:
    TrayIconTest() {
        app.Title = "Velant! Pro 2001";
        icon = std::make_unique<TTrayIcon>("CoolTrayIcon1", p.user, p.shell, app, owner);
        Record();
    }

    // Every event as text, in the order it fires.
    void Record() {
        auto button = [](TMouseButton b) {
            return b == TMouseButton::mbLeft ? "L" : b == TMouseButton::mbRight ? "R" : "M";
        };
        icon->OnClick = [this] { events.push_back("Click"); };
        icon->OnDblClick = [this] { events.push_back("DblClick"); };
        icon->OnMouseDown = [this, button](TMouseButton b, unsigned shift, int x, int y) {
            events.push_back(std::string("Down ") + button(b) + " " + std::to_string(shift) + " " +
                             std::to_string(x) + "," + std::to_string(y));
        };
        icon->OnMouseUp = [this, button](TMouseButton b, unsigned shift, int x, int y) {
            events.push_back(std::string("Up ") + button(b) + " " + std::to_string(shift) + " " +
                             std::to_string(x) + "," + std::to_string(y));
        };
        icon->OnMouseMove = [this](unsigned shift, int x, int y) {
            events.push_back("Move " + std::to_string(shift) + " " + std::to_string(x) + "," +
                             std::to_string(y));
        };
    }
    // The shell's callback for a mouse message over the icon, delivered by the loop.
    void Mouse(std::uint32_t mouseMessage) {
        win.User().Post(icon->Handle(), plat::WM_TRAYNOTIFY, 1, static_cast<plat::LParam>(mouseMessage));
        win.ProcessMessages();
    }
    std::optional<sim::NotifyIcon> Shown() { return win.Shell().Icon(icon->Handle(), 1); }
    std::string Tip() { return std::string(icon->IconData().tip, strnlen(icon->IconData().tip, 64)); }
    // A popup menu that records where it was opened.
    void GiveMenu(bool autoPopup) {
        menu.AutoPopup = autoPopup;
        menu.OnPopup = [this](int x, int y) {
            events.push_back("Popup " + std::to_string(x) + "," + std::to_string(y));
        };
        auto& item = menu.Items.Add(std::make_unique<TMenuItem>("MainPop_Configure", "Configure..."));
        item.Default = true;
        item.OnClick = [this] { events.push_back("Default item"); };
        icon->PopupMenu = &menu;
    }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    TForm owner{"QuorvForm"};
    TPopupMenu menu{"RxPopupMenu1"};
    std::unique_ptr<TTrayIcon> icon;
    std::vector<std::string> events;
};

// ---- mouse messages to events ----

struct MouseCase {
    const char* name;
    std::vector<std::uint32_t> messages;
    std::vector<std::string> events;
};

class MouseMapping : public TrayIconTest, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(MouseMapping, TurnsShellMessagesIntoEvents) {
    win.User().SetCursor({-120, 45});  // a monitor left of the primary one
    for (auto m : GetParam().messages) Mouse(m);
    EXPECT_EQ(events, GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, MouseMapping,
    ::testing::Values(
        MouseCase{"Move", {plat::WM_MOUSEMOVE}, {"Move 0 -120,45"}},
        MouseCase{"LeftDown", {plat::WM_LBUTTONDOWN}, {"Down L 8 -120,45"}},
        MouseCase{"LeftClick",
                  {plat::WM_LBUTTONDOWN, plat::WM_LBUTTONUP},
                  {"Down L 8 -120,45", "Click", "Up L 8 -120,45"}},
        MouseCase{"LeftUpWithoutDown", {plat::WM_LBUTTONUP}, {"Up L 8 -120,45"}},
        MouseCase{"LeftDoubleClick",
                  {plat::WM_LBUTTONDOWN, plat::WM_LBUTTONUP, plat::WM_LBUTTONDBLCLK, plat::WM_LBUTTONUP},
                  {"Down L 8 -120,45", "Click", "Up L 8 -120,45", "DblClick", "Up L 8 -120,45"}},
        MouseCase{"RightClick",
                  {plat::WM_RBUTTONDOWN, plat::WM_RBUTTONUP},
                  {"Down R 16 -120,45", "Up R 16 -120,45"}},
        MouseCase{"MiddleClick",
                  {plat::WM_MBUTTONDOWN, plat::WM_MBUTTONUP},
                  {"Down M 32 -120,45", "Up M 32 -120,45"}},
        MouseCase{"OtherDoubleClicksIgnored", {plat::WM_RBUTTONDBLCLK, plat::WM_MBUTTONDBLCLK}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrayIconTest, ShiftStateCarriesTheKeysHeldNow) {
    win.User().SetKeyDown(plat::VK_SHIFT, true);
    win.User().SetKeyDown(plat::VK_CONTROL, true);
    Mouse(plat::WM_RBUTTONDOWN);
    win.User().SetKeyDown(plat::VK_SHIFT, false);
    win.User().SetKeyDown(plat::VK_MENU, true);
    Mouse(plat::WM_MOUSEMOVE);
    EXPECT_EQ(events, (std::vector<std::string>{"Down R 21 0,0", "Move 6 0,0"}));
}

TEST_F(TrayIconTest, DisabledIconFiresNothingAndOpensNoMenu) {
    GiveMenu(true);
    icon->LeftPopup = true;
    icon->Enabled = false;
    for (auto m : {plat::WM_MOUSEMOVE, plat::WM_LBUTTONDOWN, plat::WM_LBUTTONUP, plat::WM_LBUTTONDBLCLK,
                   plat::WM_RBUTTONDOWN, plat::WM_RBUTTONUP, plat::WM_MBUTTONDOWN, plat::WM_MBUTTONUP})
        Mouse(m);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(win.Count("SetForegroundWindow("), 0u);
}

TEST_F(TrayIconTest, RightPressOpensTheMenuAtTheCursorWhenItPopsUpByItself) {
    GiveMenu(true);
    win.User().SetCursor({300, 700});
    Mouse(plat::WM_RBUTTONDOWN);
    EXPECT_EQ(events, (std::vector<std::string>{"Down R 16 300,700", "Popup 300,700"}));
}

TEST_F(TrayIconTest, MenuWithoutAutomaticPopupIsLeftToTheOwner) {
    GiveMenu(false);
    icon->LeftPopup = true;
    Mouse(plat::WM_RBUTTONDOWN);
    Mouse(plat::WM_LBUTTONDOWN);
    Mouse(plat::WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (std::vector<std::string>{"Down R 16 0,0", "Down L 8 0,0", "DblClick"}));
}

TEST_F(TrayIconTest, LeftPopupOpensOnLeftPressAndDoubleClickSkipsTheDefaultItem) {
    GiveMenu(true);
    icon->LeftPopup = true;
    Mouse(plat::WM_LBUTTONDOWN);
    Mouse(plat::WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (std::vector<std::string>{"Down L 8 0,0", "Popup 0,0", "DblClick"}));
}

TEST_F(TrayIconTest, DoubleClickRunsTheDefaultItemWithoutLeftPopup) {
    GiveMenu(true);
    Mouse(plat::WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (std::vector<std::string>{"DblClick", "Default item"}));
}

TEST_F(TrayIconTest, AgreesThatWindowsMayEndTheSession) {
    EXPECT_EQ(win.User().Send(icon->Handle(), plat::WM_QUERYENDSESSION, 0, 0), 1);
}

// ---- the icon record and the tip ----

TEST_F(TrayIconTest, AddHandsTheShellTheFirstVersionRecord) {
    const plat::Hicon hicon = win.User().NewIcon("test");
    icon->SetIcon(hicon);
    icon->SetHint("Velant! Pro 2001");
    icon->SetShowHint(true);
    win.ClearJournal();
    EXPECT_TRUE(icon->AddIcon());

    const auto& data = icon->IconData();
    EXPECT_EQ(data.cbSize, 88u);
    EXPECT_EQ(data.wnd, icon->Handle());
    EXPECT_EQ(data.id, 1u);
    EXPECT_EQ(data.flags, 7u);
    EXPECT_EQ(data.callbackMessage, 2048u);
    EXPECT_EQ(data.icon, hicon);
    EXPECT_EQ(win.Journal(),
              (std::vector<std::string>{"Shell_NotifyIcon(NIM_ADD, " +
                                        std::to_string(icon->Handle().Value()) + ", 1, 7, 0x0800, " +
                                        std::to_string(hicon.Value()) + ", \"Velant! Pro 2001\")"}));
    ASSERT_TRUE(Shown().has_value());
    EXPECT_EQ(Shown()->tip, "Velant! Pro 2001");
    EXPECT_TRUE(icon->IconVisible());
}

TEST_F(TrayIconTest, TipIsTheHintCutTo63CharactersOrEmptyWithoutShowHint) {
    struct Case {
        std::size_t length;
        bool showHint;
        std::size_t tipLength;
    };
    const Case cases[] = {{0, true, 0},   {1, true, 1},    {62, true, 62}, {63, true, 63},
                          {64, true, 63}, {200, true, 63}, {10, false, 0}, {100, false, 0}};
    icon->AddIcon();
    for (const auto& c : cases) {
        std::string hint;
        for (std::size_t i = 0; i < c.length; ++i) hint += static_cast<char>('A' + i % 26);
        icon->SetShowHint(c.showHint);
        icon->SetHint(hint);
        const std::string where = std::to_string(c.length) + (c.showHint ? " shown" : " hidden");
        EXPECT_EQ(Tip(), hint.substr(0, c.tipLength)) << where;
        EXPECT_EQ(icon->IconData().tip[63], '\0') << where;
        ASSERT_TRUE(Shown().has_value());
        EXPECT_EQ(Shown()->tip, hint.substr(0, c.tipLength)) << where;
    }
}

TEST_F(TrayIconTest, IconVisibleAddsAndRemoves) {
    icon->SetIconVisible(true);
    EXPECT_TRUE(Shown().has_value());
    icon->SetIconVisible(false);
    EXPECT_FALSE(Shown().has_value());
    EXPECT_FALSE(icon->IconVisible());
    EXPECT_FALSE(icon->UpdateIcon()) << "updating an icon that is not there does nothing";
    icon->SetIconVisible(true);
    EXPECT_TRUE(Shown().has_value());
    EXPECT_FALSE(icon->AddIcon()) << "adding it twice fails without effect";
    EXPECT_EQ(win.Shell().Icons().size(), 1u);
}

TEST_F(TrayIconTest, LoadedStartsResidentAndAddsTheIcon) {
    icon->StartMinimized = true;
    icon->Loaded();
    EXPECT_FALSE(app.ShowMainForm);
    EXPECT_TRUE(Shown().has_value());
}

TEST_F(TrayIconTest, LoadedWithoutStartMinimisedLeavesTheWindowToShow) {
    icon->Loaded();
    EXPECT_TRUE(app.ShowMainForm);
    EXPECT_TRUE(Shown().has_value());
}

TEST_F(TrayIconTest, MinimisingTheApplicationHidesTheOwnerAndAddsTheIcon) {
    icon->MinimizeToTray = true;
    icon->Loaded();
    owner.Show();
    win.ClearJournal();
    app.Minimize();
    EXPECT_FALSE(owner.Showing());
    EXPECT_EQ(win.Count("Shell_NotifyIcon(NIM_ADD"), 1u);
}

TEST_F(TrayIconTest, MinimisingWithoutMinimizeToTrayKeepsTheOwner) {
    icon->Loaded();
    owner.Show();
    win.ClearJournal();
    app.Minimize();
    EXPECT_TRUE(owner.Showing());
    EXPECT_EQ(win.Count("Shell_NotifyIcon("), 0u);
}

// ---- lifetime ----

TEST_F(TrayIconTest, DestructionRemovesTheIconAndItsWindow) {
    icon->Loaded();
    const auto wnd = icon->Handle();
    ASSERT_TRUE(win.User().IsWindow(wnd));
    icon.reset();
    EXPECT_TRUE(win.Shell().Icons().empty());
    EXPECT_FALSE(win.User().IsWindow(wnd));
    EXPECT_EQ(win.CallJournal().Matching("Shell_NotifyIcon(").back().rfind("Shell_NotifyIcon(NIM_DELETE", 0),
              0u);
}

TEST_F(TrayIconTest, IconIsAddedAgainWhenTheShellRecreatesTheTaskbar) {
    icon->SetHint("Velant! Pro 2001");
    icon->SetShowHint(true);
    icon->Loaded();
    ASSERT_TRUE(Shown().has_value());

    win.User().DestroyShellWindows();
    EXPECT_FALSE(Shown().has_value());
    win.User().CreateShellWindows();
    EXPECT_FALSE(Shown().has_value()) << "the new taskbar starts empty";
    win.User().BroadcastTaskbarCreated();
    auto shown = Shown();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->tip, "Velant! Pro 2001");
    EXPECT_EQ(shown->callbackMessage, 2048u);

    // Mouse messages from the new taskbar reach the component as before.
    win.Shell().ClickIcon(icon->Handle(), 1, plat::WM_LBUTTONDBLCLK);
    win.ProcessMessages();
    EXPECT_EQ(events, (std::vector<std::string>{"DblClick"}));
}

TEST_F(TrayIconTest, RemovedIconStaysRemovedWhenTheTaskbarIsRecreated) {
    icon->Loaded();
    icon->SetIconVisible(false);
    win.User().DestroyShellWindows();
    win.User().CreateShellWindows();
    win.User().BroadcastTaskbarCreated();
    EXPECT_FALSE(Shown().has_value());
}

TEST_F(TrayIconTest, IconIsNotAddedOnTaskbarCreatedBeforeTheFormHasLoaded) {
    win.User().BroadcastTaskbarCreated();
    EXPECT_FALSE(Shown().has_value());
}

// ---- animation ----

TEST_F(TrayIconTest, CyclingStepsThroughTheImagesAndReportsEach) {
    icon->Loaded();
    icon->IconList = {win.User().NewIcon("a"), win.User().NewIcon("b"), win.User().NewIcon("c")};
    std::vector<int> cycled;
    std::vector<plat::Hicon> shown;
    icon->OnCycle = [&](int current) { cycled.push_back(current); };
    icon->SetCycleInterval(100);
    icon->SetCycleIcons(true);
    for (int i = 0; i < 4; ++i) {
        win.Advance(100);
        shown.push_back(Shown()->icon);
    }
    EXPECT_EQ(cycled, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(shown, (std::vector<plat::Hicon>{icon->IconList[0], icon->IconList[1], icon->IconList[2],
                                               icon->IconList[0]}));
    icon->SetCycleIcons(false);
    win.Advance(500);
    EXPECT_EQ(cycled.size(), 4u);
}

}  // namespace
