// The resident program under Wine: first run, the notification icon's way in,
// the four pages, closing, and the settings it writes and restores.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <utility>

#include "../DesignValues.h"
#include "E2eSupport.h"
#include "resource.h"

#include <tlhelp32.h>

using namespace e2e;

namespace {

// The system's own state shows in three values: the screensaver is recorded as
// the test sets it (10 minutes; whether it is on is Wine's), and the autorun box
// as no logon entry exists yet.
std::string DesignText(const std::string& name, const char* text) {
    if (name == "ScrTimeout_Value") return "10";
    if (name == "ckAutorun_Checked") return "False";
    return text;
}

// The libraries loaded in the process that owns `wnd`, in lower case.
std::set<std::string> ModulesOf(HWND wnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    std::set<std::string> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return names;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        std::string name = entry.szModule;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.insert(name);
    }
    CloseHandle(snapshot);
    return names;
}

class Foundation : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        // No logon entry either: a first run of the program.
        HKEY run;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                          KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
            RegDeleteValueA(run, "Velant! Pro 2001");
            RegCloseKey(run);
        }
    }
};

}  // namespace

TEST_F(Foundation, FirstRunStartsResidentAndWritesOnlyTheStartupValues) {
    App app;
    ASSERT_TRUE(app.Start());
    EXPECT_FALSE(IsWindowVisible(app.MainWindow())) << "the window is never shown at start";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    auto priority = ReadValue(HKEY_CURRENT_USER, kMainKey, "GroupPriority");
    ASSERT_TRUE(priority);
    EXPECT_EQ(priority->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(priority->bytes, SzBytes("-1", 2)) << "mirror values end in two zero bytes";
    // A resident start loads what it uses: the common dialogs (and the print spooler
    // they bring) and the multimedia library wait for the commands that need them.
    const auto modules = ModulesOf(app.TrayWindow());
    ASSERT_TRUE(modules.count("user32.dll"));
    EXPECT_FALSE(modules.count("comdlg32.dll"));
    EXPECT_FALSE(modules.count("winspool.drv"));
    EXPECT_FALSE(modules.count("winmm.dll"));
    ASSERT_TRUE(app.Close());
}

TEST_F(Foundation, ClosingWritesEveryStoredValueExactly) {
    SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, 600, nullptr, 0);
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Close());

    for (const auto& [name, text] : velant_test::kDesignValues) {
        if (std::string(name) == "ckScrEnable_Checked") continue;
        auto value = ReadValue(HKEY_CURRENT_USER, kSectionKey, name);
        ASSERT_TRUE(value) << name;
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(value->bytes, SzBytes(DesignText(name, text))) << name;
    }
    for (const char* name :
         {"FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos", "NormPos", "Visible"})
        EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, kSectionKey, name)) << name;
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "FormVersion"), SzBytes("0"));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "Visible"), SzBytes("0"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Corvane\\Velant! Pro 2001.WallList_Items"))
        << "an empty list leaves no list key";
}

TEST_F(Foundation, ASecondStartShowsTheRunningCopysWindowAndEnds) {
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_FALSE(IsWindowVisible(app.MainWindow()));
    std::string cmd = "\"" + ProgramPath() + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION second{};
    ASSERT_TRUE(
        CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &second));
    const bool ended = WaitForSingleObject(second.hProcess, 20000) == WAIT_OBJECT_0;
    int icons = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, "TCoolTrayIconWnd", nullptr); w;
         w = FindWindowExA(nullptr, w, "TCoolTrayIconWnd", nullptr))
        ++icons;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(second.hProcess, &code);
    if (!ended) TerminateProcess(second.hProcess, 1);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    EXPECT_TRUE(ended);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(icons, 1);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(app.MainWindow()); }, 5000)) << "the running copy shows";
    ASSERT_TRUE(app.Close());
}

TEST_F(Foundation, IconShowsThePagesAndMinimisingReturnsToTheIcon) {
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.ShowThroughIcon());
    HWND main = app.MainWindow();
    char title[64] = {};
    GetWindowTextA(main, title, sizeof title);
    EXPECT_STREQ(title, "Velant! Pro 2001");

    const char* pages[] = {"page-main", "page-wallpaper", "page-desktop-hotkeys", "page-popup-startmenu"};
    for (int i = 0; i < 4; ++i) {
        app.SelectPage(i);
        Screenshot(main, pages[i]);
    }
    // Every start-menu row shows a picture of its object.
    for (int id : {IDC_IMGCONTROLPANEL, IDC_IMGPRINTERS, IDC_IMGURLHISTORY, IDC_IMGRECYCLEBIN})
        EXPECT_NE(SendMessageA(app.Control(id), STM_GETICON, 0, 0), 0) << id;
    app.SelectPage(0);
    EXPECT_EQ(app.Text(IDC_CKAUTORUN), "Autorun Velant! Pro 2001");
    // A first run has no logon entry, and the box says so.
    EXPECT_FALSE(app.Checked(IDC_CKAUTORUN));
    EXPECT_EQ(app.Text(IDC_EDTDATE), "'Today is: ' dd.mm.yyyy");
    EXPECT_EQ(app.Text(IDC_CHECKTIME), "15");

    PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000)) << "minimised into the icon";
    EXPECT_TRUE(app.Running());
    ASSERT_TRUE(app.ShowThroughIcon()) << "the icon still opens the window";
    ASSERT_TRUE(app.Close());
}

TEST_F(Foundation, StoredValuesAreRestoredAndWrittenBackUnchanged) {
    const std::pair<const char*, const char*> seeded[] = {
        {"FormVersion", "0"},
        {"ckClearRecDocs_Checked", "True"},
        {"ckKeepScrDisabled_Checked", "true"},
        {"edtDate_Text", "'Date ' yyyy-mm-dd"},
        {"CheckTime_Text", "30"},
        {"GroupPriority_ItemIndex", "1"},
        {"ckMycomputer_Checked", "False"},
    };
    for (const auto& [name, text] : seeded) WriteString(HKEY_CURRENT_USER, kSectionKey, name, text);

    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.ShowThroughIcon());
    EXPECT_TRUE(app.Checked(IDC_CKCLEARRECDOCS));
    EXPECT_TRUE(app.Checked(IDC_CKKEEPSCRDISABLED));
    EXPECT_EQ(app.Text(IDC_EDTDATE), "'Date ' yyyy-mm-dd");
    EXPECT_EQ(app.Text(IDC_CHECKTIME), "30");
    EXPECT_EQ(SendMessageA(app.Control(IDC_GROUPPRIORITY_1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(app.Checked(IDC_CKMYCOMPUTER));
    auto priority = ReadValue(HKEY_CURRENT_USER, kMainKey, "GroupPriority");
    ASSERT_TRUE(priority);
    EXPECT_EQ(priority->bytes, SzBytes("1", 2));
    ASSERT_TRUE(app.Close());

    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "ckClearRecDocs_Checked"), SzBytes("True"));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "ckKeepScrDisabled_Checked"), SzBytes("True"));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "edtDate_Text"), SzBytes("'Date ' yyyy-mm-dd"));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "CheckTime_Text"), SzBytes("30"));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "GroupPriority_ItemIndex"), SzBytes("1"));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "ckMycomputer_Checked"), SzBytes("False"));
}

TEST_F(Foundation, AChangeMadeInTheWindowSurvivesMinimiseAndShow) {
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(0);
    HWND box = app.Control(IDC_CKCLEARRECDOCS);
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_TRUE(app.Checked(IDC_CKCLEARRECDOCS));
    PostMessageA(app.MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(app.MainWindow()); }, 5000));
    ASSERT_TRUE(app.ShowThroughIcon());
    EXPECT_TRUE(app.Checked(IDC_CKCLEARRECDOCS)) << "showing the window must not undo the change";
    ASSERT_TRUE(app.Close());
}
