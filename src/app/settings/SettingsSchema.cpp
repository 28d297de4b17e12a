#include "app/settings/SettingsSchema.h"

#include <algorithm>

namespace {

using S = TStoredIn;
using T = TValueType;

// The store's rows keep the numbers of their place in the order of writing and
// restoring: outside readers depend on it, so a new value goes last.
const std::vector<TSettingRow> kSchema = {
    {"lblIcon", "Color", S::Section, T::Color, "", 0},
    {"lblIcon", "Font", S::Section, T::Font, "", 1},
    {"lblIcon", "Transparent", S::Section, T::Bool, "", 2},
    {"ckTransparent", "Checked", S::Section, T::Bool, "", 3},
    {"ckArrows", "Checked", S::Section, T::Bool, "", 4},
    {"ckMycomputer", "Checked", S::Section, T::Bool, "", 5},
    {"ckDesktop", "Checked", S::Section, T::Bool, "", 6},
    {"ckControlPanel", "Checked", S::Section, T::Bool, "", 7},
    {"ckClearRecent", "Checked", S::Section, T::Bool, "", 8},
    {"ckCdRom", "Checked", S::Section, T::Bool, "", 9},
    {"ckChangeW", "Checked", S::Section, T::Bool, "", 10},
    {"ckHide", "Checked", S::Section, T::Bool, "", 11},
    {"ckPower", "Checked", S::Section, T::Bool, "", 12},
    {"ckStartScr", "Checked", S::Section, T::Bool, "", 13},
    {"ckEnableScr", "Checked", S::Section, T::Bool, "", 14},
    {"GroupPriority", "ItemIndex", S::Section, T::Int, "", 15},
    {"ckKeepScrDisabled", "Checked", S::Section, T::Bool, "", 16},
    {"ckHotEnable", "Checked", S::Section, T::Bool, "", 17},
    {"ckHotWall", "Checked", S::Section, T::Bool, "", 18},
    {"ckHotScr", "Checked", S::Section, T::Bool, "", 19},
    {"ckHotHideIcons", "Checked", S::Section, T::Bool, "", 20},
    {"ckAutorun", "Checked", S::Section, T::Bool, "", 21},
    {"ckAutorunScr", "Checked", S::Section, T::Bool, "", 22},
    {"ckWinClock", "Checked", S::Section, T::Bool, "", 23},
    {"edtDate", "Text", S::Section, T::Text, "", 24},
    {"edtTime", "Text", S::Section, T::Text, "", 25},
    {"WallList", "Items", S::ListEntry, T::Strings, "", 26},
    {"ckWallStartup", "Checked", S::Section, T::Bool, "", 27},
    {"ckWallRandom", "Checked", S::Section, T::Bool, "", 28},
    {"ckStretch", "Checked", S::Section, T::Bool, "", 29},
    {"ckTile", "Checked", S::Section, T::Bool, "", 30},
    {"ckChangeWp", "Checked", S::Section, T::Bool, "", 31},
    {"CheckTime", "Text", S::Section, T::Text, "", 32},
    {"ckDesktopIcons", "Checked", S::Section, T::Bool, "", 33},
    {"ckScrEnable", "Checked", S::Section, T::Bool, "", 34},
    {"ckStartButton", "Checked", S::Section, T::Bool, "", 35},
    {"ckTaskbar", "Checked", S::Section, T::Bool, "", 36},
    {"ckTrayClock", "Checked", S::Section, T::Bool, "", 37},
    {"ScrTimeout", "Value", S::Section, T::Int, "", 38},
    {"ckClearRecDocs", "Checked", S::Section, T::Bool, "", 39},
    {"ckAWinTrack", "Checked", S::Section, T::Bool, "", 40},
    {"ckHotCd", "Checked", S::Section, T::Bool, "", 41},
    {"ckHotShutdown", "Checked", S::Section, T::Bool, "", 42},
    {"ckCPU", "Checked", S::Section, T::Bool, "", 43},
    {"ckTransparency", "Checked", S::Section, T::Bool, "", 44},
    {"SubDontaskconfirm", "Checked", S::Section, T::Bool, "", 45},
    {"ckCheckTrans", "Checked", S::Section, T::Bool, "", 46},

    // Written by the handlers as the user changes them, for outside readers.
    {"ckWallStartup", "Checked", S::MainMirror, T::Bool, "false"},
    {"ckChangeWp", "Checked", S::MainMirror, T::Bool, "false"},
    {"ckStretch", "Checked", S::MainMirror, T::Bool, "false"},
    {"ckTile", "Checked", S::MainMirror, T::Bool, "false"},
    {"ckWallRandom", "Checked", S::MainMirror, T::Bool, "false"},
    {"CheckTime", "Text", S::MainMirror, T::Text, ""},
    {"GroupPriority", "ItemIndex", S::MainMirror, T::Int, "1"},
    {"ckScrEnable", "Checked", S::MainMirror, T::Bool, "false"},
    {"ckHotEnable", "Checked", S::MainMirror, T::Bool, "false"},
    {"ckMycomputer", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckDesktop", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckControlPanel", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckCdRom", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckClearRecent", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckChangeW", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckHide", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckPower", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckStartScr", "Checked", S::MainMirror, T::Bool, "true"},
    {"ckEnableScr", "Checked", S::MainMirror, T::Bool, "true"},
    // "ScreenSaveActive,ScreenSaveTimeOut" of the profile as the program last saw it.
    {"ScreensaverProfile", "", S::MainMirror, T::Text, ""},

    // The "More" page's choices: a missing value is the program's behaviour without them.
    {"ckAllPictures", "Checked", S::MoreKey, T::Bool, "false"},
    {"ckShuffle", "Checked", S::MoreKey, T::Bool, "false"},
    {"ckPauseFullScreen", "Checked", S::MoreKey, T::Bool, "false"},
    {"ckPauseBattery", "Checked", S::MoreKey, T::Bool, "false"},
    {"GroupLayout", "ItemIndex", S::MoreKey, T::Int, "0", -1, 0, 2},
    {"ShuffleRound", "", S::MoreKey, T::Text, ""},
    {"ShuffleNext", "", S::MoreKey, T::Int, "0"},

    // The list as the "Save", "Browse" and export write it for outside readers.
    {"WallList", "Items", S::ListExport, T::Strings, ""},
};

}  // namespace

const std::vector<TSettingRow>& SettingsSchema() { return kSchema; }

const TSettingRow* FindSetting(const std::string& name, TStoredIn where) {
    for (const TSettingRow& row : kSchema)
        if (row.where == where && name == row.name) return &row;
    return nullptr;
}

std::vector<std::string> StoredProperties() {
    std::vector<const TSettingRow*> rows;
    for (const TSettingRow& row : kSchema)
        if (row.where == TStoredIn::Section || row.where == TStoredIn::ListEntry) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->order < b->order; });
    std::vector<std::string> names;
    for (const TSettingRow* row : rows) names.push_back(std::string(row->name) + "." + row->property);
    return names;
}
