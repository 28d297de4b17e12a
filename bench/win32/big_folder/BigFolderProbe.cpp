// BigFolderProbe FOLDER PICTURES: starts VelantPro.exe on fresh settings, shows
// its configuration window, presses "Browse", points the folder picker at
// FOLDER (a folder at the root of C:, by its name) and confirms. From then
// on, every 50 ms, it sends the configuration window WM_NULL with
// SendMessageTimeout and times the answer, until the list box holds PICTURES
// entries, both stored copies of the list are complete, and one more second
// has passed. It prints the longest wait in each phase:
//   scan   while the progress label shows,
//   fill   after the label has gone, until the list box holds every picture,
//   save   until the export key and the property store's key are complete,
//   after  the last second.
// Exit code 0 when the window answered within 200 ms throughout.
// Built by bench/win32/big_folder.sh with the end-to-end tests' support code.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "E2eSupport.h"
#include "resource.h"

using namespace e2e;

namespace {

double Now() {
    static LARGE_INTEGER frequency{};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The text of a registry value, or empty.
std::string RegText(const std::string& key, const std::string& name) {
    auto value = ReadValue(HKEY_CURRENT_USER, key, name);
    if (!value) return {};
    std::string text(value->bytes.begin(), value->bytes.end());
    return text.substr(0, text.find('\0'));
}

enum Phase { kScan, kFill, kSave, kAfter, kPhases };
const char* const kPhaseNames[kPhases] = {"scan", "fill", "save", "after"};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: BigFolderProbe FOLDER PICTURES\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int pictures = std::atoi(argv[2]);
    const std::string root = "C:\\" + folder;
    const std::string exportKey = std::string(kSectionKey) + "\\WallList";
    const std::string storeKey = std::string(kSectionKey) + ".WallList_Items";

    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    App app;
    if (!app.Start() || !app.ShowThroughIcon()) {
        std::fprintf(stderr, "the program did not start\n");
        return 2;
    }
    app.SelectPage(1);
    HWND main = app.MainWindow();
    HWND label = app.Control(IDC_LBLSCANPROGRESS);
    HWND list = app.Control(IDC_WALLLIST);

    PostMessageA(app.Control(IDC_BROWSEBUTTON), BM_CLICK, 0, 0);
    HWND picker = nullptr;
    if (!WaitFor([&] { return (picker = app.OwnedDialog()) != nullptr; })) {
        std::fprintf(stderr, "no folder picker\n");
        return 2;
    }
    HWND tree = FindWindowExA(picker, nullptr, WC_TREEVIEWA, nullptr);
    void* remoteRoot = app.CopyIntoProcess(root);
    SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remoteRoot));
    if (!tree || !WaitFor([&] { return app.TreeSelection(tree) == folder; }, 5000)) {
        SendMessageA(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        std::fprintf(stderr, "the picker does not show %s\n", root.c_str());
        return 2;
    }
    const double start = Now();
    PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));

    double slowest[kPhases] = {}, slowestAt[kPhases] = {}, ends[kPhases] = {};
    int pings[kPhases] = {};
    Phase phase = kScan;
    bool labelSeen = false;
    double afterStart = 0;
    for (;;) {
        const double sent = Now();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result)) {
            std::fprintf(stderr, "no answer within 60 s\n");
            return 2;
        }
        const double wait = Now() - sent;
        if (wait > slowest[phase]) {
            slowest[phase] = wait;
            slowestAt[phase] = sent - start;
        }
        ++pings[phase];

        // Reading another process's static text and the registry does not
        // wait for the program.
        char text[8] = {};
        GetWindowTextA(label, text, sizeof text);
        const bool labelShown = text[0] && IsWindowVisible(label);
        labelSeen = labelSeen || labelShown;
        const double now = Now();
        // A scan too quick for a ping to see the label ends with the list full.
        if (phase == kScan && !labelShown && (labelSeen || Now() - start > 5000)) {
            ends[kScan] = now - start;
            phase = kFill;
        }
        if (phase == kFill) {
            DWORD_PTR count = 0;
            SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 60000, &count);
            if (static_cast<int>(count) == pictures) {
                ends[kFill] = Now() - start;
                phase = kSave;
            }
        }
        if (phase == kSave && RegText(exportKey, "WallList TotalItems") == std::to_string(pictures - 1) &&
            !RegText(exportKey, "Item" + std::to_string(pictures - 1)).empty() &&
            RegText(storeKey, "Count") == std::to_string(pictures) &&
            !RegText(storeKey, "Item" + std::to_string(pictures - 1)).empty()) {
            ends[kSave] = Now() - start;
            phase = kAfter;
            afterStart = Now();
        }
        if (phase == kAfter && Now() - afterStart > 1000) {
            ends[kAfter] = Now() - start;
            break;
        }
        if (Now() - start > 600000) {
            std::fprintf(stderr, "not done after 10 minutes (phase %s)\n", kPhaseNames[phase]);
            return 2;
        }
        Sleep(50);
    }

    double worst = 0;
    std::printf("%-6s %12s %10s %16s %8s\n", "phase", "ends at ms", "pings", "longest wait ms", "at ms");
    for (int p = 0; p < kPhases; ++p) {
        std::printf("%-6s %12.0f %10d %16.1f %8.0f\n", kPhaseNames[p], ends[p], pings[p], slowest[p],
                    slowestAt[p]);
        worst = std::max(worst, slowest[p]);
    }
    std::printf("longest wait overall: %.1f ms\n", worst);
    std::fflush(stdout);
    app.Close();
    return worst <= 200 ? 0 : 1;
}
