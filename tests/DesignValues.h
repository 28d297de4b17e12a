// The stored properties in their order, as value names with the texts the
// window's design gives them. Shared by the host tests of the store and the
// end-to-end test of the real program, so both pin the same layout.
#pragma once

#include <utility>

namespace velant_test {

// The wallpaper list (entry 27) lives in a key of its own and is left out here.
inline constexpr std::pair<const char*, const char*> kDesignValues[] = {
    {"lblIcon_Color", "12632256"},
    {"lblIcon_FontCharset", "1"},
    {"lblIcon_FontColor", "65280"},
    {"lblIcon_FontHeight", "-11"},
    {"lblIcon_FontName", "MS Sans Serif"},
    {"lblIcon_FontPitch", "fpDefault"},
    {"lblIcon_FontSize", "8"},
    {"lblIcon_FontStyle", "[]"},
    {"lblIcon_Transparent", "True"},
    {"ckTransparent_Checked", "True"},
    {"ckArrows_Checked", "False"},
    {"ckMycomputer_Checked", "True"},
    {"ckDesktop_Checked", "True"},
    {"ckControlPanel_Checked", "True"},
    {"ckClearRecent_Checked", "True"},
    {"ckCdRom_Checked", "True"},
    {"ckChangeW_Checked", "True"},
    {"ckHide_Checked", "True"},
    {"ckPower_Checked", "True"},
    {"ckStartScr_Checked", "True"},
    {"ckEnableScr_Checked", "True"},
    {"GroupPriority_ItemIndex", "-1"},
    {"ckKeepScrDisabled_Checked", "False"},
    {"ckHotEnable_Checked", "False"},
    {"ckHotWall_Checked", "False"},
    {"ckHotScr_Checked", "False"},
    {"ckHotHideIcons_Checked", "False"},
    {"ckAutorun_Checked", "True"},
    {"ckAutorunScr_Checked", "False"},
    {"ckWinClock_Checked", "False"},
    {"edtDate_Text", "'Today is: ' dd.mm.yyyy"},
    {"edtTime_Text", "'Time is: ' hh.mm.ss"},
    {"ckWallStartup_Checked", "False"},
    {"ckWallRandom_Checked", "False"},
    {"ckStretch_Checked", "False"},
    {"ckTile_Checked", "False"},
    {"ckChangeWp_Checked", "False"},
    {"CheckTime_Text", "15"},
    {"ckDesktopIcons_Checked", "True"},
    {"ckScrEnable_Checked", "False"},
    {"ckStartButton_Checked", "True"},
    {"ckTaskbar_Checked", "True"},
    {"ckTrayClock_Checked", "True"},
    {"ScrTimeout_Value", "0"},
    {"ckClearRecDocs_Checked", "False"},
    {"ckAWinTrack_Checked", "False"},
    {"ckHotCd_Checked", "False"},
    {"ckHotShutdown_Checked", "False"},
    {"ckCPU_Checked", "False"},
    {"ckTransparency_Checked", "False"},
    {"SubDontaskconfirm_Checked", "False"},
    {"ckCheckTrans_Checked", "False"},
};

}  // namespace velant_test
