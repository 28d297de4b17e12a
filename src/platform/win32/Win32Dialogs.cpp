#include "platform/win32/Win32Dialogs.h"

#include "platform/win32/WinApi.h"
#include "platform/win32/Handles.h"
#include "platform/win32/OnDemand.h"

#include <algorithm>
#include <vector>

namespace win32 {

namespace {

HWND W(plat::Hwnd wnd) { return ToWin(wnd); }

// Long paths in UTF-8 can take up to 3 bytes a character.
constexpr size_t kFileBuffer = 32768;

bool RunFileDialog(plat::FileDialogOptions& options, bool save) {
    std::string filter = Win32Dialogs::ConvertFilter(options.filter);
    std::vector<char> file(kFileBuffer, '\0');
    std::copy_n(options.fileName.begin(), std::min(options.fileName.size(), file.size() - 1), file.begin());
    std::string defExt = options.defaultExt;
    // The dialog appends the extension alone to a plain name: "bmp", not "*.bmp".
    defExt.erase(0, defExt.find_first_not_of("*."));

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = W(options.owner);
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = options.title.empty() ? nullptr : options.title.c_str();
    ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();
    ofn.lpstrInitialDir = options.initialDir.empty() ? nullptr : options.initialDir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    ofn.Flags |= save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    auto run = save ? OnDemand<decltype(&::GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA")
                    : OnDemand<decltype(&::GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
    if (!run || !run(&ofn)) return false;
    options.fileName = file.data();
    return true;
}

}  // namespace

Win32Dialogs::Win32Dialogs() { FCustomColors.fill(RGB(255, 255, 255)); }

int Win32Dialogs::MessageBox(plat::Hwnd owner, const std::string& text, const std::string& caption,
                             std::uint32_t type) {
    return ::MessageBoxA(W(owner), text.c_str(), caption.c_str(), type);
}

bool Win32Dialogs::ChooseColor(plat::Hwnd owner, plat::ColorRef& color) {
    COLORREF custom[16];
    std::copy(FCustomColors.begin(), FCustomColors.end(), custom);
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = W(owner);
    cc.rgbResult = color;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    auto choose = OnDemand<decltype(&::ChooseColorA)>("comdlg32.dll", "ChooseColorA");
    const bool ok = choose && choose(&cc);
    std::copy(custom, custom + 16, FCustomColors.begin());
    if (!ok) return false;
    color = cc.rgbResult;
    auto found = std::find(FCustomColors.begin(), FCustomColors.end(), color);
    if (found == FCustomColors.end()) {
        std::rotate(FCustomColors.begin(), FCustomColors.end() - 1, FCustomColors.end());
        FCustomColors.front() = color;
    }
    return true;
}

bool Win32Dialogs::GetOpenFileName(plat::FileDialogOptions& options) { return RunFileDialog(options, false); }

bool Win32Dialogs::GetSaveFileName(plat::FileDialogOptions& options) { return RunFileDialog(options, true); }

std::string Win32Dialogs::ConvertFilter(const std::string& filter) {
    if (filter.empty()) return {};
    std::string result = filter;
    std::replace(result.begin(), result.end(), '|', '\0');
    result.push_back('\0');
    result.push_back('\0');
    return result;
}

}  // namespace win32
