#include "E2eSupport.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <fstream>

namespace e2e {

std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string ProgramPath() { return WinePath(VELANT_EXE_UNIX); }
std::string ScreenshotDir() { return WinePath(VELANT_SCREENSHOTS_UNIX); }

std::string TempPath(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

std::string WallpaperBitmap() {
    char dir[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, dir);
    return std::string(dir) + "\\Velant! Pro 2001\\Velant! Pro 2001 wallpaper.bmp";
}

std::string SystemWallpaper() {
    char path[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
    return path;
}

std::optional<RegValue> ReadValue(HKEY root, const std::string& key, const std::string& name) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
    RegValue value;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(k, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        value.bytes.resize(size);
        rc = RegQueryValueExA(k, name.c_str(), nullptr, &value.type, value.bytes.data(), &size);
        value.bytes.resize(size);
    }
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return value;
}

std::vector<std::uint8_t> ValueBytes(HKEY root, const std::string& key, const std::string& name) {
    auto value = ReadValue(root, key, name);
    return value ? value->bytes : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> SzBytes(const std::string& text, int nuls) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), nuls, 0);
    return bytes;
}

void WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
    HKEY k;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(k);
}

void DeleteTree(HKEY root, const std::string& key) { RegDeleteTreeA(root, key.c_str()); }

bool KeyExists(HKEY root, const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

App::~App() {
    if (Running()) {
        for (void* p : FRemote) VirtualFreeEx(FProcess.hProcess, p, 0, MEM_RELEASE);
        Close();
        if (Running()) TerminateProcess(FProcess.hProcess, 1);
    }
    if (FProcess.hProcess) CloseHandle(FProcess.hProcess);
    if (FProcess.hThread) CloseHandle(FProcess.hThread);
}

bool App::Start() {
    // A program left over from an earlier failed test would answer in our place.
    while (HWND stale = FindWindowA("TCoolTrayIconWnd", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(stale, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process) break;
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    std::string cmd = "\"" + ProgramPath() + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FProcess))
        return false;
    WaitForInputIdle(FProcess.hProcess, 10000);
    if (!WaitFor(
            [this] {
                FTray = FindWindowA("TCoolTrayIconWnd", nullptr);
                return FTray != nullptr && MainWindow() != nullptr;
            },
            20000))
        return false;
    // The icon and the window come before the rest of the start-up (the stored
    // settings, the switches): a message sent to the window is answered once the
    // program asks for messages again, which it does when the start-up is done.
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(MainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer) != 0;
}

bool App::Running() const {
    return FProcess.hProcess && WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT;
}

bool App::Close() {
    HWND main = MainWindow();
    if (!main) return false;
    PostMessageA(main, WM_CLOSE, 0, 0);
    return WaitFor([this] { return !Running(); }, 15000);
}

namespace {
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
struct FindChild {
    int id;
    HWND found;
};
BOOL CALLBACK FindChildProc(HWND wnd, LPARAM lParam) {
    auto* f = reinterpret_cast<FindChild*>(lParam);
    if (GetDlgCtrlID(wnd) == f->id) {
        f->found = wnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND App::MainWindow() const {
    FindMain f{FProcess.dwProcessId, nullptr};
    EnumWindows(FindMainProc, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

bool App::ShowThroughIcon() {
    PostMessageA(FTray, kTrayNotify, 1, WM_LBUTTONDOWN);
    PostMessageA(FTray, kTrayNotify, 1, WM_LBUTTONUP);
    PostMessageA(FTray, kTrayNotify, 1, WM_LBUTTONDBLCLK);
    PostMessageA(FTray, kTrayNotify, 1, WM_LBUTTONUP);
    return WaitFor([this] { return MainWindow() && IsWindowVisible(MainWindow()); }, 10000);
}

HWND App::Control(int id) const {
    FindChild f{id, nullptr};
    EnumChildWindows(MainWindow(), FindChildProc, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

namespace {
struct FindDialog {
    DWORD pid;
    HWND owner;
    HWND found;
};
BOOL CALLBACK FindDialogProc(HWND wnd, LPARAM lParam) {
    auto* f = reinterpret_cast<FindDialog*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char cls[16] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (pid == f->pid && std::string(cls) == "#32770" && IsWindowVisible(wnd) &&
        GetWindow(wnd, GW_OWNER) == f->owner) {
        f->found = wnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND App::OwnedDialog() const {
    FindDialog f{FProcess.dwProcessId, MainWindow(), nullptr};
    if (f.owner) EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

void* App::CopyIntoProcess(const std::string& text) {
    void* remote =
        VirtualAllocEx(FProcess.hProcess, nullptr, text.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) return nullptr;
    SIZE_T written = 0;
    if (!WriteProcessMemory(FProcess.hProcess, remote, text.c_str(), text.size() + 1, &written)) {
        VirtualFreeEx(FProcess.hProcess, remote, 0, MEM_RELEASE);
        return nullptr;
    }
    FRemote.push_back(remote);
    return remote;
}

std::string App::TreeSelection(HWND tree) {
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return {};
    // The control writes into the item record and text buffer in its own process.
    constexpr SIZE_T kText = 260;
    auto* remote = static_cast<std::uint8_t*>(VirtualAllocEx(
        FProcess.hProcess, nullptr, sizeof(TVITEMA) + kText, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote) return {};
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<char*>(remote + sizeof tv);
    tv.cchTextMax = kText;
    char text[kText] = {};
    SIZE_T done = 0;
    if (WriteProcessMemory(FProcess.hProcess, remote, &tv, sizeof tv, &done) &&
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote)))
        ReadProcessMemory(FProcess.hProcess, remote + sizeof tv, text, kText - 1, &done);
    VirtualFreeEx(FProcess.hProcess, remote, 0, MEM_RELEASE);
    return text;
}

bool App::Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::string App::Text(int id) const {
    // WM_GETTEXT reaches the control itself; GetWindowText across processes
    // only sees the window's own caption, which an edit control does not keep.
    char buf[1024] = {};
    SendMessageA(Control(id), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

void App::SelectPage(int index) {
    HWND tab = FindWindowExA(MainWindow(), nullptr, "SysTabControl32", nullptr);
    // Without the buttons style, moving the focus selects the tab and notifies the window.
    SendMessageA(tab, TCM_SETCURFOCUS, index, 0);
    UpdateWindow(MainWindow());
    Sleep(300);
}

bool XDoTool(const std::string& args) {
    std::string line = "cmd /c start /unix /usr/bin/xdotool " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return true;
}

HWND App::ShownPage() const {
    HWND main = MainWindow();
    for (HWND w = FindWindowExA(main, nullptr, "#32770", nullptr); w;
         w = FindWindowExA(main, w, "#32770", nullptr))
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

FixtureProcess::FixtureProcess(const std::string& args) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = "\"" + WinePath(VELANT_FIXTURE_SHELL_UNIX) + "\"";
    if (!args.empty()) cmd += " " + args;
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FProcess))
        FProcess = {};
}

FixtureProcess::~FixtureProcess() {
    if (HWND progman = FindWindowA("Progman", "Program Manager")) PostMessageA(progman, WM_CLOSE, 0, 0);
    if (FProcess.hProcess) {
        if (WaitForSingleObject(FProcess.hProcess, 5000) != WAIT_OBJECT_0)
            TerminateProcess(FProcess.hProcess, 1);
        CloseHandle(FProcess.hProcess);
        CloseHandle(FProcess.hThread);
    }
}

Shot Capture(HWND wnd) {
    Shot shot;
    if (wnd)
        GetWindowRect(wnd, &shot.rect);
    else
        GetWindowRect(GetDesktopWindow(), &shot.rect);
    shot.width = shot.rect.right - shot.rect.left;
    shot.height = shot.rect.bottom - shot.rect.top;
    if (shot.width <= 0 || shot.height <= 0) return shot;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = shot.width;
    bi.bmiHeader.biHeight = shot.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, shot.width, shot.height, screen, shot.rect.left, shot.rect.top, SRCCOPY);
    SelectObject(mem, old);
    GdiFlush();
    const std::size_t stride = ((static_cast<std::size_t>(shot.width) * 3 + 3) / 4) * 4;
    const auto* first = static_cast<const std::uint8_t*>(bits);
    shot.bits.assign(first, first + stride * static_cast<std::size_t>(shot.height));
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return shot;
}

COLORREF Shot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const std::size_t stride = ((static_cast<std::size_t>(width) * 3 + 3) / 4) * 4;
    const std::uint8_t* p = bits.data() + static_cast<std::size_t>(height - 1 - y) * stride + x * 3;
    return RGB(p[2], p[1], p[0]);
}

std::string Shot::Save(const std::string& name) const {
    BITMAPINFOHEADER bh{};
    bh.biSize = sizeof bh;
    bh.biWidth = width;
    bh.biHeight = height;
    bh.biPlanes = 1;
    bh.biBitCount = 24;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bh;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(bits.size());
    CreateDirectoryA(ScreenshotDir().c_str(), nullptr);
    const std::string path = ScreenshotDir() + "\\" + name + ".bmp";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bh), sizeof bh);
    out.write(reinterpret_cast<const char*>(bits.data()), static_cast<std::streamsize>(bits.size()));
    return path;
}

std::string Screenshot(HWND wnd, const std::string& name) { return Capture(wnd).Save(name); }

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

}  // namespace e2e
