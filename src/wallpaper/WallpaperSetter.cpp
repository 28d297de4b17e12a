#include "wallpaper/WallpaperSetter.h"

#include <algorithm>
#include <random>
#include <vector>

#include "platform/RegKey.h"
#include "platform/Owned.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Convert.h"

namespace {

constexpr const char* kDesktopKey = "\\Control Panel\\desktop\\";

std::vector<std::string> BitmapsIn(plat::IKernel& kernel, const std::string& dir) {
    std::vector<std::string> names;
    plat::FindData data;
    const plat::TOwnedFind find(kernel, kernel.FindFirstFile(dir + "\\*.bmp", data));
    if (!find) return names;
    do names.push_back(data.name);
    while (kernel.FindNextFile(find.Get(), data));
    return names;
}

std::string Extension(const std::string& path) {
    auto dot = path.rfind('.');
    auto slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    return path.substr(dot);
}

}  // namespace

TWallpaperSetter::TWallpaperSetter(std::string name, plat::IKernel& kernel, plat::IRegistry& registry,
                                   plat::IUser& user)
    : TComponent(std::move(name)),
      FKernel(kernel),
      FRegistry(registry),
      FUser(user),
      FFileDir(kernel.GetWindowsDirectory()) {}

void TWallpaperSetter::SetFileDir(const std::string& value) {
    if (!BitmapsIn(FKernel, value).empty()) FFileDir = value;
}

void TWallpaperSetter::SetFileName(const std::string& value) {
    if (value.empty() || UpperCase(Extension(value)) != ".BMP") return;
    const auto attrs = FKernel.GetFileAttributes(value);
    if (attrs == plat::INVALID_FILE_ATTRIBUTES || (attrs & plat::FILE_ATTRIBUTE_DIRECTORY)) return;
    FFileName = value;
}

plat::ScaleBox TWallpaperSetter::DrawingBox(TScaleStyle style) {
    plat::ScaleBox box;
    box.cover = style == TScaleStyle::ssFill;
    const bool listed = FUser.EnumDisplayMonitors([&](const plat::Rect& monitor) {
        box.width = std::max(box.width, monitor.right - monitor.left);
        box.height = std::max(box.height, monitor.bottom - monitor.top);
        return true;
    });
    if (!listed || box.Empty()) {
        box.width = FUser.GetSystemMetrics(plat::SM_CXSCREEN);
        box.height = FUser.GetSystemMetrics(plat::SM_CYSCREEN);
    }
    return box;
}

void TWallpaperSetter::WriteStyle(const char* name, const char* text) {
    auto key = plat::RegKey::Open(FRegistry, plat::HKEY_CURRENT_USER, kDesktopKey, plat::KEY_ALL_ACCESS);
    if (!key.Valid()) throw plat::OpenKeyError("Control Panel\\desktop");
    if (key.WriteString(name, text) != plat::ERROR_SUCCESS) throw plat::SetDataError(name);
}

bool TWallpaperSetter::Tile() {
    auto key = plat::RegKey::Open(FRegistry, plat::HKEY_CURRENT_USER, kDesktopKey, plat::KEY_READ);
    auto text = key.Valid() ? key.ReadString("TileWallpaper") : std::nullopt;
    auto value = TryStrToInt(text.value_or(""));
    if (!value) throw EVelantError("'" + text.value_or("") + "' is not a valid integer value");
    return *value == 1;
}

void TWallpaperSetter::SetTile(bool value) {
    WriteStyle("TileWallpaper", value ? "1" : "0");
    ApplyWallpaper();
}

bool TWallpaperSetter::Stretch() {
    auto key = plat::RegKey::Open(FRegistry, plat::HKEY_CURRENT_USER, kDesktopKey, plat::KEY_READ);
    auto text = key.Valid() ? key.ReadString("WallpaperStyle") : std::nullopt;
    return StrToIntDef(text.value_or(""), 0) == 2;
}

void TWallpaperSetter::SetStretch(bool value) {
    WriteStyle("WallpaperStyle", value ? "2" : "0");
    ApplyWallpaper();
}

void TWallpaperSetter::SetScaleStyle(TScaleStyle style) {
    WriteStyle("WallpaperStyle", style == TScaleStyle::ssFill ? "10" : "6");
    WriteStyle("TileWallpaper", "0");
    ApplyWallpaper();
}

void TWallpaperSetter::ApplyWallpaper() {
    std::string path = FFileName;
    if (path.empty()) {
        auto names = BitmapsIn(FKernel, FFileDir);
        if (names.empty()) return;
        // Every bitmap of the folder can be drawn, the last one included.
        std::mt19937 random(FKernel.GetTickCount());
        std::uniform_int_distribution<std::size_t> pick(0, names.size() - 1);
        path = FFileDir + "\\" + names[pick(random)];
    }
    std::vector<char> buffer(path.begin(), path.end());
    buffer.push_back('\0');
    FUser.SystemParametersInfo(plat::SPI_SETDESKWALLPAPER, 0, buffer.data(),
                               plat::SPIF_UPDATEINIFILE | plat::SPIF_SENDWININICHANGE);
}
