#include "app/settings/FormStorage.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "../DesignValues.h"
#include "app/MainForm.h"
#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kBase = "Software\\Corvane";
const std::string kStore = "Software\\Corvane\\Velant! Pro 2001";
const std::string kList = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";
const std::string kListCopy = kList + kListCopySuffix;
const std::string kMain = "Software\\Corvane\\Velant! Pro 2001\\Main";
const std::string kExport = "Software\\Corvane\\Velant! Pro 2001\\WallList";

// The REG_SZ bytes of a text with `nuls` terminating zero bytes.
std::vector<std::uint8_t> Sz(const std::string& text, int nuls = 1) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), static_cast<std::size_t>(nuls), 0);
    return bytes;
}

sim::SimRegistry::Value SzValue(const std::string& text, int nuls = 1) {
    return sim::SimRegistry::Value{plat::REG_SZ, Sz(text, nuls)};
}

// The program as main() builds it, over a simulated Windows.
class StoreTest : public ::testing::Test {
protected:
    StoreTest() { app.Title = "Velant! Pro 2001"; }

    TMainForm& Start() {
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
        return *form;
    }
    sim::SimRegistry& Reg() { return win.Registry(); }
    void Stored(const std::string& name, const std::string& text) {
        Reg().SetString(HKCU, kStore, name, text);
    }
    std::string StoredText(const std::string& name) { return Reg().GetString(HKCU, kStore, name); }
    std::size_t MirrorWrites(const std::string& name) {
        return win.Count("RegSetValueEx(HKCU\\" + kMain + ", \"" + name + "\"");
    }
    std::size_t PriorityCalls() { return win.Count("SetPriorityClass(") + win.Count("SetThreadPriority("); }
    // Shows the configuration window, as the icon's double click does.
    void ShowWindow() { form->ShowConfiguration(); }
    void Minimise() { form->mainPage.minimizeButton.Click(); }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TMainForm> form;
};

using velant_test::kDesignValues;

// ---- first run ----

TEST_F(StoreTest, FirstRunKeepsDesignValuesRunsNoHandlerAndCreatesOnlyTheBaseKey) {
    auto& f = Start();

    // No logon entry exists yet, and the box says so.
    EXPECT_FALSE(f.mainPage.ckAutorun.Checked());
    EXPECT_FALSE(f.mainPage.ckWinClock.Checked());
    EXPECT_EQ(f.mainPage.GroupPriority.ItemIndex(), -1);
    EXPECT_EQ(f.mainPage.edtDate.Text(), "'Today is: ' dd.mm.yyyy");
    EXPECT_EQ(f.wallpaperPage.CheckTime.Text(), "15");
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Count(), 0);
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Name, "MS Sans Serif");
    EXPECT_EQ(f.desktopPage.lblIcon.Color(), 0xC0C0C0u);

    EXPECT_TRUE(Reg().HasKey(HKCU, kBase));
    // Only what start-up itself shows changes the record: the logon entry's state. The
    // screensaver's controls start from the system's values, so they change nothing.
    EXPECT_EQ(Reg().ValueNames(HKCU, kStore), (std::vector<std::string>{"ckAutorun_Checked"}));
    EXPECT_FALSE(Reg().HasKey(HKCU, kList));
    EXPECT_FALSE(Reg().HasKey(HKCU, kExport));
    // The only handler-like effect of a first start is the priority mirror.
    EXPECT_EQ(PriorityCalls(), 0u);
    for (const char* box :
         {"ckStretch", "ckTile", "ckWallStartup", "ckChangeWp", "ckWallRandom", "ckHotEnable", "CheckTime"})
        EXPECT_EQ(MirrorWrites(box), 0u) << box;
    EXPECT_EQ(Reg().ValueNames(HKCU, kMain),
              (std::vector<std::string>{"GroupPriority", "ScreensaverProfile"}));

    // The restore creates the base key before the first mirror write creates Main.
    const auto ops = Reg().Operations();
    std::size_t baseAt = ops.size(), mainAt = ops.size();
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (baseAt == ops.size() && ops[i].rfind("RegCreateKeyEx(HKCU, \"Software\\Corvane\"", 0) == 0)
            baseAt = i;
        if (mainAt == ops.size() && ops[i].find("\\Main\"") != std::string::npos &&
            ops[i].rfind("RegCreateKeyEx(", 0) == 0)
            mainAt = i;
    }
    ASSERT_LT(baseAt, ops.size());
    ASSERT_LT(mainAt, ops.size());
    EXPECT_LT(baseAt, mainAt);
}

TEST_F(StoreTest, StartUpStoresGroupPriorityMirrorWithTwoTerminatingZeros) {
    Start();
    EXPECT_EQ(Reg().Get(HKCU, kMain, "GroupPriority"), SzValue("-1", 2));
}

// ---- the durable record, exact to the byte ----

TEST_F(StoreTest, CloseWritesPlacementThenAllStoredValuesInOrderWithOneTerminatingZero) {
    Start();
    win.ClearJournal();
    form->Close();

    std::vector<std::pair<std::string, std::string>> expected = {
        {"FormVersion", "0"},
        {"Flags", "0"},
        {"ShowCmd", "0"},
        {"PixelsPerInch", "96"},
        {"MinMaxPos(1024x768)", "0,0,0,0"},
        {"MinMaxPos", "0,0,0,0"},
        {"NormPos(1024x768)", "0,0,0,0"},
        {"NormPos", "0,0,0,0"},
        {"Visible", "0"},
    };
    expected.insert(expected.end(), std::begin(kDesignValues), std::end(kDesignValues));
    // The screensaver is recorded as the system has it (switched on, 10 minutes).
    // The autorun box shows that no logon entry exists yet, recorded at start-up.
    for (auto& [name, text] : expected) {
        if (name == "ckScrEnable_Checked") text = "True";
        if (name == "ScrTimeout_Value") text = "10";
        if (name == "ckAutorun_Checked") text = "False";
    }

    const std::vector<std::string> early = {"ckAutorun_Checked"};
    std::vector<std::string> names = early;
    for (const auto& [name, text] : expected)
        if (std::find(early.begin(), early.end(), name) == early.end()) names.push_back(name);
    EXPECT_EQ(Reg().ValueNames(HKCU, kStore), names);
    for (const auto& [name, text] : expected) EXPECT_EQ(Reg().Get(HKCU, kStore, name), SzValue(text)) << name;

    // Written in that order too, every one of them REG_SZ.
    std::vector<std::string> written;
    for (const auto& op : Reg().Operations()) {
        const std::string prefix = "RegSetValueEx(HKCU\\" + kStore + ", \"";
        if (op.rfind(prefix, 0) != 0) continue;
        written.push_back(op.substr(prefix.size(), op.find('"', prefix.size()) - prefix.size()));
        EXPECT_NE(op.find("\", 1, \""), std::string::npos) << op;
    }
    std::vector<std::string> inOrder;
    for (const auto& [name, text] : expected) inOrder.push_back(name);
    EXPECT_EQ(written, inOrder);
    EXPECT_FALSE(Reg().HasKey(HKCU, kList)) << "an empty list leaves no key";
}

TEST_F(StoreTest, ValuesMatchTheWindowAtClose) {
    auto& f = Start();
    f.mainPage.ckWinClock.SetChecked(true);
    f.mainPage.ckAutorun.SetChecked(false);
    f.mainPage.GroupPriority.SetItemIndex(1);
    f.mainPage.ScrTimeout.SetValue(-7);
    f.mainPage.edtTime.SetText("hh:nn");
    f.menuPage.SubDontaskconfirm->SetChecked(true);
    f.desktopPage.lblIcon.SetColor(0x00123456);
    f.desktopPage.lblIcon.Font.Style = fsBold | fsItalic;
    f.desktopPage.lblIcon.Font.Pitch = TFontPitch::fpFixed;
    f.desktopPage.lblIcon.Font.Name = "Tahoma";
    f.desktopPage.lblIcon.SetTransparent(false);
    f.Close();

    const std::pair<const char*, const char*> expected[] = {
        {"ckWinClock_Checked", "True"},   {"ckAutorun_Checked", "False"},
        {"GroupPriority_ItemIndex", "1"}, {"ScrTimeout_Value", "-7"},
        {"edtTime_Text", "hh:nn"},        {"SubDontaskconfirm_Checked", "True"},
        {"lblIcon_Color", "1193046"},     {"lblIcon_FontStyle", "[fsBold,fsItalic]"},
        {"lblIcon_FontPitch", "fpFixed"}, {"lblIcon_FontName", "Tahoma"},
        {"lblIcon_Transparent", "False"},
    };
    for (const auto& [name, text] : expected) EXPECT_EQ(Reg().Get(HKCU, kStore, name), SzValue(text)) << name;
}

TEST_F(StoreTest, TextsAreStoredAndRestoredWithoutSurroundingBlanks) {
    auto& f = Start();
    f.mainPage.edtDate.SetText("  dd.mm  \t");
    f.Close();
    EXPECT_EQ(Reg().Get(HKCU, kStore, "edtDate_Text"), SzValue("dd.mm"));

    form.reset();
    Stored("edtTime_Text", "\thh.mm.ss   ");
    Stored("CheckTime_Text", " 20 ");
    auto& g = Start();
    EXPECT_EQ(g.mainPage.edtTime.Text(), "hh.mm.ss");
    EXPECT_EQ(g.wallpaperPage.CheckTime.Text(), "20");
    EXPECT_EQ(g.rotation.MinutesLeft, 20);
}

TEST_F(StoreTest, AnEmptyTextIsStoredAsAnEmptyValue) {
    auto& f = Start();
    f.mainPage.edtDate.SetText("");
    f.Close();
    EXPECT_EQ(Reg().Get(HKCU, kStore, "edtDate_Text"), SzValue(""));
}

// ---- the wallpaper list's own key ----

TEST_F(StoreTest, TheListIsStoredInASiblingKeyWithCountAndItems) {
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\b.bmp", "C:\\pics\\a  .jpg ", "C:\\pics\\b.bmp"});
    f.Close();

    EXPECT_EQ(Reg().ValueNames(HKCU, kList), (std::vector<std::string>{"Count", "Item0", "Item1", "Item2"}));
    EXPECT_EQ(Reg().Get(HKCU, kList, "Count"), SzValue("3"));
    EXPECT_EQ(Reg().Get(HKCU, kList, "Item0"), SzValue("C:\\pics\\b.bmp"));
    EXPECT_EQ(Reg().Get(HKCU, kList, "Item1"), SzValue("C:\\pics\\a  .jpg ")) << "entries are not trimmed";
    EXPECT_EQ(Reg().Get(HKCU, kList, "Item2"), SzValue("C:\\pics\\b.bmp"));
    EXPECT_FALSE(Reg().Get(HKCU, kStore, "WallList_Items").has_value());

    // The next start gets the entries back in their order.
    form.reset();
    auto& g = Start();
    EXPECT_EQ(g.wallpaperPage.wallpaperList.Items(),
              (std::vector<std::string>{"C:\\pics\\b.bmp", "C:\\pics\\a  .jpg ", "C:\\pics\\b.bmp"}));
}

TEST_F(StoreTest, AShorterListLeavesNoItemsOfTheLongerOneAndAnEmptyListDeletesTheKey) {
    Reg().SetString(HKCU, kList, "Count", "3");
    for (int i = 0; i < 3; ++i)
        Reg().SetString(HKCU, kList, "Item" + std::to_string(i), "C:\\old" + std::to_string(i));
    auto& f = Start();
    ASSERT_EQ(f.wallpaperPage.wallpaperList.Count(), 3);

    f.wallpaperPage.wallpaperList.SetItems({"C:\\new.bmp"});
    f.Close();
    EXPECT_EQ(Reg().ValueNames(HKCU, kList), (std::vector<std::string>{"Count", "Item0"}));

    f.wallpaperPage.wallpaperList.Clear();
    f.Close();
    EXPECT_FALSE(Reg().HasKey(HKCU, kList));

    form.reset();
    EXPECT_EQ(Start().wallpaperPage.wallpaperList.Count(), 0);
}

TEST_F(StoreTest, ListRestoreReadsCountAndMissingItemsAsEmpty) {
    struct Case {
        const char* count;
        std::vector<std::string> items;
        std::vector<int> stored = {0};  // the indexes of the stored items
    };
    auto gapped = [](int gaps, const std::string& last) {
        std::vector<std::string> items(static_cast<std::size_t>(gaps) + 2);
        items.front() = "C:\\a.bmp";
        items.back() = last;
        return items;
    };
    const Case cases[] = {
        {"2", {"C:\\a.bmp", ""}},  // Item1 missing
        {" 1 ", {"C:\\a.bmp"}},
        {"0", {}},
        {"abc", {}},
        {"-3", {}},
        {"99999999999999999999", {}},
        // A count the key cannot back: exactly the items that are there, gaps read as empty.
        {"1000", {"C:\\a.bmp", "C:\\b.bmp"}, {0, 1}},
        {"50000000", {"C:\\a.bmp", "", "", "C:\\d.bmp"}, {0, 3}},
        {"2147483647", {"C:\\a.bmp", "C:\\b.bmp"}, {0, 1}},
        {"5", {"C:\\a.bmp", "", "C:\\c.bmp"}, {0, 2, 7}},  // Item7 lies beyond the count
        // Gaps far larger than the key: the items there close up.
        {"2000000000", {"C:\\a.bmp", "C:\\l.bmp"}, {0, 999999999}},
        // At the edge: 256 gaps still read as empty entries, 257 close up.
        {"1000", gapped(256, "C:\\x.bmp"), {0, 257}},
        {"1000", {"C:\\a.bmp", "C:\\y.bmp"}, {0, 258}},
    };
    for (const auto& c : cases) {
        form.reset();
        Reg().RemoveKey(HKCU, kList);
        Reg().SetString(HKCU, kList, "Count", c.count);
        for (int i : c.stored) {
            const std::string item = std::string("C:\\") + char('a' + i % 26) + ".bmp";
            Reg().SetString(HKCU, kList, "Item" + std::to_string(i), item);
        }
        EXPECT_EQ(Start().wallpaperPage.wallpaperList.Items(), c.items) << c.count;
    }
    // A whole list is read without listing the key's values: with the listing
    // refused, every item still comes back.
    form.reset();
    Reg().RemoveKey(HKCU, kList);
    Reg().SetString(HKCU, kList, "Count", "3");
    for (const char* item : {"Item0", "Item1", "Item2"}) Reg().SetString(HKCU, kList, item, item);
    win.FailNext("RegEnumValue", plat::ERROR_ACCESS_DENIED);
    EXPECT_EQ(Start().wallpaperPage.wallpaperList.Items(),
              (std::vector<std::string>{"Item0", "Item1", "Item2"}));
}

// ---- restoring ----

TEST_F(StoreTest, NegativeFormVersionSkipsTheWholeRestore) {
    Stored("FormVersion", "-1");
    Stored("ckWinClock_Checked", "True");
    Stored("GroupPriority_ItemIndex", "2");
    Stored("edtDate_Text", "x");
    auto& f = Start();
    EXPECT_FALSE(f.mainPage.ckWinClock.Checked());
    EXPECT_EQ(f.mainPage.GroupPriority.ItemIndex(), -1);
    EXPECT_EQ(f.mainPage.edtDate.Text(), "'Today is: ' dd.mm.yyyy");
    EXPECT_EQ(PriorityCalls(), 0u);
}

TEST_F(StoreTest, FlagsAreReadInAnyCaseAndOtherWordsLeaveTheBox) {
    struct Case {
        const char* text;
        bool winClock;      // designed unchecked
        bool desktopIcons;  // designed checked
    };
    const Case cases[] = {
        {"true", true, true},    {"TRUE", true, true},        {"tRuE", true, true},
        {"false", false, false}, {"FALSE", false, false},     {"yes", false, true},
        {"1", false, true},      {"0", false, true},          {"", false, true},
        {"truth", false, true},  {"True False", false, true}, {"  True  ", true, true},
    };
    for (const auto& c : cases) {
        form.reset();
        Stored("ckWinClock_Checked", c.text);
        Stored("ckDesktopIcons_Checked", c.text);
        auto& f = Start();
        EXPECT_EQ(f.mainPage.ckWinClock.Checked(), c.winClock) << '"' << c.text << '"';
        EXPECT_EQ(f.desktopPage.ckDesktopIcons.Checked(), c.desktopIcons) << '"' << c.text << '"';
    }
}

TEST_F(StoreTest, PriorityIndexThatIsNoNumberRestoresIdleAndAppliesIt) {
    Stored("GroupPriority_ItemIndex", "abc");
    auto& f = Start();
    EXPECT_EQ(f.mainPage.GroupPriority.ItemIndex(), 0);
    EXPECT_EQ(f.mainPage.GroupPriority.Items()[0], "Idle");
    EXPECT_TRUE(win.Contains("SetPriorityClass(-1, 32)"));
    EXPECT_TRUE(win.Contains("SetThreadPriority(-2, -15)"));
    EXPECT_EQ(Reg().Get(HKCU, kMain, "GroupPriority"), SzValue("0", 2));
}

TEST_F(StoreTest, IntegerTextsConvertAsTheEditFieldsDo) {
    struct Case {
        const char* text;
        int index;
    };
    const Case cases[] = {{"2", 2}, {"$1", 1}, {" 1", 1}, {"7", -1}, {"2x", 0}, {"-1", -1}};
    for (const auto& c : cases) {
        form.reset();
        Stored("GroupPriority_ItemIndex", c.text);
        EXPECT_EQ(Start().mainPage.GroupPriority.ItemIndex(), c.index) << c.text;
    }
}

TEST_F(StoreTest, AValueOfTheWrongTypeIsIgnoredAndTheOthersAreRestored) {
    Reg().SetDword(HKCU, kStore, "ckWinClock_Checked", 1);
    Stored("ckCPU_Checked", "True");
    Reg().SetDword(HKCU, kStore, "lblIcon_FontColor", 255);
    Stored("lblIcon_FontName", "Arial");
    Reg().SetDword(HKCU, kStore, "edtDate_Text", 5);
    Stored("edtTime_Text", "hh");
    auto& f = Start();
    EXPECT_FALSE(f.mainPage.ckWinClock.Checked());
    EXPECT_TRUE(f.mainPage.ckCPU.Checked());
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Color, 0x00FF00u);
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Name, "Arial");
    EXPECT_EQ(f.mainPage.edtDate.Text(), "'Today is: ' dd.mm.yyyy");
    EXPECT_EQ(f.mainPage.edtTime.Text(), "hh");
    EXPECT_TRUE(win.Dialogs().MessageBoxes().empty()) << "start-up shows no message";
}

TEST_F(StoreTest, HostileStoredValuesLoseOnlyThemselves) {
    using V = sim::SimRegistry::Value;
    const std::string huge(1 << 20, 'x');
    const std::pair<std::string, V> hostile[] = {
        {"edtDate_Text", SzValue(huge)},
        {"lblIcon_FontName", SzValue(huge)},
        {"ActiveControl", SzValue(huge)},
        {"FormVersion", V{plat::REG_BINARY, {1, 2, 3}}},
        {"ckWinClock_Checked", V{plat::REG_DWORD, {1, 0, 0, 0}}},
        {"edtTime_Text", V{plat::REG_MULTI_SZ, {'h', 0, 'm', 0, 0}}},
        {"lblIcon_Color", SzValue("99999999999999999999")},
        {"GroupPriority_ItemIndex", SzValue("1e9")},
        {"ScrTimeout_Value", SzValue("-0x")},
        {"lblIcon_FontHeight", SzValue("-$80000000")},
    };
    for (const auto& [name, value] : hostile) Reg().Set(HKCU, kStore, name, value.type, value.bytes);
    Stored("ckCPU_Checked", "True");
    Stored("CheckTime_Text", "20");

    auto& f = Start();
    // What cannot be the control's value keeps the design value (compared as flags,
    // so that a failure prints no megabyte); numbers that are none count as 0.
    EXPECT_TRUE(f.mainPage.edtDate.Text() == "'Today is: ' dd.mm.yyyy");
    EXPECT_TRUE(f.desktopPage.lblIcon.Font.Name == "MS Sans Serif");
    EXPECT_FALSE(f.mainPage.ckWinClock.Checked());
    EXPECT_EQ(f.mainPage.edtTime.Text(), "'Time is: ' hh.mm.ss");
    EXPECT_EQ(f.desktopPage.lblIcon.Color(), 0u);
    EXPECT_EQ(f.mainPage.GroupPriority.ItemIndex(), 0);
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Height(), INT32_MIN);
    EXPECT_TRUE(f.mainPage.ckCPU.Checked());
    EXPECT_EQ(f.wallpaperPage.CheckTime.Text(), "20");
    EXPECT_TRUE(win.Dialogs().MessageBoxes().empty());
    f.Close();
    EXPECT_EQ(StoredText("edtDate_Text"), "'Today is: ' dd.mm.yyyy");
    EXPECT_EQ(StoredText("CheckTime_Text"), "20");
}

TEST_F(StoreTest, FontValuesAreRestoredPropertyByProperty) {
    Stored("lblIcon_FontCharset", "0");
    Stored("lblIcon_FontColor", "255");
    Stored("lblIcon_FontName", "Courier New");
    Stored("lblIcon_FontPitch", "FPVARIABLE");
    Stored("lblIcon_FontStyle", "[fsUnderline, nonsense,fsBold]");
    Stored("lblIcon_FontHeight", "-16");
    Stored("lblIcon_FontSize", "12");
    Stored("lblIcon_Color", "-1");
    Stored("lblIcon_Transparent", "false");
    auto& f = Start();
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Charset, 0);
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Color, 255u);
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Name, "Courier New");
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Pitch, TFontPitch::fpVariable);
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Style, unsigned(fsUnderline | fsBold));
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Size(), 12);
    EXPECT_EQ(f.desktopPage.lblIcon.Color(), 0xFFFFFFFFu);
    EXPECT_FALSE(f.desktopPage.lblIcon.Transparent());

    f.Close();
    EXPECT_EQ(StoredText("lblIcon_FontStyle"), "[fsBold,fsUnderline]");
    EXPECT_EQ(StoredText("lblIcon_FontPitch"), "fpVariable");
    EXPECT_EQ(StoredText("lblIcon_Color"), "-1");
}

// The size is read after the height and wins where the two disagree; a height
// that already has the stored size is kept as it is, so that a start and a close
// never move a height that no point size reaches (-2 has size 2, which is -3).
TEST_F(StoreTest, TheStoredSizeReplacesOnlyAHeightOfAnotherSize) {
    const struct {
        const char* height;
        const char* size;
        int restored;
    } cases[] = {{"-11", "8", -11}, {"-30", "12", -16}, {"-2", "2", -2}, {"2", "-2", 2}, {"-2", "", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.height) + " / " + c.size);
        Stored("lblIcon_FontHeight", c.height);
        Stored("lblIcon_FontSize", c.size);
        auto& f = Start();
        EXPECT_EQ(f.desktopPage.lblIcon.Font.Height(), c.restored);
        f.Close();
        EXPECT_EQ(StoredText("lblIcon_FontHeight"), std::to_string(c.restored));
    }
}

TEST_F(StoreTest, AnUnknownPitchLeavesThePitch) {
    Stored("lblIcon_FontPitch", "fpWide");
    EXPECT_EQ(Start().desktopPage.lblIcon.Font.Pitch, TFontPitch::fpDefault);
}

TEST_F(StoreTest, RestoreRunsHandlersOnlyForValuesThatDiffer) {
    Stored("ckStretch_Checked", "True");       // differs: its handler writes its mirror
    Stored("ckTile_Checked", "False");         // equal
    Stored("ckWallStartup_Checked", "False");  // equal
    Stored("ckChangeWp_Checked", "True");      // differs
    Stored("CheckTime_Text", "15");            // equal
    Stored("GroupPriority_ItemIndex", "-1");   // equal
    auto& f = Start();
    EXPECT_TRUE(f.wallpaperPage.ckStretch.Checked());
    EXPECT_FALSE(f.wallpaperPage.ckTile.Checked());
    EXPECT_EQ(Reg().Get(HKCU, kMain, "ckStretch"), SzValue("true", 2));
    EXPECT_EQ(Reg().Get(HKCU, kMain, "ckChangeWp"), SzValue("true", 2));
    EXPECT_EQ(MirrorWrites("ckTile"), 0u);
    EXPECT_EQ(MirrorWrites("ckWallStartup"), 0u);
    EXPECT_EQ(MirrorWrites("CheckTime"), 0u);
    EXPECT_EQ(PriorityCalls(), 0u);
}

TEST_F(StoreTest, EachShowingOfTheWindowReloadsTheRecord) {
    auto& f = Start();
    Stored("ckWinClock_Checked", "True");
    Stored("edtDate_Text", "first");
    ShowWindow();
    EXPECT_TRUE(f.Showing());
    EXPECT_TRUE(f.mainPage.ckWinClock.Checked());
    EXPECT_EQ(f.mainPage.edtDate.Text(), "first");

    Minimise();
    EXPECT_FALSE(f.Showing());
    Stored("ckWinClock_Checked", "False");
    Stored("edtDate_Text", "second");
    ShowWindow();
    EXPECT_FALSE(f.mainPage.ckWinClock.Checked());
    EXPECT_EQ(f.mainPage.edtDate.Text(), "second");
}

TEST_F(StoreTest, ChangesMadeInTheWindowAreWrittenAtOnceAndSurviveMinimiseAndShow) {
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\a.bmp", "C:\\b.bmp"});
    ShowWindow();
    f.wallpaperPage.deleteButton.Click();  // nothing selected: nothing deleted
    f.wallpaperPage.wallpaperList.SetItemIndex(0);
    f.wallpaperPage.deleteButton.Click();  // "Delete"
    f.wallpaperPage.ckWallRandom.SetChecked(true);
    f.mainPage.edtDate.SetText("dd/mm  ");
    f.mainPage.GroupPriority.SetItemIndex(2);
    EXPECT_EQ(StoredText("ckWallRandom_Checked"), "True");
    EXPECT_EQ(StoredText("edtDate_Text"), "dd/mm");
    EXPECT_EQ(StoredText("GroupPriority_ItemIndex"), "2");
    EXPECT_EQ(Reg().GetString(HKCU, kList, "Count"), "1");

    Minimise();
    ShowWindow();
    EXPECT_TRUE(f.wallpaperPage.ckWallRandom.Checked());
    EXPECT_EQ(f.mainPage.edtDate.Text(), "dd/mm") << "the stored form of the text, not the design text";
    EXPECT_EQ(f.mainPage.GroupPriority.ItemIndex(), 2);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), (std::vector<std::string>{"C:\\b.bmp"}));
}

TEST_F(StoreTest, DestroyingWithoutCloseSavesWithVisibleOne) {
    auto& f = Start();
    f.mainPage.ckCPU.SetChecked(true);
    form.reset();
    EXPECT_EQ(Reg().Get(HKCU, kStore, "Visible"), SzValue("1"));
    EXPECT_EQ(StoredText("ckCPU_Checked"), "True");
}

TEST_F(StoreTest, DestroyingAfterCloseDoesNotSaveAgain) {
    Start().Close();
    win.ClearJournal();
    form.reset();
    EXPECT_EQ(win.Count("RegSetValueEx(HKCU\\" + kStore + ","), 0u);
    EXPECT_EQ(StoredText("Visible"), "0");
}

TEST_F(StoreTest, ActiveControlIsStoredAndGetsTheFocusBack) {
    auto& f = Start();
    f.SetActiveControl(&f.wallpaperPage.CheckTime);
    f.Close();
    EXPECT_EQ(Reg().Get(HKCU, kStore, "ActiveControl"), SzValue("CheckTime"));

    form.reset();
    auto& g = Start();
    EXPECT_EQ(g.ActiveControl(), &g.wallpaperPage.CheckTime);
}

TEST_F(StoreTest, ActiveControlThatCannotTakeTheFocusIsIgnored) {
    for (const char* name : {"lblIcon", "NoSuchControl", "FormStorage1", "GroupPriority"}) {
        form.reset();
        Stored("ActiveControl", name);
        EXPECT_EQ(Start().ActiveControl(), nullptr) << name;
    }
}

// ---- the mirror values ----

TEST_F(StoreTest, MirrorValuesCarryTwoTerminatingZerosAndReadBackPlain) {
    auto& f = Start();
    f.wallpaperPage.CheckTime.SetText("20");
    EXPECT_EQ(Reg().Get(HKCU, kMain, "CheckTime"), SzValue("20", 2));
    EXPECT_EQ(f.settings.ReadText(TStoredIn::MainMirror, "CheckTime"), "20");

    f.wallpaperPage.CheckTime.SetText("15");
    Reg().Set(HKCU, kMain, "CheckTime", plat::REG_SZ, Sz("20", 2));
    f.settings.Reload(f.wallpaperPage.CheckTime, TStoredIn::MainMirror);
    EXPECT_EQ(f.wallpaperPage.CheckTime.Text(), "20");

    f.wallpaperPage.ckWallStartup.SetChecked(true);
    f.wallpaperPage.ckStretch.SetChecked(true);
    EXPECT_EQ(Reg().Get(HKCU, kMain, "ckWallStartup"), SzValue("true", 2));
    EXPECT_EQ(Reg().Get(HKCU, kMain, "ckStretch"), SzValue("true", 2));
    EXPECT_FALSE(Reg().Get(HKCU, kMain, "ckTile").has_value()) << "Tile was already unchecked";
    f.wallpaperPage.ckTile.SetChecked(
        true);  // its handler unchecks Stretch, whose handler writes its own state
    EXPECT_EQ(Reg().Get(HKCU, kMain, "ckTile"), SzValue("true", 2));
    EXPECT_EQ(Reg().Get(HKCU, kMain, "ckStretch"), SzValue("false", 2));
    EXPECT_FALSE(f.wallpaperPage.ckStretch.Checked());
}

TEST_F(StoreTest, AMissingMirrorValueReadsAsItsDefaultAndAValueWithoutARowIsRefused) {
    auto& f = Start();
    f.settings.Reload(f.wallpaperPage.CheckTime, TStoredIn::MainMirror);
    // The row's default is empty, and an empty interval is none: the box puts 15 back.
    EXPECT_EQ(f.wallpaperPage.CheckTime.Text(), "15");
    // Every stored value has its row: one without is the program's fault, never written.
    EXPECT_THROW(f.settings.WriteText(TStoredIn::MainMirror, "Nope", "x"), std::logic_error);
    EXPECT_THROW(f.settings.Save(f.mainPage.edtTime, TStoredIn::MainMirror), std::logic_error);
    EXPECT_FALSE(Reg().Get(HKCU, kMain, "Nope").has_value());
}

TEST_F(StoreTest, ExportListWritesLastIndexAndItemsAndDropsOlderItems) {
    auto& f = Start();
    Reg().SetString(HKCU, kExport, "Item09", "not an item's name");
    f.wallpaperPage.wallpaperList.SetItems({"C:\\1.bmp", "C:\\2.bmp", "C:\\3.bmp", "C:\\4.bmp", "C:\\5.bmp"});
    f.settings.ExportList(f.wallpaperPage.wallpaperList);
    f.wallpaperPage.wallpaperList.SetItems({"C:\\x.bmp", "C:\\y.jpg"});
    f.settings.ExportList(f.wallpaperPage.wallpaperList);

    EXPECT_EQ(Reg().ValueNames(HKCU, kExport),
              (std::vector<std::string>{"Item09", "WallList TotalItems", "Item0", "Item1"}));
    EXPECT_EQ(Reg().Get(HKCU, kExport, "WallList TotalItems"), SzValue("1", 2));
    EXPECT_EQ(Reg().Get(HKCU, kExport, "Item0"), SzValue("C:\\x.bmp", 2));
    EXPECT_EQ(Reg().Get(HKCU, kExport, "Item1"), SzValue("C:\\y.jpg", 2));
}

TEST_F(StoreTest, ScanResultIsExportedAtOnce) {
    auto& f = Start();
    f.wallpaperPage.ScanFinished({"C:\\p\\a.bmp", "C:\\p\\b.jpg", "C:\\p\\c.bmp"}, 3, 0);
    EXPECT_EQ(Reg().GetString(HKCU, kExport, "WallList TotalItems"), "2");
    EXPECT_EQ(Reg().GetString(HKCU, kExport, "Item2"), "C:\\p\\c.bmp");
    EXPECT_EQ(Reg().GetString(HKCU, kList, "Count"), "3");
}

// The wallpaper list as the program wrote it value by value, reopening the
// key for each: the export (its running last index before every item, then
// the stale items dropped) and the property store's own copy.
void OneByOneSave(plat::IRegistry& reg, const std::vector<std::string>& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        plat::RegKey::Create(reg, HKCU, kExport, plat::KEY_ALL_ACCESS)
            .WriteString("WallList TotalItems", std::to_string(i), true);
        plat::RegKey::Create(reg, HKCU, kExport, plat::KEY_ALL_ACCESS)
            .WriteString("Item" + std::to_string(i), items[i], true);
    }
    auto exported = plat::RegKey::Create(reg, HKCU, kExport, plat::KEY_ALL_ACCESS);
    for (const auto& name : exported.ValueNames())
        if (auto index = ListItemIndex(name); index && *index >= static_cast<int>(items.size()))
            exported.DeleteValue(name);
    auto base = plat::RegKey::Create(reg, HKCU, kBase, plat::KEY_ALL_ACCESS);
    reg.RegDeleteKey(base.Get(), "Velant! Pro 2001.WallList_Items");
    auto stored = plat::RegKey::Create(reg, HKCU, kList, plat::KEY_ALL_ACCESS);
    stored.WriteString("Count", std::to_string(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) stored.WriteString("Item" + std::to_string(i), items[i]);
}

std::vector<std::string> Pictures(int count, const std::string& folder) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) paths.push_back(folder + "\\photo" + std::to_string(i) + ".jpg");
    return paths;
}

std::vector<std::pair<int, std::string>> Enumerated(const std::vector<std::string>& items) {
    std::vector<std::pair<int, std::string>> pairs;
    for (const auto& item : items) pairs.emplace_back(static_cast<int>(pairs.size()), item);
    return pairs;
}

// Thousands of pictures take seconds of registry round trips on Windows: the
// list is written a slice at a time with window messages in between, and
// what it leaves is what the value-by-value writes left, byte for byte and
// in the same order, over an earlier list's values and a stranger's.
TEST_F(StoreTest, ALongScanIsSavedBetweenWindowMessagesAsValueByValueWritesSavedIt) {
    sim::SimWindows reference;
    for (sim::SimRegistry* reg : {&Reg(), &reference.Registry()}) {
        reg->SetString(HKCU, kExport, "Item09", "not an item's name");
        reg->SetString(HKCU, kList, "Count", "540");
        for (const auto& [i, path] : Enumerated(Pictures(540, "C:\\old"))) {
            if (i < 100 || i == 539) reg->SetString(HKCU, kExport, "Item" + std::to_string(i), path);
            reg->SetString(HKCU, kList, "Item" + std::to_string(i), path);
        }
    }
    const auto scanned = Pictures(530, "C:\\new");
    OneByOneSave(reference.Registry(), scanned);

    auto& f = Start();
    std::size_t copiedMeanwhile = 0, storedMeanwhile = 0;
    const plat::Hwnd other = win.User().AddWindow(0, "Other", "", false, [&](std::uint32_t, auto, auto) {
        copiedMeanwhile = Reg().ValueNames(HKCU, kListCopy).size();
        storedMeanwhile = Reg().ValueNames(HKCU, kList).size();
        return plat::LResult{0};
    });
    win.User().Post(other, plat::WM_NULL, 0, 0);
    f.wallpaperPage.ScanFinished(scanned, 530, 0);

    EXPECT_GT(copiedMeanwhile, 0u) << "no message ran while the list was written";
    EXPECT_LT(copiedMeanwhile, 531u) << "no message ran while the list was written";
    EXPECT_EQ(storedMeanwhile, 541u) << "the old list stays whole until the new one is";
    EXPECT_FALSE(Reg().HasKey(HKCU, kListCopy));
    for (const std::string& key : {kExport, kList}) {
        const auto names = Reg().ValueNames(HKCU, key);
        ASSERT_EQ(names, reference.Registry().ValueNames(HKCU, key)) << key;
        for (const auto& name : names)
            ASSERT_EQ(Reg().Get(HKCU, key, name), reference.Registry().Get(HKCU, key, name))
                << key << " " << name;
    }
    EXPECT_EQ(Reg().GetString(HKCU, kExport, "WallList TotalItems"), "529");
}

// A handler that runs between two slices may change the list or show the
// window (which restores the stored settings): the newer list wins, and a
// list still being written is never read back half-way.
TEST_F(StoreTest, WhatHappensBetweenTheSlicesOfASaveLosesNothing) {
    const auto scanned = Pictures(530, "C:\\new");
    const std::vector<std::string> added = {"C:\\a.bmp", "C:\\b.bmp", "C:\\c.bmp"};
    struct Case {
        const char* what;
        bool replaceList;
        std::vector<std::string> kept;
    };
    for (const Case& c : {Case{"the list replaced", true, added}, Case{"the window shown", false, scanned}}) {
        SCOPED_TRACE(c.what);
        form.reset();
        win.Registry().RemoveKey(HKCU, kBase);
        auto& f = Start();
        bool ran = false;
        const plat::Hwnd other = win.User().AddWindow(0, "Other", "", false, [&](std::uint32_t, auto, auto) {
            ran = true;
            if (c.replaceList)
                f.wallpaperPage.wallpaperList.SetItems(added);
            else
                ShowWindow();
            return plat::LResult{0};
        });
        win.User().Post(other, plat::WM_NULL, 0, 0);
        f.wallpaperPage.ScanFinished(scanned, 530, 0);

        EXPECT_TRUE(ran);
        EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), c.kept);
        std::vector<std::string> stored, exported;
        for (std::size_t i = 0; i < c.kept.size(); ++i) {
            stored.push_back(Reg().GetString(HKCU, kList, "Item" + std::to_string(i)));
            exported.push_back(Reg().GetString(HKCU, kExport, "Item" + std::to_string(i)));
        }
        EXPECT_EQ(stored, c.kept);
        EXPECT_EQ(exported, c.kept);
        EXPECT_EQ(Reg().GetString(HKCU, kList, "Count"), std::to_string(c.kept.size()));
        EXPECT_EQ(Reg().ValueNames(HKCU, kList).size(), c.kept.size() + 1);
        EXPECT_EQ(Reg().ValueNames(HKCU, kExport).size(), c.kept.size() + 1);
    }
}

// Every wallpaper change selects an entry: with 50,000 pictures, a change writes
// a few values and a click on an entry none, as long as the entries stay.
TEST_F(StoreTest, TheListIsWrittenWhenItsEntriesChangeNeverForASelection) {
    auto pictures = Pictures(50000, "C:\\pics");
    pictures[1] = "C:\\pics\\one.bmp";
    Reg().SetString(HKCU, kList, "Count", "50000");
    for (const auto& [i, path] : Enumerated(pictures))
        Reg().SetString(HKCU, kList, "Item" + std::to_string(i), path);
    win.Kernel().WriteBytes(pictures[1], EncodeBmp(TBitmap(4, 4)));
    auto& f = Start();
    ASSERT_EQ(f.wallpaperPage.wallpaperList.Count(), 50000);
    auto writes = [&] {
        return win.Count("RegSetValueEx(") + win.Count("RegDeleteValue(") + win.Count("RegDeleteKey(");
    };

    win.ClearJournal();
    f.wallpaperPage.wallpaperList.SetItemIndex(0);
    f.rotation.ChangeWallpaper();
    ASSERT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 1);
    EXPECT_LE(writes(), 4u);
    win.ClearJournal();
    f.wallpaperPage.wallpaperList.Click(1);
    ASSERT_NE(f.wallpaperPage.preview.Picture(), nullptr);
    EXPECT_EQ(writes(), 0u);

    // An entry that is gone changes the entries: the list is written, once.
    f.wallpaperPage.wallpaperList.Click(2);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Count(), 49999);
    EXPECT_EQ(Reg().GetString(HKCU, kList, "Count"), "49999");
    for (const std::string& key : {kListCopy, kList})
        EXPECT_EQ(win.Count("RegSetValueEx(HKCU\\" + key + ", \"Count\""), 1u) << key;
    // Showing the window reads none of them back: the key holds what was just written.
    const std::size_t reads = Reg().ValueReads(HKCU, kList);
    ShowWindow();
    EXPECT_EQ(Reg().ValueReads(HKCU, kList), reads);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Count(), 49999);
}

// ---- failures ----

TEST_F(StoreTest, RegistryWriteFailureAtCloseIsReportedAndTheProgramStillCloses) {
    auto& f = Start();
    f.ShowConfiguration();
    f.mainPage.ckScrEnable.SetChecked(false);
    win.Registry().FailWrites(HKCU, kBase);
    win.ClearJournal();
    f.Close();

    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    const auto& box = win.Dialogs().MessageBoxes()[0];
    EXPECT_FALSE(box.text.empty());
    EXPECT_EQ(box.caption, "Velant! Pro 2001");
    EXPECT_EQ(box.type, plat::MB_OK | plat::MB_ICONERROR);
    EXPECT_FALSE(f.Showing());
    EXPECT_TRUE(win.Contains("SystemParametersInfo(17, 1, null, 3)")) << "the rest of the shut-down ran";
}

TEST_F(StoreTest, RestoreFailureOnShowingIsReportedAndTheWindowShows) {
    auto& f = Start();
    win.Registry().DenyAccess(HKCU, kBase);
    f.ShowConfiguration();
    EXPECT_TRUE(f.Showing());
    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    EXPECT_EQ(win.Dialogs().MessageBoxes()[0].type, plat::MB_OK | plat::MB_ICONERROR);
}

TEST_F(StoreTest, AnErrorNotOfTheProgramsOwnInARestoredHandlerIsReported) {
    auto& f = Start();
    f.mainPage.ckWinClock.OnClick = [] { throw std::logic_error("clock without a pattern"); };
    Stored("ckWinClock_Checked", "True");
    ShowWindow();
    EXPECT_TRUE(f.Showing());
    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    EXPECT_EQ(win.Dialogs().MessageBoxes()[0].text, "clock without a pattern");
    // The restore has ended: a change in the window is written at once again.
    f.mainPage.ckCPU.SetChecked(true);
    EXPECT_EQ(StoredText("ckCPU_Checked"), "True");
}

TEST_F(StoreTest, RestoreFailureAtStartUpIsSilent) {
    Stored("ckWinClock_Checked", "True");
    win.Registry().DenyAccess(HKCU, kStore);
    auto& f = Start();
    win.Registry().DenyAccess(HKCU, kStore, false);
    EXPECT_TRUE(win.Dialogs().MessageBoxes().empty());
    EXPECT_FALSE(f.mainPage.ckWinClock.Checked());
    EXPECT_TRUE(f.timers.Active()) << "start-up went on";
    EXPECT_EQ(f.rotation.MinutesLeft, 15) << "start-up went on";
}

}  // namespace
