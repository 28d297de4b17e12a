#include "system/ColorMode.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

const char* const kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// The simulated user with a high-contrast scheme that can be switched on.
class HighContrastUser : public sim::SimUser {
public:
    using sim::SimUser::SimUser;
    bool on = false;
    bool SystemParametersInfo(std::uint32_t action, std::uint32_t uiParam, void* pvParam,
                              std::uint32_t winIni) override {
        if (action != 0x0042 || !on)
            return sim::SimUser::SystemParametersInfo(action, uiParam, pvParam, winIni);
        static_cast<std::uint32_t*>(pvParam)[1] = 1;  // HCF_HIGHCONTRASTON
        return true;
    }
};

TEST(ColorMode, DarkOnlyForAZeroDwordWithoutHighContrastAndFollowsChanges) {
    sim::SimWindows win;
    HighContrastUser user(win.CallJournal(), win.Clock(), win.Registry());
    auto& reg = win.Registry();
    TColorMode mode(reg, user);
    EXPECT_FALSE(mode.Dark());  // no value: the light look

    reg.SetDword(plat::HKEY_CURRENT_USER, kKey, "AppsUseLightTheme", 0);
    EXPECT_TRUE(mode.Refresh());
    EXPECT_TRUE(mode.Dark());
    EXPECT_FALSE(mode.Refresh());
    EXPECT_TRUE(TColorMode(reg, user).Dark());

    user.on = true;
    EXPECT_TRUE(mode.Refresh());
    EXPECT_FALSE(mode.Dark());
    user.on = false;

    reg.SetString(plat::HKEY_CURRENT_USER, kKey, "AppsUseLightTheme", "0");
    EXPECT_FALSE(TColorMode(reg, user).Dark());
    reg.SetDword(plat::HKEY_CURRENT_USER, kKey, "AppsUseLightTheme", 1);
    EXPECT_FALSE(TColorMode(reg, user).Dark());

    EXPECT_TRUE(TColorMode::IsModeChange("ImmersiveColorSet"));
    EXPECT_FALSE(TColorMode::IsModeChange("Environment"));
    EXPECT_FALSE(TColorMode::IsModeChange(nullptr));
}

}  // namespace
