#include "wallpaper/FileScanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "platform/sim/SimWindows.h"
#include "platform/error.h"

namespace {

std::vector<std::string> MaskResults(const std::string& list, const std::string& name) {
    std::vector<std::string> hits;
    const auto masks = ParseMaskList(list);
    for (const TMask& m : masks) hits.push_back(m.MatchesName(name) ? "1" : "0");
    return hits;
}

TEST(ParseMaskList, BlanksAroundItemsAndEmptyItems) {
    EXPECT_EQ(ParseMaskList("*.bmp, *.jpg").size(), 2u);
    EXPECT_EQ(MaskResults(" *.bmp ,*.jpg", "a.bmp"), (std::vector<std::string>{"1", "0"}));
    EXPECT_EQ(MaskResults(" *.bmp ,*.jpg", "a.jpg"), (std::vector<std::string>{"0", "1"}));
    // A blank inside a mask stays part of it.
    EXPECT_EQ(MaskResults("my *.bmp", "my x.bmp"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(MaskResults("my *.bmp", "myx.bmp"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(ParseMaskList(",*.bmp,  ,").size(), 1u);
    EXPECT_TRUE(ParseMaskList("").empty());
    EXPECT_TRUE(ParseMaskList("   ").empty());
    EXPECT_THROW(ParseMaskList("*.bmp, []"), EVelantError);
}

TEST(JoinPath, RootsAndEmptyFolders) {
    EXPECT_EQ(JoinPath("C:\\pics", "a.bmp"), "C:\\pics\\a.bmp");
    EXPECT_EQ(JoinPath("C:\\", "a.bmp"), "C:\\a.bmp");
    EXPECT_EQ(JoinPath("C:", "*.*"), "C:\\*.*");
    EXPECT_EQ(JoinPath("", "a.bmp"), "");
}

TEST(PathLess, WholePathsWithoutCase) {
    EXPECT_TRUE(PathLess("C:\\A\\Z\\x.bmp", "C:\\B\\a.bmp"));
    EXPECT_TRUE(PathLess("c:\\a.bmp", "C:\\B.bmp"));
    EXPECT_FALSE(PathLess("C:\\b.bmp", "c:\\A.bmp"));
    EXPECT_FALSE(PathLess("C:\\A.bmp", "c:\\a.BMP"));
    EXPECT_TRUE(PathLess("C:\\a", "C:\\a.bmp"));
}

// The user's collation, not byte order: punctuation, then digits, then letters
// without case, an accented letter beside its base letter.
TEST(FilesScanCollation, SortedListFollowsTheUsersCollation) {
    sim::SimWindows win;
    for (const char* name : {"B.bmp", "a.bmp", "_a.bmp", "10.bmp", "\xC3\x84rger.bmp", "zebra.jpg",
                             "\xC3\x84\\x.bmp", "A b\\y.bmp"})
        win.Kernel().WriteText(std::string("C:\\p\\") + name, "x");
    TFileScanner scan("FilesScan1", win.Kernel());
    scan.FileMask = "*.bmp, *.jpg";
    scan.Attributes = {};
    scan.SortedList = true;
    scan.ScanOptions = TScanOptions::soSpecifiedDir;
    scan.ScanDir = "C:\\p";
    scan.Execute();
    EXPECT_EQ(scan.FilesList(),
              (std::vector<std::string>{"C:\\p\\_a.bmp", "C:\\p\\10.bmp", "C:\\p\\A b\\y.bmp", "C:\\p\\a.bmp",
                                        "C:\\p\\\xC3\x84\\x.bmp", "C:\\p\\\xC3\x84rger.bmp", "C:\\p\\B.bmp",
                                        "C:\\p\\zebra.jpg"}));
    EXPECT_EQ(scan.FilesCount(), 8);
}

class FilesScan : public ::testing::Test {
protected:
    sim::SimWindows win;
    sim::SimKernel& kernel = win.Kernel();
    int pumps = 0;
    std::function<void()> onPump;
    TFileScanner scan{"FilesScan1", kernel, [this] {
                          ++pumps;
                          if (onPump) onPump();
                      }};
    std::vector<std::string> ended;
    int endedCount = -1, endedSize = -1, endCalls = 0;

    void SetUp() override {
        // The main form's settings.
        scan.FileMask = "*.bmp, *.jpg";
        scan.Attributes = {};
        scan.SortedList = true;
        scan.ScanOptions = TScanOptions::soSpecifiedDir;
        scan.OnEndProcess = [this](TFileScanner&, const std::vector<std::string>& list, int count, int size) {
            ended = list;
            endedCount = count;
            endedSize = size;
            ++endCalls;
        };
    }
    void File(const std::string& rel, std::size_t size = 1) {
        kernel.WriteText("C:\\" + rel, std::string(size, 'x'));
    }
    void Folder(const std::string& rel) { kernel.MakeDirectory("C:\\" + rel); }
};

TEST_F(FilesScan, FindsPicturesInEveryFolderSortedByWholePath) {
    File("pics\\B\\one.JPG", 10);
    File("pics\\A\\Z\\two.bmp", 20);
    File("pics\\a.Bmp", 5);
    File("pics\\notes.txt", 100);
    File("pics\\A\\photo.jpeg", 100);
    File("pics\\A\\photo.bmp.txt", 100);
    scan.ScanDir = "C:\\pics";
    EXPECT_TRUE(scan.Execute());
    EXPECT_EQ(endCalls, 1);
    EXPECT_EQ(ended, (std::vector<std::string>{"C:\\pics\\a.Bmp", "C:\\pics\\A\\Z\\two.bmp",
                                               "C:\\pics\\B\\one.JPG"}));
    EXPECT_EQ(endedCount, 3);
    EXPECT_EQ(endedSize, 35);
    EXPECT_EQ(scan.FilesList(), ended);
    EXPECT_EQ(kernel.OpenHandleCount(), 0u);
}

TEST_F(FilesScan, RootWithTrailingBackslashAndNoRecursion) {
    File("pics\\a.jpg");
    File("pics\\sub\\b.jpg");
    scan.ScanDir = "C:\\pics\\";
    scan.Recursive = false;
    scan.Execute();
    EXPECT_EQ(ended, std::vector<std::string>{"C:\\pics\\a.jpg"});
}

// Links to folders (junctions) are never entered: one back up the tree would
// lead round for ever, one to a sibling would list its pictures twice.
TEST_F(FilesScan, EntersFoldersDepthFirstAndReportsEachOneButNoLinkedFolder) {
    File("p\\s\\t\\y.jpg");
    File("p\\u\\z.jpg");
    const std::filesystem::path p = *kernel.HostPath("C:\\p");
    std::filesystem::create_directory_symlink(p, p / "s" / "t" / "up");
    std::filesystem::create_directory_symlink(p / "u", p / "s" / "next");
    scan.SortedList = false;
    scan.ScanDir = "C:\\p";
    std::vector<std::string> entered;
    scan.OnProcess = [&](TFileScanner&, const std::string& dir, int, int) { entered.push_back(dir); };
    scan.Execute();
    EXPECT_EQ(entered, (std::vector<std::string>{"C:\\p", "C:\\p\\s", "C:\\p\\s\\t", "C:\\p\\u"}));
    EXPECT_EQ(ended, (std::vector<std::string>{"C:\\p\\s\\t\\y.jpg", "C:\\p\\u\\z.jpg"}));
}

// Two searches are open when the handler fails in the third folder down.
TEST_F(FilesScan, AFailingHandlerLeavesNoSearchOpen) {
    File("p\\s\\t\\y.jpg");
    scan.ScanDir = "C:\\p";
    scan.OnProcess = [](TFileScanner&, const std::string& dir, int, int) {
        if (dir == "C:\\p\\s\\t") throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(scan.Execute(), std::runtime_error);
    EXPECT_EQ(kernel.OpenHandleCount(), 0u);
}

TEST_F(FilesScan, ProgressReportsTheTotalsSoFar) {
    File("p\\a.jpg", 3);
    File("p\\b.jpg", 4);
    File("p\\sub\\c.jpg", 5);
    scan.ScanDir = "C:\\p";
    std::vector<std::pair<int, int>> totals;
    scan.OnProcess = [&](TFileScanner&, const std::string& dir, int count, int size) {
        if (dir == "C:\\p\\sub") totals.emplace_back(count, size);
    };
    scan.Execute();
    ASSERT_EQ(totals.size(), 1u);
    // Entered after some of its siblings: whatever was read before it.
    EXPECT_GE(totals[0].first, 0);
    EXPECT_LE(totals[0].first, 2);
    EXPECT_EQ(endedCount, 3);
    EXPECT_EQ(endedSize, 12);
}

TEST_F(FilesScan, DiskAndAllDrivesOptions) {
    File("a.jpg");
    File("deep\\b.jpg");
    kernel.WriteText("D:\\d.jpg", "x");
    kernel.WriteText("E:\\e.jpg", "x");
    scan.ScanOptions = TScanOptions::soSpecifiedDisk;
    scan.ScanDir = "C:\\deep\\ignored";
    scan.Execute();
    EXPECT_EQ(ended, (std::vector<std::string>{"C:\\a.jpg", "C:\\deep\\b.jpg"}));

    kernel.SetDrive('C', sim::DRIVE_FIXED);
    kernel.SetDrive('D', sim::DRIVE_REMOVABLE);
    kernel.SetDrive('E', sim::DRIVE_CDROM);
    scan.ScanOptions = TScanOptions::soGlobal;
    scan.Execute();
    EXPECT_EQ(ended, (std::vector<std::string>{"C:\\a.jpg", "C:\\deep\\b.jpg", "E:\\e.jpg"}));
}

TEST_F(FilesScan, FolderNamedLikeAPictureCountsAndIsDescended) {
    File("p\\album.bmp\\inside.jpg", 4);
    scan.ScanDir = "C:\\p";
    scan.Execute();
    EXPECT_EQ(ended, (std::vector<std::string>{"C:\\p\\album.bmp", "C:\\p\\album.bmp\\inside.jpg"}));
    // With the component's own default attributes a folder does not count.
    scan.Attributes = {faDirectory};
    scan.Execute();
    EXPECT_EQ(ended, std::vector<std::string>{"C:\\p\\album.bmp"});
}

TEST_F(FilesScan, NothingFoundOrNothingToScan) {
    Folder("empty");
    scan.ScanDir = "C:\\empty";
    scan.Execute();
    EXPECT_EQ(endCalls, 1);
    EXPECT_TRUE(ended.empty());
    EXPECT_EQ(endedCount, 0);
    scan.ScanDir = "C:\\missing";
    scan.Execute();
    EXPECT_EQ(endCalls, 2);
    EXPECT_EQ(endedCount, 0);
    scan.ScanDir = "";
    scan.Execute();
    EXPECT_EQ(endCalls, 3);
    EXPECT_TRUE(ended.empty());
}

TEST_F(FilesScan, InvalidMaskRaisesBeforeReadingAnyFolder) {
    File("p\\a.jpg");
    scan.ScanDir = "C:\\p";
    scan.Execute();
    scan.FileMask = "*.jpg, [a-";
    int entered = 0;
    scan.OnProcess = [&](TFileScanner&, const std::string&, int, int) { ++entered; };
    try {
        scan.Execute();
        FAIL();
    } catch (const EVelantError& e) {
        EXPECT_STREQ(e.what(), "'[a-' is an invalid mask at (4)");
    }
    EXPECT_EQ(entered, 0);
    EXPECT_EQ(endCalls, 1);
    EXPECT_TRUE(scan.FilesList().empty());
    EXPECT_FALSE(scan.Scanning());
}

TEST_F(FilesScan, SizesWrapAroundAsA32BitTotal) {
    File("p\\a.jpg", 10);
    scan.ScanDir = "C:\\p";
    // The wrap itself needs files of gigabytes; a fake entry stands in.
    struct BigKernel : sim::SimKernel {
        using SimKernel::SimKernel;
        bool FindNextFile(plat::Handle h, plat::FindData& d) override {
            const bool ok = SimKernel::FindNextFile(h, d);
            if (ok && d.name == "a.jpg") d.size = 0x1'8000'0005ull;  // low 32 bits: 0x80000005
            return ok;
        }
        plat::Handle FindFirstFile(const std::string& p, plat::FindData& d) override {
            const plat::Handle h = SimKernel::FindFirstFile(p, d);
            if (h && d.name == "a.jpg") d.size = 0x1'8000'0005ull;
            return h;
        }
    } big{win.CallJournal(), win.Clock(), kernel.Root()};
    TFileScanner s("s", big);
    s.FileMask = "*.jpg";
    s.Attributes = {};
    s.ScanOptions = TScanOptions::soSpecifiedDir;
    s.ScanDir = "C:\\p";
    s.Execute();
    EXPECT_EQ(s.FilesCount(), 1);
    EXPECT_EQ(s.FilesSize(), static_cast<int>(0x80000005u - 0x100000000ll));
}

TEST_F(FilesScan, LetsWindowMessagesRunAndRefusesASecondScanMeanwhile) {
    for (int i = 0; i < 100; ++i) File("p\\f" + std::to_string(i) + ".jpg");
    scan.ScanDir = "C:\\p";
    bool nestedResult = true;
    bool scanningSeen = false;
    // A click on "Browse" handled in the middle of the scan.
    onPump = [&] {
        if (pumps == 1) {
            scanningSeen = scan.Scanning();
            nestedResult = scan.Execute();
        }
    };
    EXPECT_TRUE(scan.Execute());
    EXPECT_TRUE(scanningSeen);
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(endCalls, 1);
    EXPECT_EQ(endedCount, 100);
    EXPECT_EQ(pumps, 102 / 32);  // 100 files plus "." and ".."
    EXPECT_FALSE(scan.Scanning());

    pumps = 0;
    scan.ProcessMsgInterval = 1;
    scan.SortedList = false;
    scan.Execute();
    EXPECT_EQ(pumps, 102);
    // The sort at the end is no pause for the window either.
    pumps = 0;
    scan.SortedList = true;
    scan.Execute();
    EXPECT_GT(pumps, 102);
    EXPECT_TRUE(std::is_sorted(ended.begin(), ended.end(), PathLess));
    pumps = 0;
    scan.ProcessMsg = false;
    scan.Execute();
    EXPECT_EQ(pumps, 0);
}

TEST_F(FilesScan, StopEndsTheScanButStillReportsIt) {
    for (int i = 0; i < 50; ++i) File("p\\f" + std::to_string(i) + ".jpg");
    scan.ScanDir = "C:\\p";
    scan.ProcessMsgInterval = 1;
    onPump = [&] {
        if (pumps == 10) scan.Stop();
    };
    scan.Execute();
    EXPECT_EQ(endCalls, 1);
    EXPECT_LE(endedCount, 10);
    EXPECT_EQ(kernel.OpenHandleCount(), 0u);
}

}  // namespace
