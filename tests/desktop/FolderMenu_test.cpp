#include "desktop/FolderMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"
#include "ui/Application.h"

namespace {

const std::string kDesk = "C:\\Users\\Desk";

// Lists entries in reverse order, with the attributes a test gives some names,
// so that the menu's own ordering and attribute rules are what the test sees.
class ListingKernel : public sim::SimKernel {
public:
    using sim::SimKernel::SimKernel;
    std::map<std::string, std::uint32_t> attributes;  // by name

    plat::Handle FindFirstFile(const std::string& pattern, plat::FindData& data) override {
        plat::FindData d;
        const plat::Handle h = SimKernel::FindFirstFile(pattern, d);
        if (!h) return 0;
        std::vector<plat::FindData> all{d};
        while (SimKernel::FindNextFile(h, d)) all.push_back(d);
        for (auto& e : all)
            if (auto it = attributes.find(e.name); it != attributes.end()) e.attributes = it->second;
        std::reverse(all.begin(), all.end());
        data = all.front();
        FLists[h] = {std::move(all), 1};
        return h;
    }
    bool FindNextFile(plat::Handle find, plat::FindData& data) override {
        auto it = FLists.find(find);
        if (it == FLists.end() || it->second.second >= it->second.first.size()) return false;
        data = it->second.first[it->second.second++];
        return true;
    }
    bool FindClose(plat::Handle find) override {
        FLists.erase(find);
        return SimKernel::FindClose(find);
    }

private:
    std::map<plat::Handle, std::pair<std::vector<plat::FindData>, std::size_t>> FLists;
};

// A renderer that checks the folder menu keeps its entries in step with the items.
class RecordingRenderer : public IMenuEntryRenderer {
public:
    explicit RecordingRenderer(TMenuItem& parent) : FParent(parent) {}

    void CreateEntry(TMenuItem& item, plat::Hicon icon) override {
        EXPECT_TRUE(IsChild(item)) << "an entry for an item not (yet) in the submenu";
        EXPECT_EQ(live.count(&item), 0u) << "two entries for " << item.Caption;
        live[&item] = icon;
        created.push_back(item.Caption);
    }
    void DestroyEntry(TMenuItem& item) override {
        EXPECT_TRUE(IsChild(item)) << "the item went before its entry";
        EXPECT_EQ(live.erase(&item), 1u) << "no entry for " << item.Caption;
        destroyed.push_back(item.Caption);
    }
    // Every item of the submenu has exactly one entry, and there are no others.
    bool InStep() const {
        if (live.size() != FParent.Items().size()) return false;
        for (const auto& i : FParent.Items())
            if (!live.count(i.get())) return false;
        return true;
    }

    std::map<const TMenuItem*, plat::Hicon> live;
    std::vector<std::string> created, destroyed;

private:
    bool IsChild(const TMenuItem& item) const {
        for (const auto& i : FParent.Items())
            if (i.get() == &item) return true;
        return false;
    }
    TMenuItem& FParent;
};

std::vector<std::string> Captions(const TMenuItem& parent) {
    std::vector<std::string> out;
    for (const auto& i : parent.Items()) out.push_back(i->Caption);
    return out;
}

std::vector<std::string> Reversed(std::vector<std::string> v) {
    std::reverse(v.begin(), v.end());
    return v;
}

class FolderMenuTest : public ::testing::Test {
protected:
    FolderMenuTest() {
        win.Kernel().MakeDirectory(kDesk + "\\beta");
        win.Kernel().MakeDirectory(kDesk + "\\Alpha");
        win.Kernel().MakeDirectory(kDesk + "\\zeta");
        win.Kernel().WriteText(kDesk + "\\b.txt", "b");
        win.Kernel().WriteText(kDesk + "\\A.doc", "a");
        win.Kernel().WriteText(kDesk + "\\c.TXT", "c");
        win.Kernel().WriteText(kDesk + "\\_x", "x");
    }

    std::unique_ptr<TFolderMenu> MakeMenu(bool withRenderer = true) {
        auto m = std::make_unique<TFolderMenu>("FolderMenu1", p.user, kernel, p.shell, app);
        m->SetMenuItem(&root);
        if (withRenderer) m->SetEntryRenderer(&renderer);
        m->SetFolderName(kDesk);
        return m;
    }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    ListingKernel kernel{win.CallJournal(), win.Clock(), win.Root()};
    TApplication app{p.user, p.dialogs};
    TMenuItem root{"MainPopup_Desktop", "Desktop"};
    RecordingRenderer renderer{root};
    const std::vector<std::string> kListing = {"..", "Alpha", "beta",  "zeta",
                                               "_x", "A.doc", "b.txt", "c.TXT"};
};

TEST_F(FolderMenuTest, FolderNameEndsInABackslashAndResolvesTheParentFolder) {
    TFolderMenu menu("FolderMenu1", p.user, kernel, p.shell, app);
    int changed = 0;
    menu.OnChanged = [&] { ++changed; };

    menu.SetFolderName("");
    EXPECT_EQ(changed, 0);
    menu.SetFolderName("C:\\Users\\Desk");
    EXPECT_EQ(menu.FolderName(), "C:\\Users\\Desk\\");
    EXPECT_EQ(changed, 1);
    menu.SetFolderName("C:\\Users\\Desk\\");
    EXPECT_EQ(changed, 1);

    // The folder path, a sub-folder and "..": the folder path.
    menu.SetFolderName("C:\\Users\\Desk\\Sub\\..\\");
    EXPECT_EQ(menu.FolderName(), "C:\\Users\\Desk\\");
    menu.SetFolderName("C:\\Users\\Sub\\..");
    EXPECT_EQ(menu.FolderName(), "C:\\Users\\");
    // Anything after the first ".." is dropped.
    menu.SetFolderName("C:\\Users\\Desk\\Sub\\..\\Other\\Deeper\\..");
    EXPECT_EQ(menu.FolderName(), "C:\\Users\\Desk\\");
    menu.SetFolderName("..");
    EXPECT_EQ(menu.FolderName(), "");
    EXPECT_EQ(changed, 5);

    // The form's assignment runs the same setter.
    menu.FolderName = "D:\\x";
    EXPECT_EQ(menu.FolderName(), "D:\\x\\");
    EXPECT_EQ(changed, 6);
}

TEST_F(FolderMenuTest, FoldersComeFirstThenFilesEachCaseInsensitivelySortedWithTheirSmallIcons) {
    auto menu = MakeMenu();
    menu->Rebuild();

    EXPECT_EQ(Captions(root), kListing);
    EXPECT_EQ(renderer.created, kListing);
    ASSERT_TRUE(renderer.InStep());
    for (const auto& item : root.Items()) {
        const plat::Hicon icon = renderer.live.at(item.get());
        if (item->Caption == "..") {
            EXPECT_FALSE(icon) << "the parent folder's entry has no icon";
        } else {
            EXPECT_EQ(win.User().IconSource(icon), "file:" + kDesk + "\\" + item->Caption);
        }
        EXPECT_TRUE(item->Enabled());
        EXPECT_FALSE(item->Checked());
    }
    EXPECT_EQ(win.User().LiveIconCount(), kListing.size() - 1);
    EXPECT_TRUE(root.Enabled());
}

TEST_F(FolderMenuTest, NamesDifferingOnlyInCaseMakeOneEntry) {
    win.Kernel().WriteText(kDesk + "\\Readme.txt", "1");
    win.Kernel().WriteText(kDesk + "\\README.TXT", "2");
    auto menu = MakeMenu();
    menu->Rebuild();
    const auto captions = Captions(root);
    EXPECT_EQ(std::count_if(captions.begin(), captions.end(),
                            [](const std::string& c) { return sim::IEquals(c, "readme.txt"); }),
              1);
    EXPECT_TRUE(renderer.InStep());
}

TEST_F(FolderMenuTest, BothListsFollowTheUsersCollationNotByteOrder) {
    win.Kernel().MakeDirectory(kDesk + "\\\xC3\x96tzi");  // "Ötzi": beside O, not after z
    win.Kernel().MakeDirectory(kDesk + "\\1999");
    win.Kernel().WriteText(kDesk + "\\2.txt", "2");             // digits after "_", before letters
    win.Kernel().WriteText(kDesk + "\\\xC3\x84rger.txt", "a");  // "Ärger.txt": beside A
    auto menu = MakeMenu();
    menu->Rebuild();
    EXPECT_EQ(Captions(root),
              (std::vector<std::string>{"..", "1999", "Alpha", "beta", "\xC3\x96tzi", "zeta", "_x", "2.txt",
                                        "A.doc", "\xC3\x84rger.txt", "b.txt", "c.TXT"}));
}

TEST_F(FolderMenuTest, TheAttributeMaskDecidesWhichEntriesAreListed) {
    kernel.attributes = {
        {"b.txt", 0x22},  // hidden
        {"A.doc", 0x80},  // normal only: no archive bit
        {"c.TXT", 0x21},  // read-only, archive
        {"zeta", 0x14},   // system folder
        {"_x", 0x01},     // read-only only
    };
    auto menu = MakeMenu();
    menu->Rebuild();
    EXPECT_EQ(Captions(root), (std::vector<std::string>{"..", "Alpha", "beta", "c.TXT"}));
    EXPECT_EQ(FileAttributeMask(menu->FileType), 0x30u);

    menu->FileType = ftDirectory | ftArchive | ftHidden | ftSystem;
    menu->Rebuild();
    EXPECT_EQ(Captions(root), (std::vector<std::string>{"..", "Alpha", "beta", "zeta", "b.txt", "c.TXT"}));

    menu->FileType = ftArchive | ftReadOnly;
    menu->Rebuild();
    EXPECT_EQ(Captions(root), (std::vector<std::string>{"_x", "c.TXT"}));
    EXPECT_TRUE(renderer.InStep());

    // Nothing to list by: the submenu stays as it is.
    menu->FileType = ftNormal;
    menu->Rebuild();
    EXPECT_EQ(Captions(root), (std::vector<std::string>{"_x", "c.TXT"}));

    EXPECT_EQ(
        FileAttributeMask(ftReadOnly | ftHidden | ftSystem | ftVolumeID | ftDirectory | ftArchive | ftNormal),
        0x3Fu);
}

TEST_F(FolderMenuTest, RebuildAndClearKeepTheRenderersEntriesAndIconsInStep) {
    auto menu = MakeMenu();
    menu->Rebuild();
    ASSERT_TRUE(renderer.InStep());

    win.Kernel().WriteText(kDesk + "\\d.txt", "d");
    renderer.created.clear();
    menu->Rebuild();
    // The old entries go last first, then the new ones come in order.
    EXPECT_EQ(renderer.destroyed, Reversed(kListing));
    EXPECT_EQ(renderer.created.back(), "d.txt");
    EXPECT_TRUE(renderer.InStep());
    EXPECT_EQ(win.User().LiveIconCount(), kListing.size());

    renderer.destroyed.clear();
    const auto before = Captions(root);
    menu->Clear();
    EXPECT_EQ(renderer.destroyed, Reversed(before));
    EXPECT_TRUE(root.Items().empty());
    EXPECT_TRUE(renderer.live.empty());
    EXPECT_EQ(win.User().LiveIconCount(), 0u);

    // Destroying the component takes its entries and items with it.
    menu->Rebuild();
    ASSERT_FALSE(root.Items().empty());
    menu.reset();
    EXPECT_TRUE(root.Items().empty());
    EXPECT_TRUE(renderer.live.empty());
    EXPECT_EQ(win.User().LiveIconCount(), 0u);
}

TEST_F(FolderMenuTest, ChangingTheItemOrTheRendererLeavesNoEntryBehind) {
    auto menu = MakeMenu();
    menu->Rebuild();

    // Without a renderer: plain items, no icons asked for, the system's menu height.
    menu->SetEntryRenderer(nullptr);
    EXPECT_TRUE(renderer.live.empty());
    EXPECT_EQ(Captions(root), kListing);
    EXPECT_EQ(win.User().LiveIconCount(), 0u);
    win.ClearJournal();
    menu->Rebuild();
    EXPECT_EQ(Captions(root), kListing);
    EXPECT_EQ(renderer.created.size(), kListing.size());
    EXPECT_EQ(win.User().LiveIconCount(), 0u);
    EXPECT_TRUE(win.Contains("SystemParametersInfo(41, 340, ptr, 0)"));

    // A new menu item: the old one is emptied first.
    menu->SetEntryRenderer(&renderer);
    menu->Rebuild();
    TMenuItem other("Other", "Other");
    menu->SetMenuItem(&other);
    EXPECT_TRUE(root.Items().empty());
    EXPECT_TRUE(renderer.live.empty());
    EXPECT_EQ(win.User().LiveIconCount(), 0u);
    menu->SetMenuItem(nullptr);
}

TEST_F(FolderMenuTest, NothingIsListedWithoutAnItemAFolderOrAReadableFolder) {
    TFolderMenu menu("FolderMenu1", p.user, kernel, p.shell, app);
    menu.SetFolderName(kDesk);
    menu.Rebuild();  // no menu item
    menu.SetMenuItem(&root);
    menu.SetFolderName("");
    menu.Rebuild();  // no folder
    EXPECT_TRUE(root.Items().empty());

    menu.SetFolderName("C:\\Nowhere");
    menu.Rebuild();
    EXPECT_TRUE(root.Items().empty());
    win.FailNext("FindFirstFile");
    menu.SetFolderName(kDesk);
    EXPECT_NO_THROW(menu.Rebuild());
    EXPECT_TRUE(root.Items().empty());
}

TEST_F(FolderMenuTest, ChoosingAnEntryReportsItAndOpensItWithTheShell) {
    auto menu = MakeMenu();
    std::vector<std::string> chosen;
    menu->OnClick = [&](TMenuItem& item) {
        chosen.push_back(item.Caption);
        menu->OpenEntry(item);
    };
    menu->Rebuild();
    win.ClearJournal();
    for (const auto& item : root.Items())
        if (item->Caption == "b.txt" || item->Caption == "Alpha" || item->Caption == "..") item->Click();

    EXPECT_EQ(chosen, (std::vector<std::string>{"..", "Alpha", "b.txt"}));
    EXPECT_EQ(win.Journal(), (std::vector<std::string>{
                                 "ShellExecute(0, null, \"C:\\Users\\Desk\\..\", null, null, 1)",
                                 "ShellExecute(0, null, \"C:\\Users\\Desk\\Alpha\", null, null, 1)",
                                 "ShellExecute(0, null, \"C:\\Users\\Desk\\b.txt\", null, null, 1)",
                             }));

    // The shell's refusal is not the menu's concern.
    win.Shell().SetShellExecuteResult(2);
    EXPECT_NO_THROW(root.Items().back()->Click());
}

TEST_F(FolderMenuTest, HandlersRunDuringARebuildWhileTheItemIsDisabled) {
    auto menu = MakeMenu();
    std::vector<bool> enabledSeen;
    int rebuilds = 0;
    const plat::Hwnd wnd =
        p.user.CreateHiddenWindow("Probe", [&](std::uint32_t msg, plat::WParam, plat::LParam) {
            if (msg == plat::WM_USER) enabledSeen.push_back(root.Enabled());
            if (msg == plat::WM_USER + 1) {
                ++rebuilds;
                menu->Rebuild();
            }
            return plat::LResult{0};
        });

    p.user.PostMessage(wnd, plat::WM_USER, 0, 0);
    menu->Rebuild();
    EXPECT_EQ(enabledSeen, std::vector<bool>{false});
    EXPECT_TRUE(root.Enabled());

    menu->SafeMode = false;
    p.user.PostMessage(wnd, plat::WM_USER, 0, 0);
    menu->Rebuild();
    EXPECT_EQ(enabledSeen, (std::vector<bool>{false, true}));

    // A handler that rebuilds in the middle of a rebuild: the result is one whole listing.
    win.Kernel().WriteText(kDesk + "\\d.txt", "d");
    p.user.PostMessage(wnd, plat::WM_USER + 1, 0, 0);
    menu->Rebuild();
    EXPECT_EQ(rebuilds, 1);
    auto expected = kListing;
    expected.push_back("d.txt");
    EXPECT_EQ(Captions(root), expected);
    EXPECT_TRUE(renderer.InStep());
    EXPECT_EQ(win.User().LiveIconCount(), expected.size() - 1);
    p.user.DestroyWindow(wnd);
}

TEST_F(FolderMenuTest, AFillStopsWhenTheProgramEnds) {
    auto menu = MakeMenu();
    menu->Rebuild();
    app.Terminate();
    menu->Rebuild();
    EXPECT_TRUE(root.Items().empty());
    EXPECT_TRUE(renderer.live.empty());
}

TEST_F(FolderMenuTest, AutoBreakStartsAColumnEachTimeTheItemsReachTheScreenHeight) {
    win.User().SetSystemMetric(15, 19);  // SM_CYMENU: items are one pixel taller with the renderer
    win.User().SetSystemMetric(plat::SM_CYSCREEN, 100);
    for (char c = 'd'; c <= 'h'; ++c) win.Kernel().WriteText(kDesk + "\\" + c + ".txt", "x");
    auto menu = MakeMenu();
    menu->Rebuild();
    EXPECT_EQ(menu->ItemHeight(), 20);
    EXPECT_TRUE(menu->ColumnBreaks().empty());

    menu->AutoBreak = true;
    menu->Rebuild();
    ASSERT_EQ(root.Items().size(), 13u);
    // The fifth item brings the column to 100 pixels and so begins the next one.
    EXPECT_EQ(menu->ColumnBreaks(),
              (std::vector<const TMenuItem*>{root.Items()[4].get(), root.Items()[9].get()}));
    menu->Clear();
    EXPECT_TRUE(menu->ColumnBreaks().empty());
}

}  // namespace
