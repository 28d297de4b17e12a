// BigListProbe PICTURES [ROUNDS]: the program with PICTURES stored wallpapers,
// under the real (or Wine's) registry. Writes the list into the property
// store's key of fresh settings, then times, ROUNDS times each (default 5):
//   start  from CreateProcess to the notification icon (NIM_MODIFY accepts it),
//          and to the start of the first second in which the configuration
//          window answered WM_NULL within 20 ms throughout (the rest of the
//          start-up, the stored settings among it, done); alternately with the
//          stored list and with an empty one (its count 0, the values left, so
//          that nothing has to be written again between the starts); each
//          start ends with TerminateProcess, so that no save changes the list;
//   show   from the icon's double click to the configuration window shown and
//          answering WM_NULL (SendMessageTimeout), the list unchanged;
//   close  from the "Close" button's click (its WM_COMMAND) to the end of the
//          program, which saves its settings on the way; the key's last write
//          time says whether the close wrote the list.
// Prints every figure and the medians. Exit code 0 when the list came through
// unchanged. Built and run by bench/win32/big_list.sh with the end-to-end
// tests' support code.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

const std::string kStoreKey = std::string(kSectionKey) + ".WallList_Items";

std::string RegText(const std::string& key, const std::string& name) {
    auto value = ReadValue(HKEY_CURRENT_USER, key, name);
    if (!value) return {};
    std::string text(value->bytes.begin(), value->bytes.end());
    return text.substr(0, text.find('\0'));
}

ULONGLONG LastWrite(const std::string& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return 0;
    FILETIME t{};
    RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, &t);
    RegCloseKey(k);
    return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

struct FindMain {
    DWORD pid;
    HWND found;
};
BOOL CALLBACK FindMainProc(HWND wnd, LPARAM lParam) {
    auto* f = reinterpret_cast<FindMain*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char title[64] = {};
    GetWindowTextA(wnd, title, sizeof title);
    if (pid == f->pid && std::string(title) == kTitle) {
        f->found = wnd;
        return FALSE;
    }
    return TRUE;
}

bool Answers(HWND wnd) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result) != 0;
}

// One start: the milliseconds to the icon and to the window's first answer.
struct Started {
    PROCESS_INFORMATION process{};
    HWND tray = nullptr, main = nullptr;
    double icon = -1, ready = -1;
};

Started Start() {
    Started s;
    std::string cmd = "\"" + ProgramPath() + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    const double t0 = Now();
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &s.process))
        return s;
    while (Now() - t0 < 60000) {
        if (!s.tray) s.tray = FindWindowA("TCoolTrayIconWnd", nullptr);
        NOTIFYICONDATAA nid{};
        nid.cbSize = sizeof nid;
        nid.hWnd = s.tray;
        nid.uID = 1;
        if (s.tray && Shell_NotifyIconA(NIM_MODIFY, &nid)) {
            s.icon = Now() - t0;
            break;
        }
        Sleep(1);
    }
    if (s.icon < 0) return s;
    FindMain f{s.process.dwProcessId, nullptr};
    while (!f.found && Now() - t0 < 60000) {
        EnumWindows(FindMainProc, reinterpret_cast<LPARAM>(&f));
        if (!f.found) Sleep(1);
    }
    s.main = f.found;
    // The start-up lets messages run between slices of its work, so one answer
    // does not mean it is done: it is once the window has answered within
    // 20 ms for a whole second; the time is that second's start.
    double calmSince = -1;
    while (s.main && Now() - t0 < 120000) {
        const double sent = Now();
        if (!Answers(s.main)) break;
        if (Now() - sent > 20) {
            calmSince = -1;
        } else if (calmSince < 0) {
            calmSince = sent;
        } else if (Now() - calmSince >= 1000) {
            s.ready = calmSince - t0;
            break;
        }
        Sleep(10);
    }
    return s;
}

void Kill(Started& s) {
    if (!s.process.hProcess) return;
    TerminateProcess(s.process.hProcess, 1);
    WaitForSingleObject(s.process.hProcess, 10000);
    CloseHandle(s.process.hProcess);
    CloseHandle(s.process.hThread);
    s.process = {};
}

void WriteList(int pictures) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kStoreKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    auto set = [&](const std::string& name, const std::string& text) {
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    };
    set("Count", std::to_string(pictures));
    for (int i = 0; i < pictures; ++i)
        set("Item" + std::to_string(i),
            "C:\\velant-big-list\\album" + std::to_string(i / 500) + "\\photo" + std::to_string(i) + ".jpg");
    RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: BigListProbe PICTURES [ROUNDS]\n");
        return 2;
    }
    const int pictures = std::atoi(argv[1]);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string count = std::to_string(pictures);
    const std::string lastItem = "Item" + std::to_string(pictures - 1);

    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    double t = Now();
    WriteList(pictures);
    const std::string lastPath = RegText(kStoreKey, lastItem);
    std::printf("stored %d pictures in %.0f ms\n", pictures, Now() - t);

    std::vector<double> icon[2], ready[2];
    for (int r = 0; r < rounds; ++r)
        for (int full = 0; full < 2; ++full) {
            WriteString(HKEY_CURRENT_USER, kStoreKey, "Count", full ? count : "0");
            Started s = Start();
            Kill(s);
            if (s.ready < 0) {
                std::fprintf(stderr, "start %d (%s) failed\n", r, full ? "full" : "empty");
                return 2;
            }
            icon[full].push_back(s.icon);
            ready[full].push_back(s.ready);
            std::printf("start %-5s icon %8.1f ms  settled %8.1f ms\n", full ? "full" : "empty", s.icon,
                        s.ready);
            std::fflush(stdout);
        }
    WriteString(HKEY_CURRENT_USER, kStoreKey, "Count", count);

    std::vector<double> shows, closes;
    int writtenAtClose = 0;
    for (int r = 0; r < rounds; ++r) {
        // "Close" ends the program: each round starts it again.
        Started s = Start();
        if (s.ready < 0) return 2;
        t = Now();
        PostMessageA(s.tray, kTrayNotify, 1, WM_LBUTTONDOWN);
        PostMessageA(s.tray, kTrayNotify, 1, WM_LBUTTONUP);
        PostMessageA(s.tray, kTrayNotify, 1, WM_LBUTTONDBLCLK);
        PostMessageA(s.tray, kTrayNotify, 1, WM_LBUTTONUP);
        while (!(IsWindowVisible(s.main) && Answers(s.main)) && Now() - t < 60000) Sleep(1);
        shows.push_back(Now() - t);

        // The "Close" button, wherever the page layout puts it.
        struct Find {
            HWND found;
        } find{nullptr};
        EnumChildWindows(
            s.main,
            [](HWND wnd, LPARAM l) -> BOOL {
                if (GetDlgCtrlID(wnd) != IDC_CLOSEBUTTON) return TRUE;
                reinterpret_cast<Find*>(l)->found = wnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&find));
        const HWND button = find.found;
        if (!button) {
            std::fprintf(stderr, "no Close button\n");
            Kill(s);
            return 2;
        }
        Sleep(200);
        const ULONGLONG written = LastWrite(kStoreKey);
        t = Now();
        // What the button tells its parent when clicked.
        PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_CLOSEBUTTON, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        WaitForSingleObject(s.process.hProcess, 60000);
        closes.push_back(Now() - t);
        Kill(s);
        if (LastWrite(kStoreKey) != written) ++writtenAtClose;
        std::printf("show %8.1f ms  close %8.1f ms\n", shows.back(), closes.back());
        std::fflush(stdout);
        Sleep(200);
    }

    const bool intact = RegText(kStoreKey, "Count") == count && RegText(kStoreKey, lastItem) == lastPath;
    std::printf("\n%d pictures, medians of %d:\n", pictures, rounds);
    std::printf("  start to the icon: empty list %.1f ms, stored list %.1f ms, difference %.1f ms\n",
                Median(icon[0]), Median(icon[1]), Median(icon[1]) - Median(icon[0]));
    std::printf("  start to settled: empty list %.1f ms, stored list %.1f ms, difference %.1f ms\n",
                Median(ready[0]), Median(ready[1]), Median(ready[1]) - Median(ready[0]));
    std::printf("  show: %.1f ms (longest %.1f)\n", Median(shows),
                *std::max_element(shows.begin(), shows.end()));
    std::printf("  close: %.1f ms (longest %.1f); closes that wrote the list's key: %d\n", Median(closes),
                *std::max_element(closes.begin(), closes.end()), writtenAtClose);
    std::printf("  the stored list after all: %s\n", intact ? "unchanged" : "CHANGED");
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    return intact ? 0 : 1;
}
