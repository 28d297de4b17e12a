#include "system/ColorMode.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/RegKey.h"
#include "platform/constants.h"

namespace {

const char* const kPersonalizeKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
const char* const kLightValue = "AppsUseLightTheme";

constexpr std::uint32_t kSpiGetHighContrast = 0x0042;
constexpr std::uint32_t kHcfHighContrastOn = 0x00000001;

// HIGHCONTRASTA as SystemParametersInfo fills it.
struct HighContrast {
    std::uint32_t cbSize;
    std::uint32_t dwFlags;
    char* lpszDefaultScheme;
};

}  // namespace

TColorMode::TColorMode(plat::IRegistry& registry, plat::IUser& user) : FRegistry(registry), FUser(user) {
    FDark = ReadDark();
}

bool TColorMode::Refresh() {
    const bool dark = ReadDark();
    const bool changed = dark != FDark;
    FDark = dark;
    return changed;
}

bool TColorMode::IsModeChange(const char* area) {
    return area != nullptr && std::strcmp(area, "ImmersiveColorSet") == 0;
}

bool TColorMode::ReadDark() {
    HighContrast hc{};
    hc.cbSize = sizeof hc;
    if (FUser.SystemParametersInfo(kSpiGetHighContrast, sizeof hc, &hc, 0) &&
        (hc.dwFlags & kHcfHighContrastOn))
        return false;
    plat::RegKey key =
        plat::RegKey::Open(FRegistry, plat::HKEY_CURRENT_USER, kPersonalizeKey, plat::KEY_READ);
    if (!key.Valid()) return false;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (FRegistry.RegQueryValueEx(key.Get(), kLightValue, type, data) != plat::ERROR_SUCCESS) return false;
    if (type != plat::REG_DWORD || data.size() != 4) return false;
    return data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 0;
}
