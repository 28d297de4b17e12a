// The "Wallpaper" page of the main form, driven through its controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../wallpaper/JpegEncoder.h"
#include "app/MainForm.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"
#include "ui/Convert.h"
#include "wallpaper/Jpeg.h"
#include "wallpaper/Picture.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kMain = "Software\\Corvane\\Velant! Pro 2001\\Main";
const std::string kWallpaperFolder =
    "C:\\Documents and Settings\\User\\Local Settings\\Application Data\\Velant! Pro 2001";
const std::string kWallpaper = kWallpaperFolder + "\\Velant! Pro 2001 wallpaper.bmp";
const std::string kSetWallpaper = "SystemParametersInfo(20, 0, \"" + kWallpaper + "\", 3)";

// A picture whose pixels all differ, so a mirrored or shifted copy shows.
TBitmap Pattern(int w, int h, int seed) {
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       static_cast<plat::ColorRef>((x * 37 + seed) & 0xFF) |
                           static_cast<plat::ColorRef>(((y * 53 + seed * 3) & 0xFF) << 8) |
                           static_cast<plat::ColorRef>(((x + y + seed * 7) & 0xFF) << 16));
    return b;
}

std::vector<std::uint8_t> Jpeg(int w, int h) {
    wptest::JpegOptions o;
    o.width = w;
    o.height = h;
    return wptest::EncodeJpeg(
        o, [](int x, int y, int c) { return static_cast<std::uint8_t>(x * 9 + y * 5 + c * 70); });
}

class WallpaperPageTest : public ::testing::Test {
protected:
    WallpaperPageTest() { app.Title = "Velant! Pro 2001"; }

    TMainForm& Start() {
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
        return *form;
    }
    TBitmap Bmp(const std::string& path, int seed, int w = 6, int h = 4) {
        TBitmap b = Pattern(w, h, seed);
        win.Kernel().WriteBytes(path, EncodeBmp(b));
        return b;
    }
    // The wallpaper bitmap the shell has been given, decoded.
    TBitmap WallpaperFile() { return DecodeBmp(*win.Kernel().FileBytes(kWallpaper)); }
    std::size_t WallpaperSets() { return win.Count("SystemParametersInfo(20,"); }
    // The user's click on "Apply", through the dispatch boundary.
    void Apply() {
        app.Dispatch([this] { form->wallpaperPage.btnApplyWall.Click(); });
    }
    const std::vector<sim::MessageBoxRecord>& Boxes() { return win.Dialogs().MessageBoxes(); }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TMainForm> form;
};

TEST_F(WallpaperPageTest, WallpaperBitmapLivesInTheUsersOwnFolderSoAStandardUserCanChangeIt) {
    for (const bool standardUser : {false, true}) {
        SCOPED_TRACE(standardUser ? "standard user" : "administrator");
        sim::SimWindows w;
        w.SetStandardUser(standardUser);
        plat::Platform platform = w.platform();
        TApplication a{platform.user, platform.dialogs};
        a.Title = "Velant! Pro 2001";
        w.Kernel().WriteBytes("C:\\pics\\a.jpg", Jpeg(8, 6));
        w.Kernel().WriteBytes("C:\\pics\\b.bmp", EncodeBmp(Pattern(5, 3, 1)));
        TMainForm f(platform, a);
        f.Loaded();
        EXPECT_EQ(f.rotation.WallpaperBitmapPath(), kWallpaper);
        f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.jpg", "C:\\pics\\b.bmp"});
        for (int i = 0; i < 2; ++i) {
            a.Dispatch([&] { f.menuPage.MainPopup_ChangeWall->Click(); });
            EXPECT_TRUE(w.Dialogs().MessageBoxes().empty()) << w.Dialogs().MessageBoxes().back().text;
            EXPECT_EQ(w.User().Wallpaper(), kWallpaper);
        }
        EXPECT_EQ(DecodeBmp(*w.Kernel().FileBytes(kWallpaper)), Pattern(5, 3, 1));
        // The next start shows that bitmap until the first change of its own.
        TMainForm again(platform, a);
        again.Loaded();
        EXPECT_EQ(again.wallpaperSetter.FileDir(), kWallpaperFolder);
    }
}

TEST_F(WallpaperPageTest, AFolderThatCannotBeMadeIsReportedAndNothingChanges) {
    win.Kernel().WriteBytes("C:\\pics\\b.bmp", EncodeBmp(Pattern(5, 3, 1)));
    win.Kernel().WriteBytes("C:\\pics\\c.bmp", EncodeBmp(Pattern(5, 3, 2)));
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\b.bmp", "C:\\pics\\c.bmp"});
    win.FailNext("CreateDirectory");
    app.Dispatch([&] { f.menuPage.MainPopup_ChangeWall->Click(); });
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Cannot create folder \"" + kWallpaperFolder + "\". Access is denied.");
    EXPECT_EQ(WallpaperSets(), 0u);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Count(), 2);
}

// ---- rotation ----

TEST_F(WallpaperPageTest, SequentialChangeStepsToTheNextEntryAndWraps) {
    std::vector<TBitmap> pics;
    for (int i = 0; i < 3; ++i) pics.push_back(Bmp("C:\\pics\\" + std::to_string(i) + ".bmp", i));
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\0.bmp", "C:\\pics\\1.bmp", "C:\\pics\\2.bmp"});
    ASSERT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), -1);

    const int expected[] = {0, 1, 2, 0, 1};
    for (int index : expected) {
        f.rotation.ChangeWallpaper();
        EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), index);
        EXPECT_EQ(WallpaperFile(), pics[index]) << index;
    }
    EXPECT_EQ(win.User().Wallpaper(), kWallpaper);
}

TEST_F(WallpaperPageTest, RandomChangeCanDrawEveryEntryTheLastAndTheCurrentOneIncluded) {
    for (int i = 0; i < 3; ++i) Bmp("C:\\pics\\" + std::to_string(i) + ".bmp", i, 2, 2);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\0.bmp", "C:\\pics\\1.bmp", "C:\\pics\\2.bmp"});
    f.wallpaperPage.ckWallRandom.SetChecked(true);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 0) << "turning random on selects the first entry";

    std::set<int> drawn;
    bool repeated = false;
    for (std::uint32_t i = 0; i < 60; ++i) {
        win.Clock().SetTickCount(1000 + i * 7919);
        const int before = f.wallpaperPage.wallpaperList.ItemIndex();
        f.rotation.ChangeWallpaper();
        drawn.insert(f.wallpaperPage.wallpaperList.ItemIndex());
        repeated = repeated || f.wallpaperPage.wallpaperList.ItemIndex() == before;
    }
    EXPECT_EQ(drawn, (std::set<int>{0, 1, 2}));
    EXPECT_TRUE(repeated);
}

TEST_F(WallpaperPageTest, OneEntryListAppliesItsEntryFromEveryCommand) {
    const TBitmap pic = Bmp("C:\\pics\\only.bmp", 5);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\only.bmp"});

    f.rotation.ChangeWallpaper();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 0);
    EXPECT_EQ(WallpaperSets(), 2u);
    EXPECT_EQ(WallpaperFile(), pic);

    f.menuPage.MainPopup_ChangeWall->Click();
    EXPECT_EQ(WallpaperSets(), 4u);
    Apply();
    EXPECT_EQ(WallpaperSets(), 6u);
}

TEST_F(WallpaperPageTest, ApplyWithoutSelectionOrEntriesDoesNothing) {
    Bmp("C:\\pics\\a.bmp", 1);
    auto& f = Start();
    Apply();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\pics\\a.bmp"});
    Apply();
    EXPECT_EQ(WallpaperSets(), 0u);
    EXPECT_FALSE(win.Kernel().Exists(kWallpaper));
}

TEST_F(WallpaperPageTest, MissingFileIsRemovedSilentlyWhenApplied) {
    Bmp("C:\\pics\\a.bmp", 1);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\gone.bmp", "C:\\pics\\a.bmp"});
    f.wallpaperPage.wallpaperList.SetItemIndex(0);
    Apply();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), (std::vector<std::string>{"C:\\pics\\a.bmp"}));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(WallpaperSets(), 0u);
}

TEST_F(WallpaperPageTest, MissingFileIsReportedAndRemovedWhenSelected) {
    Bmp("C:\\pics\\a.bmp", 1);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\My Pictures\\gone.JPG"});
    f.wallpaperPage.wallpaperList.Click(0);
    ASSERT_NE(f.wallpaperPage.preview.Picture(), nullptr);
    f.wallpaperPage.wallpaperList.Click(1);

    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text,
              "File C:\\My Pictures\\gone.JPG has been moved, renamed or deleted.\r"
              "Deleting entry and updating list...");
    EXPECT_EQ(Boxes()[0].type, plat::MB_OK | plat::MB_ICONINFORMATION);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), (std::vector<std::string>{"C:\\pics\\a.bmp"}));
    EXPECT_EQ(f.wallpaperPage.preview.Picture(), nullptr);
    EXPECT_EQ(WallpaperSets(), 0u) << "selecting never changes the wallpaper";
}

// ---- picture kinds ----

struct KindCase {
    const char* name;
    bool jpeg;
    bool picture;
    bool system = false;    // data the system's codecs can read
    bool allTypes = false;  // "All picture types" on the "More" page
};

class PictureKinds : public WallpaperPageTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(PictureKinds, ExtensionInAnyCaseIsRecognised) {
    const auto& c = GetParam();
    const std::string path = std::string("C:\\pics\\entry") + c.name;
    TBitmap expected;
    if (c.jpeg) {
        const auto data = Jpeg(10, 7);
        win.Kernel().WriteBytes(path, data);
        expected = DecodeJpeg(data);
    } else if (c.system) {
        const std::string text = "pixels for the codecs";
        const std::vector<std::uint8_t> data(text.begin(), text.end());
        win.Kernel().WriteBytes(path, data);
        expected = Pattern(7, 5, 3);
        win.Imaging().AddPicture(data, {expected.Width(), expected.Height(), expected.Pixels()});
    } else {
        expected = Bmp(path, 3);
    }
    Bmp("C:\\pics\\other.bmp", 9);
    auto& f = Start();
    if (c.allTypes) f.morePage.ckAllPictures.SetChecked(true);
    f.wallpaperPage.wallpaperList.SetItems({path, "C:\\pics\\other.bmp"});

    f.wallpaperPage.wallpaperList.Click(0);  // the preview
    if (c.picture) {
        ASSERT_NE(f.wallpaperPage.preview.Picture(), nullptr) << c.name;
        EXPECT_EQ(*f.wallpaperPage.preview.Picture(), expected) << c.name;
    } else {
        EXPECT_EQ(f.wallpaperPage.preview.Picture(), nullptr) << c.name;
    }

    Apply();
    if (c.picture) {
        EXPECT_EQ(WallpaperFile(), expected) << c.name;
        EXPECT_EQ(WallpaperSets(), 2u) << c.name;
        EXPECT_EQ(win.User().Wallpaper(), kWallpaper);
    } else {
        EXPECT_FALSE(win.Kernel().Exists(kWallpaper)) << c.name;
        EXPECT_EQ(WallpaperSets(), 0u) << c.name;
    }
    EXPECT_EQ(win.Count("RegSetValueEx(HKCU\\Control Panel\\"), 2u) << c.name;
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(f.wallpaperPage.preview.Picture(), nullptr) << "Apply empties the preview";
    EXPECT_EQ(win.Imaging().DecodeCount(), c.picture && c.system ? 2u : 0u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, PictureKinds,
    ::testing::Values(KindCase{".bmp", false, true}, KindCase{".BMP", false, true},
                      KindCase{".Bmp", false, true}, KindCase{".jpg", true, true},
                      KindCase{".JPG", true, true}, KindCase{".Jpg", true, true},
                      KindCase{".jpeg", true, true}, KindCase{".JPEG", true, true},
                      KindCase{".png", false, true, true, true}, KindCase{".GIF", false, true, true, true},
                      KindCase{".Tiff", false, true, true, true}, KindCase{".webp", false, true, true, true},
                      // without "All picture types", as the plain program
                      KindCase{".gif", false, false, true, false}, KindCase{".txt", false, false},
                      KindCase{".bmp.txt", false, false}),
    [](const auto& info) {
        std::string n;
        for (char ch : std::string(info.param.name)) n += ch == '.' ? '_' : ch;
        return n;
    });

TEST_F(WallpaperPageTest, NonPictureEntryShowsTheCurrentBitmapAgainInTheCurrentStyle) {
    const TBitmap first = Bmp("C:\\pics\\a.bmp", 1);
    win.Kernel().WriteText("C:\\pics\\notes.txt", "hello");
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\pics\\notes.txt"});
    f.rotation.ChangeWallpaper();
    f.wallpaperPage.ckTile.SetChecked(true);
    win.ClearJournal();
    f.rotation.ChangeWallpaper();  // selects the .txt entry
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 1);
    EXPECT_EQ(WallpaperSets(), 2u);
    EXPECT_EQ(win.User().Wallpaper(), kWallpaper);
    EXPECT_EQ(WallpaperFile(), first);
    EXPECT_EQ(win.Registry().GetString(HKCU, "Control Panel\\desktop", "WallpaperStyle"), "0");
    EXPECT_EQ(win.Registry().GetString(HKCU, "Control Panel\\desktop", "TileWallpaper"), "1");

    // Before any picture was applied, the setter picks a bitmap of its own folder.
    form.reset();
    win.Kernel().DeleteFile(kWallpaper);
    Bmp("C:\\WINDOWS\\setup.bmp", 3);
    auto& g = Start();
    g.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\notes.txt", "C:\\pics\\a.bmp"});
    win.ClearJournal();
    g.rotation.ChangeWallpaper();
    EXPECT_EQ(win.Count("SystemParametersInfo(20, 0, \"C:\\WINDOWS\\setup.bmp\", 3)"), 2u);
    EXPECT_FALSE(win.Kernel().Exists(kWallpaper));
}

// ---- the setter's styles ----

TEST_F(WallpaperPageTest, EachApplyStoresStretchThenTileAndSetsTheWallpaperAfterEach) {
    struct Case {
        bool stretch;
        const char* style;
        const char* tile;
    };
    Bmp("C:\\pics\\a.bmp", 1);
    Bmp("C:\\pics\\b.bmp", 2);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\pics\\b.bmp"});
    for (const Case c : {Case{true, "2", "0"}, Case{false, "0", "1"}}) {
        if (c.stretch)
            f.wallpaperPage.ckStretch.SetChecked(true);
        else
            f.wallpaperPage.ckTile.SetChecked(true);
        ASSERT_NE(f.wallpaperPage.ckStretch.Checked(), f.wallpaperPage.ckTile.Checked());
        win.ClearJournal();
        f.rotation.ChangeWallpaper();

        std::vector<std::string> seen;
        for (const auto& e : win.Journal()) {
            if (e.rfind("SystemParametersInfo(20,", 0) == 0)
                seen.push_back(e);
            else if (e.rfind("RegSetValueEx(HKCU\\Control Panel\\", 0) == 0)
                seen.push_back(e.substr(e.find('"')));
        }
        const std::vector<std::string> expected = {
            std::string("\"WallpaperStyle\", 1, \"") + c.style + "\\0\")",
            kSetWallpaper,
            std::string("\"TileWallpaper\", 1, \"") + c.tile + "\\0\")",
            kSetWallpaper,
        };
        EXPECT_EQ(seen, expected) << c.style;
        EXPECT_EQ(win.Registry().GetString(HKCU, "Control Panel\\desktop", "WallpaperStyle"), c.style);
        EXPECT_EQ(win.Registry().GetString(HKCU, "Control Panel\\desktop", "TileWallpaper"), c.tile);
    }
}

TEST_F(WallpaperPageTest, StretchAndTileBoxesStayOppositeAndWriteTheirMirrors) {
    auto& f = Start();
    f.wallpaperPage.ckTile.SetChecked(true);
    EXPECT_FALSE(f.wallpaperPage.ckStretch.Checked());
    EXPECT_FALSE(f.wallpaperPage.preview.Stretch());
    f.wallpaperPage.ckStretch.SetChecked(true);
    EXPECT_FALSE(f.wallpaperPage.ckTile.Checked());
    EXPECT_TRUE(f.wallpaperPage.preview.Stretch());
    f.wallpaperPage.ckStretch.SetChecked(false);
    EXPECT_TRUE(f.wallpaperPage.ckTile.Checked());
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ckStretch"), "false");
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ckTile"), "true");
    EXPECT_EQ(WallpaperSets(), 0u) << "the boxes alone apply nothing";
}

// ---- the interval field ----

TEST_F(WallpaperPageTest, IntervalTextIsCheckedOnEveryChange) {
    struct Case {
        const char* typed;
        const char* text;
        int minutes;
        bool message;
    };
    const Case cases[] = {
        {"0", "15", 15, false},  {"", "15", 15, false},       {"abc", "15", 15, true},
        {"-5", "-5", -5, false}, {"$A", "$A", 10, false},     {"20", "20", 20, false},
        {"1.5", "15", 15, true}, {"0x1F", "0x1F", 31, false},
    };
    auto& f = Start();
    for (const auto& c : cases) {
        f.wallpaperPage.CheckTime.SetText("7");
        const auto boxesBefore = Boxes().size();
        f.wallpaperPage.CheckTime.SetText(c.typed);
        EXPECT_EQ(f.wallpaperPage.CheckTime.Text(), c.text) << '"' << c.typed << '"';
        EXPECT_EQ(f.rotation.MinutesLeft, c.minutes) << '"' << c.typed << '"';
        EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "CheckTime"), c.text) << '"' << c.typed << '"';
        ASSERT_EQ(Boxes().size(), boxesBefore + (c.message ? 1 : 0)) << '"' << c.typed << '"';
        if (c.message) {
            EXPECT_EQ(Boxes().back().text, "This is not a valid number");
            EXPECT_EQ(Boxes().back().type, plat::MB_OK);
        }
    }
}

// ---- the minute tick ----

TEST_F(WallpaperPageTest, UncheckedEveryFreezesTheCountdown) {
    Bmp("C:\\pics\\a.bmp", 1);
    Bmp("C:\\pics\\b.bmp", 2);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\pics\\b.bmp"});
    f.wallpaperPage.CheckTime.SetText("3");
    f.wallpaperPage.ckChangeWp.SetChecked(true);
    win.Advance(60000);
    EXPECT_EQ(f.rotation.MinutesLeft, 2);
    f.wallpaperPage.ckChangeWp.SetChecked(false);
    win.Advance(10 * 60000);
    EXPECT_EQ(f.rotation.MinutesLeft, 2);
    EXPECT_EQ(WallpaperSets(), 0u);
    f.wallpaperPage.ckChangeWp.SetChecked(true);
    win.Advance(60000);
    EXPECT_EQ(WallpaperSets(), 0u);
    win.Advance(60000);
    EXPECT_EQ(WallpaperSets(), 2u);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 0);
}

TEST_F(WallpaperPageTest, ReachingZeroReloadsTheIntervalFromItsStoredValueAndChanges) {
    Bmp("C:\\pics\\a.bmp", 1);
    const TBitmap b = Bmp("C:\\pics\\b.bmp", 2);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\pics\\b.bmp"});
    f.wallpaperPage.wallpaperList.SetItemIndex(0);
    f.wallpaperPage.CheckTime.SetText("2");
    f.wallpaperPage.ckChangeWp.SetChecked(true);
    // Another writer of the stored interval, with the mirror's two zero bytes.
    win.Registry().Set(HKCU, kMain, "CheckTime", plat::REG_SZ, {'4', 0, 0});

    win.Advance(2 * 60000);
    EXPECT_EQ(f.wallpaperPage.CheckTime.Text(), "4");
    EXPECT_EQ(f.rotation.MinutesLeft, 4);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 1);
    EXPECT_EQ(WallpaperFile(), b);
    EXPECT_EQ(WallpaperSets(), 2u);

    win.Advance(3 * 60000);
    EXPECT_EQ(WallpaperSets(), 2u);
    win.Advance(60000);
    EXPECT_EQ(WallpaperSets(), 4u);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 0);

    // One that cannot be read keeps the box's interval: the rotation goes on.
    win.Registry().SetDword(HKCU, kMain, "CheckTime", 1);
    win.Advance(4 * 60000);
    EXPECT_EQ(WallpaperSets(), 6u);
    EXPECT_EQ(f.rotation.MinutesLeft, 4);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(WallpaperPageTest, NegativeIntervalNeverFires) {
    Bmp("C:\\pics\\a.bmp", 1);
    Bmp("C:\\pics\\b.bmp", 2);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\pics\\b.bmp"});
    f.wallpaperPage.CheckTime.SetText("-5");
    f.wallpaperPage.ckChangeWp.SetChecked(true);
    win.Advance(30 * 60000);
    EXPECT_EQ(WallpaperSets(), 0u);
    EXPECT_EQ(f.rotation.MinutesLeft, -35);
}

TEST_F(WallpaperPageTest, StartUpChangesTheWallpaperWhenAsked) {
    Bmp("C:\\pics\\a.bmp", 1);
    Bmp("C:\\pics\\b.bmp", 2);
    auto& reg = win.Registry();
    const std::string store = "Software\\Corvane\\Velant! Pro 2001";
    reg.SetString(HKCU, store + ".WallList_Items", "Count", "2");
    reg.SetString(HKCU, store + ".WallList_Items", "Item0", "C:\\pics\\a.bmp");
    reg.SetString(HKCU, store + ".WallList_Items", "Item1", "C:\\pics\\b.bmp");
    reg.SetString(HKCU, store, "ckWallStartup_Checked", "True");
    reg.SetString(HKCU, store, "CheckTime_Text", "30");
    auto& f = Start();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 0);
    EXPECT_EQ(WallpaperSets(), 2u);
    EXPECT_EQ(f.rotation.MinutesLeft, 30);
}

// ---- failures keep the previous wallpaper ----

TEST_F(WallpaperPageTest, FailedWriteKeepsThePreviousBitmapAndTheShellsWallpaper) {
    const TBitmap a = Bmp("C:\\pics\\a.bmp", 1, 40, 30);
    Bmp("C:\\pics\\b.bmp", 2, 40, 30);
    win.Kernel().WriteBytes("C:\\pics\\c.jpg", Jpeg(40, 30));
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\pics\\b.bmp", "C:\\pics\\c.jpg"});
    f.rotation.ChangeWallpaper();
    ASSERT_EQ(WallpaperFile(), a);
    const auto before = win.Kernel().ListFolder("C:\\WINDOWS");

    win.Kernel().SetDiskFreeBytes(100);
    for (int index : {1, 2}) {
        win.ClearJournal();
        f.wallpaperPage.wallpaperList.SetItemIndex(index);
        Apply();
        EXPECT_EQ(WallpaperFile(), a) << index;
        EXPECT_EQ(WallpaperSets(), 0u) << index;
        EXPECT_EQ(win.Count("RegSetValueEx(HKCU\\Control Panel\\"), 0u)
            << "no style written after the failure";
        EXPECT_EQ(win.User().Wallpaper(), kWallpaper);
        EXPECT_EQ(win.Kernel().ListFolder("C:\\WINDOWS"), before) << "no half-written file left behind";
        EXPECT_EQ(f.wallpaperPage.wallpaperList.Count(), 3) << "the list is unchanged";
    }
    ASSERT_EQ(Boxes().size(), 2u);
    for (const auto& box : Boxes()) {
        EXPECT_NE(box.text.find("Velant! Pro 2001 wallpaper.bmp"), std::string::npos) << box.text;
        EXPECT_EQ(box.type, plat::MB_OK | plat::MB_ICONERROR);
    }
}

// ---- pictures that are away, restores and unattended failures ----

TEST_F(WallpaperPageTest, ChangesSkipMissingPicturesAndKeepThemInTheList) {
    const std::vector<std::string> entries = {"C:\\pics\\a.bmp", "D:\\away1.bmp", "D:\\away2.jpg",
                                              "C:\\pics\\b.bmp"};
    const TBitmap a = Bmp(entries[0], 1);
    const TBitmap b = Bmp(entries[3], 2);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems(entries);

    // In order: from the first entry past the two missing ones, then round to the first.
    f.wallpaperPage.wallpaperList.SetItemIndex(0);
    f.menuPage.MainPopup_ChangeWall->Click();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 3);
    EXPECT_EQ(WallpaperFile(), b);
    f.rotation.ChangeWallpaper();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 0);
    EXPECT_EQ(WallpaperFile(), a);

    // At random: a missing entry drawn gives the next one that exists.
    f.wallpaperPage.ckWallRandom.SetChecked(true);
    std::set<int> drawn;
    for (std::uint32_t i = 0; i < 40; ++i) {
        win.Clock().SetTickCount(1000 + i * 7919);
        f.rotation.ChangeWallpaper();
        drawn.insert(f.wallpaperPage.wallpaperList.ItemIndex());
        EXPECT_EQ(WallpaperFile(), f.wallpaperPage.wallpaperList.ItemIndex() == 0 ? a : b);
    }
    EXPECT_EQ(drawn, (std::set<int>{0, 3}));
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), entries);
    EXPECT_TRUE(Boxes().empty());

    // None there: nothing is written or applied, and the selection stays.
    f.wallpaperPage.ckWallRandom.SetChecked(false);
    f.wallpaperPage.wallpaperList.SetItems({"D:\\away1.bmp", "D:\\away2.jpg", "D:\\away3.bmp"});
    f.wallpaperPage.wallpaperList.SetItemIndex(1);
    win.Kernel().DeleteFile(kWallpaper);
    win.ClearJournal();
    f.rotation.ChangeWallpaper();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 1);
    EXPECT_FALSE(win.Kernel().Exists(kWallpaper));
    EXPECT_EQ(WallpaperSets(), 0u);
    EXPECT_EQ(win.Count("RegSetValueEx(HKCU\\Control Panel\\"), 0u);
}

TEST_F(WallpaperPageTest, ShowingTheWindowAgainKeepsTheRotationsPlace) {
    std::vector<TBitmap> pics;
    const std::string items = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";
    win.Registry().SetString(HKCU, items, "Count", "3");
    for (int i = 0; i < 3; ++i) {
        const std::string path = "C:\\pics\\" + std::to_string(i) + ".bmp";
        pics.push_back(Bmp(path, i));
        win.Registry().SetString(HKCU, items, "Item" + std::to_string(i), path);
    }
    auto& f = Start();
    f.Show();
    f.wallpaperPage.wallpaperList.Click(1);
    f.Hide();
    f.Show();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 1);
    f.rotation.ChangeWallpaper();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 2);
    EXPECT_EQ(WallpaperFile(), pics[2]);
}

// Nobody may be there to click a box away: an unattended change steps over a
// picture it cannot read, applies the next, and names the picture once a run.
TEST_F(WallpaperPageTest, UnattendedChangesStepOverAnUnreadablePictureAndNameItOnceARun) {
    const std::string broken = "C:\\pics\\broken.jpg";
    win.Kernel().WriteText(broken, "not a picture at all");
    const TBitmap a = Bmp("C:\\pics\\a.bmp", 1);
    const std::string store = "Software\\Corvane\\Velant! Pro 2001";
    win.Registry().SetString(HKCU, store + ".WallList_Items", "Count", "2");
    win.Registry().SetString(HKCU, store + ".WallList_Items", "Item0", broken);
    win.Registry().SetString(HKCU, store + ".WallList_Items", "Item1", "C:\\pics\\a.bmp");
    win.Registry().SetString(HKCU, store, "ckWallStartup_Checked", "True");
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        win.Kernel().DeleteFile(kWallpaper);
        form.reset();
        auto& f = Start();  // the start-up change
        EXPECT_EQ(WallpaperFile(), a);
        EXPECT_EQ(f.wallpaperPage.wallpaperList.ItemIndex(), 1);
        ASSERT_EQ(Boxes().size(), static_cast<std::size_t>(run));
        EXPECT_NE(Boxes().back().text.find(broken), std::string::npos) << Boxes().back().text;

        // The timer, the menu and the hotkey go on to the picture after it, without a box.
        f.wallpaperPage.CheckTime.SetText("1");
        f.wallpaperPage.ckChangeWp.SetChecked(true);
        win.ClearJournal();
        win.Advance(60000);
        f.menuPage.MainPopup_ChangeWall->Click();
        EXPECT_EQ(WallpaperSets(), 4u);
        EXPECT_EQ(f.wallpaperPage.wallpaperList.Items().size(), 2u);
        EXPECT_EQ(Boxes().size(), static_cast<std::size_t>(run));
    }
    // "Apply" reports at once, every time.
    form->wallpaperPage.wallpaperList.SetItemIndex(0);
    Apply();
    Apply();
    EXPECT_EQ(Boxes().size(), 4u);
    EXPECT_EQ(WallpaperFile(), a);
}

// ---- preview transforms and "Save" ----

TEST_F(WallpaperPageTest, FlipOrReverseTwiceGivesThePictureBack) {
    const TBitmap pic = Bmp("C:\\pics\\a.bmp", 4, 5, 3);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp"});
    f.wallpaperPage.wallpaperList.Click(0);
    ASSERT_NE(f.wallpaperPage.preview.Picture(), nullptr);
    for (TButton* button : {&f.wallpaperPage.flipButton, &f.wallpaperPage.reverseButton}) {
        button->Click();
        EXPECT_NE(*f.wallpaperPage.preview.Picture(), pic) << button->Caption;
        button->Click();
        EXPECT_EQ(*f.wallpaperPage.preview.Picture(), pic) << button->Caption;
    }
    f.wallpaperPage.flipButton.Click();
    EXPECT_EQ(*f.wallpaperPage.preview.Picture(), MirrorBitmap(false, true, pic));
    f.wallpaperPage.flipButton.Click();
    f.wallpaperPage.reverseButton.Click();
    EXPECT_EQ(*f.wallpaperPage.preview.Picture(), MirrorBitmap(true, false, pic));
}

TEST_F(WallpaperPageTest, FlipWithoutPictureDoesNothing) {
    auto& f = Start();
    f.wallpaperPage.flipButton.Click();
    f.wallpaperPage.reverseButton.Click();
    EXPECT_EQ(f.wallpaperPage.preview.Picture(), nullptr);
}

TEST_F(WallpaperPageTest, SaveWritesABitmapFileUnderABitmapNameAndAddsIt) {
    struct Case {
        const char* typed;
        const char* saved;
    };
    const Case cases[] = {
        {"C:\\out\\pic.jpg", "C:\\out\\pic.bmp"},
        {"C:\\out\\Pic2.JPEG", "C:\\out\\Pic2.bmp"},
        {"C:\\out\\pic3.bmp", "C:\\out\\pic3.bmp"},
        {"C:\\out\\pic4.BMP", "C:\\out\\pic4.BMP"},
        {"C:\\out\\pic5", "C:\\out\\pic5.bmp"},
        {"C:\\out\\pic6.png", "C:\\out\\pic6.png.bmp"},
        {"C:\\out\\pic7.notes", "C:\\out\\pic7.notes.bmp"},
    };
    win.Kernel().MakeDirectory("C:\\out");
    const TBitmap pic = Bmp("C:\\pics\\z.bmp", 6);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\z.bmp"});
    f.wallpaperPage.wallpaperList.Click(0);
    f.wallpaperPage.flipButton.Click();  // the saved file holds the transformed preview
    const TBitmap flipped = *f.wallpaperPage.preview.Picture();

    for (const auto& c : cases) {
        win.Dialogs().NextSaveFileName(std::string(c.typed));
        f.wallpaperPage.saveButton.Click();
        auto bytes = win.Kernel().FileBytes(c.saved);
        ASSERT_TRUE(bytes.has_value()) << c.typed;
        EXPECT_EQ(DecodeBmp(*bytes), flipped) << c.typed;
        EXPECT_EQ(std::count(f.wallpaperPage.wallpaperList.Items().begin(),
                             f.wallpaperPage.wallpaperList.Items().end(), std::string(c.saved)),
                  1)
            << c.typed;
    }
    ASSERT_TRUE(win.Dialogs().LastFileDialog().has_value());
    EXPECT_EQ(win.Dialogs().LastFileDialog()->title, "Save picture as");
    EXPECT_EQ(win.Dialogs().LastFileDialog()->filter, "Bitmaps (*.bmp)|*.bmp");
    EXPECT_EQ(win.Dialogs().LastFileDialog()->defaultExt, "bmp") << "a plain name gets \".bmp\"";
    EXPECT_EQ(win.Dialogs().LastFileDialog()->initialDir, "C:\\pics") << "beside the selected picture";
    EXPECT_TRUE(f.wallpaperPage.wallpaperList.Sorted());
    EXPECT_TRUE(std::is_sorted(
        f.wallpaperPage.wallpaperList.Items().begin(), f.wallpaperPage.wallpaperList.Items().end(),
        [](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); }));
    EXPECT_FALSE(win.Kernel().Exists("C:\\out\\pic.jpg"));
    // The whole list is exported at once.
    EXPECT_EQ(win.Registry().GetString(HKCU, "Software\\Corvane\\Velant! Pro 2001\\WallList",
                                       "WallList TotalItems"),
              std::to_string(f.wallpaperPage.wallpaperList.Count() - 1));
}

TEST_F(WallpaperPageTest, SaveAddsNothingWhenNothingIsWritten) {
    win.Kernel().MakeDirectory("C:\\out");
    Bmp("C:\\pics\\z.bmp", 6, 30, 30);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\z.bmp"});

    // An empty preview.
    win.Dialogs().NextSaveFileName(std::string("C:\\out\\empty.bmp"));
    app.Dispatch([&] { f.wallpaperPage.saveButton.Click(); });
    EXPECT_FALSE(win.Kernel().Exists("C:\\out\\empty.bmp"));

    // The user cancels.
    f.wallpaperPage.wallpaperList.Click(0);
    win.Dialogs().NextSaveFileName(std::nullopt);
    app.Dispatch([&] { f.wallpaperPage.saveButton.Click(); });

    // The disk is full.
    win.Kernel().SetDiskFreeBytes(50);
    win.Dialogs().NextSaveFileName(std::string("C:\\out\\full.bmp"));
    app.Dispatch([&] { f.wallpaperPage.saveButton.Click(); });
    EXPECT_FALSE(win.Kernel().Exists("C:\\out\\full.bmp"));
    EXPECT_TRUE(win.Kernel().ListFolder("C:\\out").empty());

    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), (std::vector<std::string>{"C:\\pics\\z.bmp"}));
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back().type, plat::MB_OK | plat::MB_ICONERROR);
}

// ---- list commands ----

TEST_F(WallpaperPageTest, AddFileSortsTheListAndCancelAddsNothing) {
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\z.bmp", "C:\\m.jpg"});
    win.Dialogs().NextOpenFileName(std::nullopt);
    f.wallpaperPage.addFileButton.Click();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Count(), 2);
    EXPECT_FALSE(f.wallpaperPage.wallpaperList.Sorted());
    win.Dialogs().NextOpenFileName(std::string("C:\\A.bmp"));
    f.wallpaperPage.addFileButton.Click();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(),
              (std::vector<std::string>{"C:\\A.bmp", "C:\\m.jpg", "C:\\z.bmp"}));
    ASSERT_TRUE(win.Dialogs().LastFileDialog().has_value());
    EXPECT_EQ(win.Dialogs().LastFileDialog()->filter,
              "All (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg)|*.jpg|"
              "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp");
}

TEST_F(WallpaperPageTest, ScanResultReplacesTheListOnlyWhenItFoundPictures) {
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\one.bmp"});
    f.wallpaperPage.ScanFinished({}, 0, 0);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), (std::vector<std::string>{"C:\\one.bmp"}));
    f.wallpaperPage.ScanFinished({"C:\\p\\b.bmp", "C:\\p\\a.jpg"}, 2, 100);
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(),
              (std::vector<std::string>{"C:\\p\\b.bmp", "C:\\p\\a.jpg"}));
}

TEST_F(WallpaperPageTest, DeleteAndClearAllEmptyThePreview) {
    Bmp("C:\\pics\\a.bmp", 1);
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp", "C:\\pics\\b.bmp"});
    f.wallpaperPage.wallpaperList.Click(0);
    ASSERT_NE(f.wallpaperPage.preview.Picture(), nullptr);
    f.wallpaperPage.deleteButton.Click();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), (std::vector<std::string>{"C:\\pics\\b.bmp"}));
    EXPECT_EQ(f.wallpaperPage.preview.Picture(), nullptr);
    f.wallpaperPage.clearAllButton.Click();
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Count(), 0);
}

// ---- "Browse": the folder picker and the scan ----

TEST_F(WallpaperPageTest, BrowseNamesTheSelectedFolderAndFindsPicturesWhateverTheirAttributes) {
    for (const char* name : {"plain.bmp", "ro.jpg", "hidden.bmp", "none.bmp", "b.BMP", "_first.jpg"})
        win.Kernel().WriteText(std::string("C:\\pics\\") + name, "x");
    win.Kernel().SetAttributes("C:\\pics\\ro.jpg", 0x01);      // read-only, no archive bit
    win.Kernel().SetAttributes("C:\\pics\\hidden.bmp", 0x06);  // hidden and system
    win.Kernel().SetAttributes("C:\\pics\\none.bmp", 0);       // FILE_ATTRIBUTE_NORMAL
    auto& f = Start();
    win.Shell().NextBrowseSelections({"C:\\", "C:\\pics"});
    win.Shell().NextBrowseResult(std::string("C:\\pics"));
    f.wallpaperPage.browseButton.Click();

    // The dialog has its status line, and it names the folder under the selection.
    EXPECT_TRUE(win.Contains("SHBrowseForFolder(" + std::to_string(f.Handle().Value()) +
                             ", \"Select folder\", 4, \"\")"));
    EXPECT_EQ(win.Shell().BrowseStatusText(), "C:\\pics");
    EXPECT_TRUE(win.Contains("BFFM_SETSTATUSTEXT(\"C:\\\")"));
    EXPECT_EQ(win.Count("BFFM_ENABLEOK"), 0u);
    // Every picture, in the user's collation.
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(),
              (std::vector<std::string>{"C:\\pics\\_first.jpg", "C:\\pics\\b.BMP", "C:\\pics\\hidden.bmp",
                                        "C:\\pics\\none.bmp", "C:\\pics\\plain.bmp", "C:\\pics\\ro.jpg"}));
}

TEST_F(WallpaperPageTest, ClosingDuringAScanEndsItAtOnceAndKeepsTheListAndItsStoredCopies) {
    const std::string kExport = "Software\\Corvane\\Velant! Pro 2001\\WallList";
    const std::string kList = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";
    for (int i = 0; i < 100; ++i) win.Kernel().WriteText("C:\\pics\\" + std::to_string(i) + ".bmp", "x");
    auto& f = Start();
    f.ShowConfiguration();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\old.bmp"});
    // The user's click on "Close" waits in the queue until the scan lets messages run.
    int closes = 0;
    const plat::Hwnd closer = win.User().AddWindow(
        0, "Closer", "", false, [&](std::uint32_t msg, plat::WParam, plat::LParam) -> plat::LResult {
            if (msg == plat::WM_USER) {
                ++closes;
                f.mainPage.closeButton.Click();
            }
            return 0;
        });
    win.User().PostMessage(closer, plat::WM_USER, 0, 0);
    win.Shell().NextBrowseResult(std::string("C:\\pics"));
    f.wallpaperPage.browseButton.Click();

    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(f.Showing());
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(f.fileScanner.Scanning());
    EXPECT_LT(f.fileScanner.FilesCount(), 100) << "the scan went on after the close";
    EXPECT_EQ(f.wallpaperPage.wallpaperList.Items(), std::vector<std::string>{"C:\\old.bmp"});
    EXPECT_FALSE(win.Registry().Get(HKCU, kExport, "WallList TotalItems").has_value());
    EXPECT_EQ(win.Registry().GetString(HKCU, kList, "Count"), "1");
    EXPECT_EQ(win.Registry().GetString(HKCU, kList, "Item0"), "C:\\old.bmp");
}

}  // namespace
