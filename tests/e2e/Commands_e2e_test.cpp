// Commands given to a later start reach the running copy: the desktop changes,
// the stored list grows, one copy keeps running, and a bad path is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "E2eSupport.h"
#include "Pictures.h"

using namespace e2e;

namespace {

const std::string kListKey = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";

std::string WriteSolid(const std::string& name, COLORREF colour) {
    // As large as the test desktop, so the picture covers it however the shell lays it out.
    return WriteTempFile(name, EncodeBitmap(1024, 768, [colour](int, int) { return colour; }));
}

struct Finished {
    DWORD code = STILL_ACTIVE;
    std::string output;
};

// A later start with the arguments, its output going to a pipe as a script's would.
Finished RunLater(const std::string& args) {
    Finished result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string cmd = "\"" + ProgramPath() + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    const bool started =
        CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (started) {
        if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
        GetExitCodeProcess(pi.hProcess, &result.code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
            result.output.append(buffer, got);
    }
    CloseHandle(readEnd);
    return result;
}

std::vector<std::string> StoredList() {
    std::vector<std::string> items;
    for (int i = 0;; ++i) {
        const auto bytes = ValueBytes(HKEY_CURRENT_USER, kListKey, "Item" + std::to_string(i));
        if (bytes.empty()) return items;
        items.emplace_back(reinterpret_cast<const char*>(bytes.data()));
    }
}

int CountWindows(const char* className) {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, className, nullptr); w;
         w = FindWindowExA(nullptr, w, className, nullptr))
        ++count;
    return count;
}

bool DesktopShows(COLORREF colour) {
    return WaitFor([colour] { return Near(ScreenPixel(8, 8), colour); }, 8000);
}

}  // namespace

TEST(CommandsE2e, ALaterStartHandsItsCommandToTheRunningCopy) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    const std::string magenta = WriteSolid("velant-cmd-magenta.bmp", RGB(200, 20, 200));
    const std::string cyan = WriteSolid("velant-cmd-cyan.bmp", RGB(20, 200, 200));
    const std::string green = WriteSolid("velant-cmd-green.bmp", RGB(20, 200, 20));
    const std::string added = WriteSolid("velant-cmd-added two.bmp", RGB(200, 200, 20));
    WriteString(HKEY_CURRENT_USER, kListKey, "Count", "2");
    WriteString(HKEY_CURRENT_USER, kListKey, "Item0", magenta);
    WriteString(HKEY_CURRENT_USER, kListKey, "Item1", cyan);

    App app;
    ASSERT_TRUE(app.Start());
    Finished next = RunLater("/next");
    EXPECT_EQ(next.code, 0u) << next.output;
    EXPECT_TRUE(DesktopShows(RGB(200, 20, 200))) << Hex(ScreenPixel(8, 8));
    next = RunLater("-NEXT");
    EXPECT_EQ(next.code, 0u) << next.output;
    EXPECT_TRUE(DesktopShows(RGB(20, 200, 200))) << Hex(ScreenPixel(8, 8));
    Screenshot(nullptr, "command-next");

    const Finished add = RunLater("/add \"" + green + "\" \"" + added + "\"");
    EXPECT_EQ(add.code, 0u) << add.output;
    EXPECT_TRUE(WaitFor([&] { return StoredList().size() == 4; }, 5000));
    EXPECT_EQ(StoredList(), (std::vector<std::string>{magenta, cyan, green, added}));

    const Finished missing = RunLater("/add \"" + green + "\" C:\\velant-no-such-picture.jpg");
    EXPECT_EQ(missing.code, 3u);
    EXPECT_NE(missing.output.find("\"C:\\velant-no-such-picture.jpg\" does not exist."), std::string::npos)
        << missing.output;
    const Finished unknown = RunLater("/nxet");
    EXPECT_EQ(unknown.code, 2u);
    EXPECT_NE(unknown.output.find("The switches are: /next, /add"), std::string::npos) << unknown.output;
    Sleep(500);
    EXPECT_EQ(StoredList().size(), 4u) << "a refused command adds nothing";

    EXPECT_EQ(CountWindows("TQuorvForm"), 1);
    EXPECT_EQ(CountWindows("TCoolTrayIconWnd"), 1);
    EXPECT_TRUE(app.Running());
    ASSERT_TRUE(app.Close());
}
