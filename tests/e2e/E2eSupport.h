#pragma once
// Support for the end-to-end tests: they start VelantPro.exe in the same Wine
// prefix, drive it through its windows and read what a user and other programs
// see (registry values, windows, the wallpaper, screenshots).
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

constexpr const char* kTitle = "Velant! Pro 2001";
constexpr const char* kSettingsKey = "Software\\Corvane";
constexpr const char* kSectionKey = "Software\\Corvane\\Velant! Pro 2001";
constexpr const char* kMainKey = "Software\\Corvane\\Velant! Pro 2001\\Main";
constexpr UINT kTrayNotify = WM_USER + 1024;

// A Unix path (as CMake gives it) in Wine's Z: drive.
std::string WinePath(const std::string& unixPath);
std::string ProgramPath();
std::string ScreenshotDir();
// A file name in the system's temporary folder.
std::string TempPath(const std::string& name);
// The bitmap the program hands the shell, in the user's local application data.
std::string WallpaperBitmap();
// The wallpaper file the system has now, as it answers SPI_GETDESKWALLPAPER.
std::string SystemWallpaper();

struct RegValue {
    DWORD type = 0;
    std::vector<std::uint8_t> bytes;
};
std::optional<RegValue> ReadValue(HKEY root, const std::string& key, const std::string& name);
// The value's bytes, or none when it is missing.
std::vector<std::uint8_t> ValueBytes(HKEY root, const std::string& key, const std::string& name);
// The REG_SZ bytes a normal string write stores: the text and one NUL.
std::vector<std::uint8_t> SzBytes(const std::string& text, int nuls = 1);
void WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& text);
void DeleteTree(HKEY root, const std::string& key);
bool KeyExists(HKEY root, const std::string& key);

// The running program.
class App {
public:
    App() = default;
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Starts the program and waits until its notification icon's window exists.
    bool Start();
    // Closes the program as the user would and waits for it to end.
    bool Close();
    bool Running() const;

    HWND TrayWindow() const { return FTray; }
    // The configuration window (found whether shown or hidden).
    HWND MainWindow() const;
    // Shows the configuration window the way a double click on the icon does.
    bool ShowThroughIcon();
    // A control of the configuration window by its dialog control id.
    HWND Control(int id) const;
    bool Checked(int id) const;
    std::string Text(int id) const;
    void SelectPage(int index);
    // The configuration window's page on show, or null.
    HWND ShownPage() const;
    // A dialog the program shows over its configuration window (a folder
    // picker, a message box), or null.
    HWND OwnedDialog() const;
    // Copies text into the program's memory, for messages whose argument is
    // a pointer the receiver reads (BFFM_SETSELECTION); freed with the App.
    void* CopyIntoProcess(const std::string& text);
    // The text of the selected item of one of the program's tree views.
    std::string TreeSelection(HWND tree);

private:
    PROCESS_INFORMATION FProcess{};
    HWND FTray = nullptr;
    std::vector<void*> FRemote;
};

// The fixture's stand-in shell windows (tests/e2e/fixture), for as long as the
// object lives; args go on its command line (a layout, say).
class FixtureProcess {
public:
    explicit FixtureProcess(const std::string& args = "");
    // Closes the stand-in shell as the session would and waits for it to end.
    ~FixtureProcess();
    FixtureProcess(const FixtureProcess&) = delete;
    FixtureProcess& operator=(const FixtureProcess&) = delete;
    bool Started() const { return FProcess.hProcess != nullptr; }

private:
    PROCESS_INFORMATION FProcess{};
};

// Runs xdotool on the X display Wine draws on, so that keys and the mouse arrive
// as a user's would; waits for it to finish.
bool XDoTool(const std::string& args);

// Waits up to timeoutMs for the condition, letting this thread's messages run.
template <class F>
bool WaitFor(F&& condition, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(50);
    }
    return true;
}

// A copy of part of the screen: 24-bit, bottom-up rows, as a BMP file holds them.
struct Shot {
    RECT rect{};  // on the screen
    int width = 0, height = 0;
    std::vector<std::uint8_t> bits;
    // The colour at (x, y) from the top left of the shot, as 0x00BBGGRR.
    COLORREF Pixel(int x, int y) const;
    // Writes it as a BMP file in the screenshots folder; returns the path.
    std::string Save(const std::string& name) const;
};
// The window's screen rectangle, or the whole desktop for null.
Shot Capture(HWND wnd);
// Writes a screenshot of the window's screen rectangle (or the whole desktop
// for null) as a BMP file in the screenshots folder; returns its path.
std::string Screenshot(HWND wnd, const std::string& name);
// The colour of a screen pixel (0x00BBGGRR).
COLORREF ScreenPixel(int x, int y);

}  // namespace e2e
