#include "system/HotKeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

class HotKeyTest : public ::testing::Test {
protected:
    sim::SimWindows win;
    plat::Platform p = win.platform();
};

TEST_F(HotKeyTest, KeyTablePositions) {
    EXPECT_EQ(HotKeyVirtualKey(0), 0u);
    EXPECT_EQ(HotKeyVirtualKey(1), 0x03u);
    EXPECT_EQ(HotKeyVirtualKey(9), 0x20u);
    EXPECT_EQ(HotKeyVirtualKey(18), 0x29u);
    EXPECT_EQ(HotKeyVirtualKey(19), 0x2Bu);  // VK_PRINT has no position
    EXPECT_EQ(HotKeyVirtualKey(24), 0x30u);
    EXPECT_EQ(HotKeyVirtualKey(hkLetter('A')), 0x41u);
    EXPECT_EQ(HotKeyVirtualKey(hkLetter('S')), 0x53u);
    EXPECT_EQ(HotKeyVirtualKey(60), 0x60u);
    EXPECT_EQ(HotKeyVirtualKey(76), 0x70u);
    EXPECT_EQ(HotKeyVirtualKey(99), 0x87u);
    EXPECT_EQ(HotKeyVirtualKey(101), 0x91u);
    EXPECT_EQ(HotKeyVirtualKey(102), 0u);
}

TEST_F(HotKeyTest, ActiveListRegistersEachEntryUnderItsIndexWithTranslatedModifiers) {
    THotKeys hk("HotKey", p.user);
    hk.SetActive(true);
    auto first = hk.AddHotKey(hkLetter('S'), hmWin);
    auto second = hk.AddHotKey(hkLetter('X'), hmCtrl | hmAlt | hmWin);
    auto third = hk.AddHotKey(hkLetter('T'), hmShift);
    EXPECT_TRUE(first.Registered && second.Registered && third.Registered);
    const std::string w = std::to_string(hk.Handle().Value());
    EXPECT_EQ(win.CallJournal().Matching("RegisterHotKey("),
              (std::vector<std::string>{"RegisterHotKey(" + w + ", 0, 8, 0x53)",
                                        "RegisterHotKey(" + w + ", 1, 11, 0x58)",
                                        "RegisterHotKey(" + w + ", 2, 4, 0x54)"}));
}

TEST_F(HotKeyTest, PressesReachTheHandlerWithTheIndex) {
    THotKeys hk("HotKey", p.user);
    std::vector<int> pressed;
    hk.OnHotKey = [&](TComponent& sender, int index) {
        EXPECT_EQ(&sender, &hk);
        pressed.push_back(index);
    };
    hk.SetActive(true);
    hk.AddHotKey(hkLetter('S'), hmWin);
    hk.AddHotKey(hkLetter('W'), hmWin);
    EXPECT_TRUE(win.User().PressHotKey(plat::MOD_WIN, 0x57));
    win.ProcessMessages();
    EXPECT_EQ(pressed, std::vector<int>{1});
}

TEST_F(HotKeyTest, ARefusedCombinationStaysUnregisteredAndIsSkippedLater) {
    win.User().HoldHotKey(plat::MOD_WIN, 0x53);
    THotKeys hk("HotKey", p.user);
    hk.SetActive(true);
    EXPECT_FALSE(hk.AddHotKey(hkLetter('S'), hmWin).Registered);
    EXPECT_TRUE(hk.AddHotKey(hkLetter('W'), hmWin).Registered);
    hk.SetActive(false);
    EXPECT_EQ(win.CallJournal().Matching("UnregisterHotKey("),
              std::vector<std::string>{"UnregisterHotKey(" + std::to_string(hk.Handle().Value()) + ", 1)"});
    EXPECT_TRUE(win.User().HotKeys().empty());
}

TEST_F(HotKeyTest, InactiveListRegistersNothingUntilActivated) {
    THotKeys hk("HotKey", p.user);
    hk.AddHotKey(hkLetter('S'), hmWin);
    hk.Loaded();
    EXPECT_TRUE(win.User().HotKeys().empty());
    hk.SetActive(true);
    EXPECT_EQ(win.User().HotKeys().size(), 1u);
    EXPECT_FALSE(win.User().PressHotKey(plat::MOD_WIN, 0x57));  // not ours: passes on
}

TEST_F(HotKeyTest, AnEntrySwitchedOffIsReleasedAndComesBackOnlyWhileTheListIsActive) {
    THotKeys hk("HotKey", p.user);
    hk.SetActive(true);
    hk.AddHotKey(hkLetter('S'), hmWin, false);
    hk.AddHotKey(hkLetter('W'), hmWin);
    EXPECT_FALSE(hk.Entry(0).Registered);
    EXPECT_EQ(win.User().HotKeys().size(), 1u);
    hk.SetEnabled(0, true);
    EXPECT_TRUE(hk.Entry(0).Registered);
    hk.SetEnabled(1, false);
    EXPECT_FALSE(hk.Entry(1).Registered);
    hk.SetActive(false);
    hk.SetEnabled(1, true);
    EXPECT_TRUE(win.User().HotKeys().empty());
    hk.SetActive(true);
    EXPECT_EQ(win.User().HotKeys().size(), 2u);
}

TEST_F(HotKeyTest, DestructionReleasesEverythingAndTheWindow) {
    plat::Hwnd wnd = 0;
    {
        THotKeys hk("HotKey", p.user);
        hk.SetActive(true);
        hk.AddHotKey(hkLetter('S'), hmWin);
        wnd = hk.Handle();
    }
    EXPECT_TRUE(win.User().HotKeys().empty());
    EXPECT_FALSE(win.User().IsWindow(wnd));
}

}  // namespace
