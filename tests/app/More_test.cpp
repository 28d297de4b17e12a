// The "More" page: its own key, the wider masks, Fill and Fit, the shuffle
// without repeats and the pauses of the timed change.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/ShuffleRound.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"
#include "wallpaper/Picture.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kMain = "Software\\Corvane\\Velant! Pro 2001\\Main";
const std::string kMore = "Software\\Corvane\\Velant! Pro 2001\\More";
const std::string kDesktop = "Control Panel\\desktop";

std::vector<std::uint8_t> MirrorText(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

std::multiset<std::string> Bag(const std::vector<std::string>& v) { return {v.begin(), v.end()}; }

class MorePageTest : public ::testing::Test {
protected:
    MorePageTest() { app.Title = "Velant! Pro 2001"; }

    TMainForm& Start() {
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
        return *form;
    }
    // n small bitmaps in C:\pics.
    std::vector<std::string> Pictures(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i) {
            paths.push_back("C:\\pics\\" + std::to_string(i) + ".bmp");
            win.Kernel().WriteBytes(paths.back(), EncodeBmp(TBitmap(2, 2)));
        }
        return paths;
    }
    // One change, a moment after the last, as the user's command makes it.
    std::string Change() {
        win.Advance(1);
        form->rotation.ChangeWallpaper();
        return form->wallpaperPage.wallpaperList.Items()[form->wallpaperPage.wallpaperList.ItemIndex()];
    }
    std::vector<std::string> Changes(int n) {
        std::vector<std::string> drawn;
        for (int i = 0; i < n; ++i) drawn.push_back(Change());
        return drawn;
    }
    std::size_t WallpaperSets() { return win.Count("SystemParametersInfo(20,"); }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TMainForm> form;
};

TEST_F(MorePageTest, AUserWhoNeverChangesThePageGetsThePlainProgramAndNoTraceOfIt) {
    const auto pics = Pictures(3);
    // Busy and on battery: without the switches neither is even asked.
    win.Shell().SetUserNotificationState(plat::QUNS_RUNNING_D3D_FULL_SCREEN);
    plat::SystemPowerStatus battery;
    battery.ACLineStatus = plat::AC_LINE_OFFLINE;
    win.Power().SetPowerStatus(battery);
    auto& f = Start();
    EXPECT_EQ(f.pageControl.Pages.back()->Caption, "More");
    EXPECT_EQ(f.fileScanner.FileMask, "*.bmp, *.jpg");
    EXPECT_TRUE(f.wallpaperPage.ckStretch.Enabled() && f.wallpaperPage.ckTile.Enabled());
    f.wallpaperPage.wallpaperList.SetItems(pics);
    f.wallpaperPage.ckWallRandom.SetChecked(true);
    f.wallpaperPage.ckTile.SetChecked(true);
    f.wallpaperPage.CheckTime.SetText("1");
    f.wallpaperPage.ckChangeWp.SetChecked(true);
    win.Advance(3 * 60000);
    EXPECT_EQ(WallpaperSets(), 6u) << "three timed changes, each applied with stretch then tile";
    EXPECT_EQ(win.Registry().GetString(HKCU, kDesktop, "TileWallpaper"), "1");
    f.Close();
    form.reset();

    EXPECT_FALSE(win.Registry().HasKey(HKCU, kMore));
    for (const auto& e : win.Journal()) {
        if (e.rfind("RegSetValueEx(", 0) == 0 || e.rfind("RegCreateKeyEx(", 0) == 0) {
            EXPECT_EQ(e.find("\\More"), std::string::npos) << e;
        }
    }
    EXPECT_EQ(win.Count("SHQueryUserNotificationState"), 0u);
    EXPECT_EQ(win.Count("GetSystemPowerStatus"), 0u);
}

TEST_F(MorePageTest, ChoicesAreWrittenAtOnceUnderTheirOwnKeyAndComeBackAtTheNextStart) {
    auto& f = Start();
    f.morePage.ckAllPictures.SetChecked(true);
    f.morePage.ckShuffle.SetChecked(true);
    f.morePage.ckPauseFullScreen.SetChecked(true);
    f.morePage.ckPauseBattery.SetChecked(true);
    f.morePage.GroupLayout.SetItemIndex(2);
    for (const char* name : {"ckAllPictures", "ckShuffle", "ckPauseFullScreen", "ckPauseBattery"})
        EXPECT_EQ(win.Registry().Get(HKCU, kMore, name)->bytes, MirrorText("true")) << name;
    EXPECT_EQ(win.Registry().Get(HKCU, kMore, "GroupLayout")->bytes, MirrorText("2"));
    f.Close();
    form.reset();
    for (const auto& name : win.Registry().ValueNames(HKCU, "Software\\Corvane\\Velant! Pro 2001"))
        EXPECT_TRUE(name.find("Pause") == std::string::npos && name.find("Layout") == std::string::npos &&
                    name.find("Shuffle") == std::string::npos &&
                    name.find("AllPictures") == std::string::npos)
            << name << " is among the settings store's values";

    win.ClearJournal();
    auto& again = Start();
    EXPECT_TRUE(again.morePage.ckAllPictures.Checked() && again.morePage.ckShuffle.Checked() &&
                again.morePage.ckPauseFullScreen.Checked() && again.morePage.ckPauseBattery.Checked());
    EXPECT_EQ(again.morePage.GroupLayout.ItemIndex(), 2);
    EXPECT_NE(again.fileScanner.FileMask, "*.bmp, *.jpg");
    EXPECT_FALSE(again.wallpaperPage.ckStretch.Enabled() || again.wallpaperPage.ckTile.Enabled());
    EXPECT_EQ(win.Count("RegSetValueEx(HKCU\\" + kMore), 0u) << "reading the choices writes nothing";

    // Text that is no choice keeps the default.
    form.reset();
    win.Registry().SetString(HKCU, kMore, "ckShuffle", "maybe");
    win.Registry().SetString(HKCU, kMore, "GroupLayout", "7");
    win.Registry().Set(HKCU, kMore, "ckPauseBattery", plat::REG_DWORD, {1, 0, 0, 0});
    auto& third = Start();
    EXPECT_FALSE(third.morePage.ckShuffle.Checked());
    EXPECT_EQ(third.morePage.GroupLayout.ItemIndex(), 0);
    EXPECT_FALSE(third.morePage.ckPauseBattery.Checked());
    EXPECT_TRUE(third.morePage.ckAllPictures.Checked()) << "one bad value costs no other";
}

TEST_F(MorePageTest, AllPictureTypesWidensTheScanToEveryTypeInAnyCase) {
    const std::vector<std::string> plain = {"a.BMP", "b.jpg"};
    const std::vector<std::string> more = {"c.JPEG", "d.png", "e.GIF", "f.tif", "g.TIFF", "h.webp", "i.HeIc"};
    for (const auto& names : {plain, more, {"j.txt", "k.jpe", "l.png.txt"}})
        for (const auto& name : names) win.Kernel().WriteText("C:\\pics\\" + name, "x");
    auto& f = Start();
    auto scan = [&] {
        win.Shell().NextBrowseResult(std::string("C:\\pics"));
        f.wallpaperPage.browseButton.Click();
        std::set<std::string> names;
        for (const auto& path : f.wallpaperPage.wallpaperList.Items()) names.insert(path.substr(8));
        return names;
    };
    std::set<std::string> all(plain.begin(), plain.end());
    all.insert(more.begin(), more.end());
    EXPECT_EQ(scan(), std::set<std::string>(plain.begin(), plain.end()));
    f.morePage.ckAllPictures.SetChecked(true);
    EXPECT_EQ(scan(), all);
    f.morePage.ckAllPictures.SetChecked(false);
    EXPECT_EQ(scan(), std::set<std::string>(plain.begin(), plain.end()));
}

TEST_F(MorePageTest, FillAndFitStoreTheShellsOwnStylesAndApplyOnceLeavingStretchAndTileAlone) {
    struct Case {
        int index;
        const char* style;
    };
    const auto pics = Pictures(2);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems(pics);
    for (const Case c : {Case{1, "10"}, Case{2, "6"}}) {
        f.morePage.GroupLayout.SetItemIndex(0);
        f.wallpaperPage.ckTile.SetChecked(true);
        f.rotation.ChangeWallpaper();
        ASSERT_EQ(win.Registry().GetString(HKCU, kDesktop, "TileWallpaper"), "1");

        f.morePage.GroupLayout.SetItemIndex(c.index);
        EXPECT_FALSE(f.wallpaperPage.ckStretch.Enabled() || f.wallpaperPage.ckTile.Enabled()) << c.style;
        EXPECT_FALSE(f.wallpaperPage.ckTile.Hint.empty()) << "a disabled box says why";
        win.ClearJournal();
        f.rotation.ChangeWallpaper();
        std::vector<std::string> seen;
        for (const auto& e : win.Journal()) {
            if (e.rfind("SystemParametersInfo(20,", 0) == 0)
                seen.push_back("apply");
            else if (e.rfind("RegSetValueEx(HKCU\\Control Panel", 0) == 0 ||
                     e.rfind("RegSetValueEx(HKCU\\" + kMain + ",", 0) == 0)
                seen.push_back(e.substr(e.find('"')));
        }
        const std::vector<std::string> expected = {
            std::string("\"WallpaperStyle\", 1, \"") + c.style + "\\0\")",
            "\"TileWallpaper\", 1, \"0\\0\")",
            "apply",
        };
        EXPECT_EQ(seen, expected) << "nothing else is written, the boxes' mirrors included";
        EXPECT_TRUE(f.wallpaperPage.ckTile.Checked() && !f.wallpaperPage.ckStretch.Checked());
    }
    // Back to the page's own layout: the boxes act again, exactly as before.
    f.morePage.GroupLayout.SetItemIndex(0);
    EXPECT_TRUE(f.wallpaperPage.ckStretch.Enabled() && f.wallpaperPage.ckTile.Enabled() &&
                f.wallpaperPage.ckTile.Hint.empty());
    win.ClearJournal();
    f.rotation.ChangeWallpaper();
    EXPECT_EQ(WallpaperSets(), 2u);
    EXPECT_EQ(win.Registry().GetString(HKCU, kDesktop, "WallpaperStyle"), "0");
    EXPECT_EQ(win.Registry().GetString(HKCU, kDesktop, "TileWallpaper"), "1");
}

// ---- the shuffle ----

TEST(ShuffleRoundTest, EveryEntryComesOnceARoundAndNoRoundOpensWithTheLastOne) {
    const std::vector<std::vector<std::string>> lists = {
        {"a", "b"}, {"a", "b", "c"}, {"a", "b", "c", "d", "e", "f", "g"}, {"x", "x", "y"}};
    for (const auto& list : lists) {
        SCOPED_TRACE(list.size());
        TShuffleRound round;
        std::set<std::vector<std::string>> orders;
        std::string last;
        for (std::uint32_t r = 0; r < 300; ++r) {
            std::vector<std::string> drawn;
            for (std::size_t i = 0; i < list.size(); ++i) drawn.push_back(round.Draw(list, r * 31 + i));
            ASSERT_EQ(Bag(drawn), Bag(list)) << "round " << r;
            ASSERT_NE(drawn.front(), last) << "round " << r;
            last = drawn.back();
            orders.insert(drawn);
        }
        // Random, not one fixed order, where the rules leave a choice.
        if (list.size() >= 3 && Bag(list).count("x") == 0) {
            EXPECT_GE(orders.size(), 3u);
        }
    }
}

TEST(ShuffleRoundTest, EntriesThatComeAndGoMidRoundAreFollowed) {
    const std::vector<std::string> list = {"a", "b", "c", "d", "e", "f"};
    TShuffleRound round;
    std::vector<std::string> shown;
    for (int i = 0; i < 3; ++i) shown.push_back(round.Draw(list, i));
    std::vector<std::string> rest(round.Order().begin() + 3, round.Order().end());
    // One shown and one waiting entry leave, two new ones come.
    std::vector<std::string> changed = list;
    std::erase(changed, shown[0]);
    std::erase(changed, rest[0]);
    changed.insert(changed.begin() + 1, {"new1", "new2"});
    std::vector<std::string> drawn;
    for (int i = 0; i < 4; ++i) drawn.push_back(round.Draw(changed, 10 + i));
    EXPECT_EQ(Bag(drawn), Bag({rest[1], rest[2], "new1", "new2"}));
    // Then a new round of the whole list as it is now.
    std::vector<std::string> next;
    for (std::size_t i = 0; i < changed.size(); ++i) next.push_back(round.Draw(changed, 20 + i));
    EXPECT_EQ(Bag(next), Bag(changed));
    EXPECT_NE(next.front(), drawn.back());

    // A round stored the earlier way, as its entries, comes back whole; a
    // position beyond it means a used-up round.
    std::string entriesText;
    for (const auto& entry : round.Order()) entriesText += (entriesText.empty() ? "" : "|") + entry;
    TShuffleRound stored;
    stored.Load(entriesText, 2);
    EXPECT_EQ(stored.Order(), round.Order());
    EXPECT_EQ(stored.Draw(changed, 0), round.Order()[2]);
    stored.Load("a|b", 9);
    EXPECT_NE(stored.Draw({"a", "b"}, 0), "b") << "the round ended on b";

    // Now a round is stored as a few dozen bytes, however long the list: the
    // next start goes on with it, unless the list has changed since.
    std::vector<std::string> big;
    for (int i = 0; i < 50000; ++i)
        big.push_back("C:\\My Pictures\\Holidays\\photo " + std::to_string(i) + ".jpg");
    TShuffleRound running, restarted;
    for (std::uint32_t i = 0; i < 3; ++i) running.Draw(big, 7 + i);
    EXPECT_LE(running.Record().size(), 60u);
    restarted.Load(running.Record(), running.Next());
    for (std::uint32_t i = 0; i < 10; ++i)
        ASSERT_EQ(restarted.Draw(big, 90 + i), running.Draw(big, 40 + i)) << i;
    TShuffleRound before;
    std::vector<std::string> before3;
    for (std::uint32_t i = 0; i < 3; ++i) before3.push_back(before.Draw(list, i));
    std::vector<std::string> grown = list;
    grown.push_back("g");
    restarted.Load(before.Record(), before.Next());
    std::vector<std::string> afresh;
    for (std::uint32_t i = 0; i < grown.size(); ++i) afresh.push_back(restarted.Draw(grown, 30 + i));
    EXPECT_EQ(Bag(afresh), Bag(grown)) << "a new round";
    EXPECT_NE(afresh.front(), before3.back());
}

TEST_F(MorePageTest, ShuffleKeepsItsRoundOverARestartAndPlainRandomIgnoresIt) {
    const auto pics = Pictures(5);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems(pics);
    f.wallpaperPage.ckWallRandom.SetChecked(true);
    f.morePage.ckShuffle.SetChecked(true);
    std::vector<std::string> drawn = Changes(2);
    const std::string stored = win.Registry().GetString(HKCU, kMore, "ShuffleRound");
    EXPECT_EQ(win.Registry().GetString(HKCU, kMore, "ShuffleNext"), "2");
    f.Close();
    form.reset();

    Start();
    ASSERT_EQ(form->wallpaperPage.wallpaperList.Items(), pics) << "the settings store brings the list back";
    const auto after = Changes(3);
    drawn.insert(drawn.end(), after.begin(), after.end());
    EXPECT_EQ(Bag(drawn), Bag(pics)) << "the round goes on where it stopped";
    EXPECT_LE(stored.size(), 60u) << "a record of the round, not its entries";
    EXPECT_NE(Change(), drawn.back());

    // Without "Randomize wallpapers" the order is the list's own.
    form->wallpaperPage.ckWallRandom.SetChecked(false);
    form->wallpaperPage.wallpaperList.SetItemIndex(-1);
    EXPECT_EQ(Changes(5), pics);
}

// ---- pausing the timed change ----

TEST_F(MorePageTest, APauseHoldsTheTimedChangeUntilTheUserIsFreeThenChangesOnce) {
    struct Case {
        const char* name;
        bool fullScreenSwitch, batterySwitch;
        std::uint32_t state;
        std::uint8_t acLine;
        bool paused;
    };
    const Case cases[] = {
        {"busy", true, false, plat::QUNS_BUSY, 1, true},
        {"game", true, false, plat::QUNS_RUNNING_D3D_FULL_SCREEN, 1, true},
        {"presentation", true, false, plat::QUNS_PRESENTATION_MODE, 1, true},
        {"quiet time", true, false, plat::QUNS_QUIET_TIME, 1, false},
        {"game, switch off", false, true, plat::QUNS_RUNNING_D3D_FULL_SCREEN, 1, false},
        {"battery", false, true, plat::QUNS_ACCEPTS_NOTIFICATIONS, plat::AC_LINE_OFFLINE, true},
        {"power unknown", false, true, plat::QUNS_ACCEPTS_NOTIFICATIONS, plat::AC_LINE_UNKNOWN, false},
        {"battery, switch off", true, false, plat::QUNS_ACCEPTS_NOTIFICATIONS, plat::AC_LINE_OFFLINE, false},
    };
    const auto pics = Pictures(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.reset();
        win.Shell().SetUserNotificationState(c.state);
        plat::SystemPowerStatus power;
        power.ACLineStatus = c.acLine;
        win.Power().SetPowerStatus(power);
        auto& f = Start();
        f.wallpaperPage.wallpaperList.SetItems(pics);
        f.morePage.ckPauseFullScreen.SetChecked(c.fullScreenSwitch);
        f.morePage.ckPauseBattery.SetChecked(c.batterySwitch);
        f.wallpaperPage.CheckTime.SetText("2");
        f.wallpaperPage.ckChangeWp.SetChecked(true);
        win.ClearJournal();
        win.Advance(10 * 60000);
        if (!c.paused) {
            EXPECT_EQ(WallpaperSets(), 10u);
            continue;
        }
        EXPECT_EQ(WallpaperSets(), 0u);
        EXPECT_EQ(f.rotation.MinutesLeft, 1) << "due, and waiting";
        win.Shell().SetUserNotificationState(plat::QUNS_ACCEPTS_NOTIFICATIONS);
        win.Power().SetPowerStatus(plat::SystemPowerStatus{1});
        win.Advance(60000);
        EXPECT_EQ(WallpaperSets(), 2u) << "one change at the first tick after, not the five missed";
        win.Advance(60000);
        EXPECT_EQ(WallpaperSets(), 2u);
        win.Advance(60000);
        EXPECT_EQ(WallpaperSets(), 4u) << "then the interval as before";
    }
    // A state that cannot be read holds nothing.
    win.Shell().SetUserNotificationState(plat::QUNS_BUSY);
    form->morePage.ckPauseFullScreen.SetChecked(true);
    win.CallJournal().SetFailing("SHQueryUserNotificationState", true);
    win.ClearJournal();
    win.Advance(2 * 60000);
    EXPECT_EQ(WallpaperSets(), 2u);
}

}  // namespace
