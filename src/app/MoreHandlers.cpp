// The "More" page of the main form: picture types beyond bitmaps and JPEG, the
// shell's scaled layouts, a shuffle without repeats and pausing the timed change.
// Its choices live under a key of their own and are written only when the user
// changes them, so the stored settings of a user who never does stay as they were.
#include <algorithm>

#include "app/MainForm.h"
#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Convert.h"

namespace {

constexpr const char* kPictureMasks = "*.bmp, *.jpg";
constexpr const char* kAllPictureMasks = "*.bmp, *.jpg, *.jpeg, *.png, *.gif, *.tif, *.tiff, *.webp, *.heic";

enum TLayoutChoice { lcWallpaperPage = 0, lcFill = 1, lcFit = 2 };

}  // namespace

void TMainForm::WireMorePage() {
    GroupLayout.SetItemIndex(lcWallpaperPage);
    ckAllPictures.Hint =
        "Browse finds PNG, GIF, TIFF, WebP and HEIC\r\npictures too, not only bitmaps and JPEG";
    GroupLayout.Hint =
        "Fill covers the screen and crops what overflows;\r\n"
        "Fit shows the whole picture. Both keep its proportions";
    ckShuffle.Hint =
        "With \"Randomize wallpapers\": every picture comes\r\n"
        "once before any comes again";
    ckPauseFullScreen.Hint =
        "Holds the timed change while a game, a full-screen\r\nprogram or a presentation runs";
    ckPauseBattery.Hint = "Holds the timed change while the computer runs on battery";
    ckAllPictures.OnClick = [this] { ckAllPicturesClick(); };
    GroupLayout.OnClick = [this] { GroupLayoutClick(); };
    ckShuffle.OnClick = [this] { ckShuffleClick(); };
    ckPauseFullScreen.OnClick = [this] {
        SaveMoreSetting(ckPauseFullScreen.Name(), ckPauseFullScreen.Checked() ? "true" : "false");
    };
    ckPauseBattery.OnClick = [this] {
        SaveMoreSetting(ckPauseBattery.Name(), ckPauseBattery.Checked() ? "true" : "false");
    };
}

void TMainForm::LoadMoreSettings() {
    auto key = plat::RegKey::Open(FPlatform.registry, plat::HKEY_CURRENT_USER, kMoreKey, plat::KEY_READ);
    if (!key.Valid()) return;
    // A value that cannot be read keeps its default; the others still count.
    auto read = [this, &key](const std::string& name) -> std::optional<std::string> {
        try {
            return key.ReadString(name);
        } catch (const EVelantError& error) {
            plat::Trace(FPlatform.kernel, "Reading " + name, error);
            return std::nullopt;
        }
    };
    FLoadingMore = true;
    for (TCheckBox* box : {&ckAllPictures, &ckShuffle, &ckPauseFullScreen, &ckPauseBattery})
        if (auto text = read(box->Name())) {
            const std::string word = LowerCase(TrimControl(*text));
            if (word == "true" || word == "false") box->SetChecked(word == "true");
        }
    if (auto text = read(GroupLayout.Name()))
        if (auto index = TryStrToInt(*text); index && *index >= lcWallpaperPage && *index <= lcFit)
            GroupLayout.SetItemIndex(*index);
    FShuffleOrderStored = read("ShuffleRound").value_or("");
    FShuffle.Load(FShuffleOrderStored, StrToIntDef(read("ShuffleNext").value_or("0"), 0));
    FLoadingMore = false;
}

void TMainForm::SaveMoreSetting(const std::string& name, const std::string& text) {
    if (!FLoadingMore) WriteRegistryText(kMoreKey, name, text);
}

void TMainForm::ckAllPicturesClick() {
    fileScanner.FileMask = ckAllPictures.Checked() ? kAllPictureMasks : kPictureMasks;
    SaveMoreSetting(ckAllPictures.Name(), ckAllPictures.Checked() ? "true" : "false");
}

void TMainForm::GroupLayoutClick() {
    // "Stretch" and "Tile" keep their states for when the page's layout is chosen again.
    const bool wallpaperPage = GroupLayout.ItemIndex() == lcWallpaperPage;
    const char* why = wallpaperPage ? "" : "The layout is chosen on the \"More\" page";
    for (TCheckBox* box : {&ckStretch, &ckTile}) {
        box->SetEnabled(wallpaperPage);
        box->SetHint(why);
    }
    SaveMoreSetting(GroupLayout.Name(), std::to_string(GroupLayout.ItemIndex()));
}

void TMainForm::ckShuffleClick() {
    SaveMoreSetting(ckShuffle.Name(), ckShuffle.Checked() ? "true" : "false");
}

bool TMainForm::ApplyScaleStyle() {
    switch (GroupLayout.ItemIndex()) {
        case lcFill:
            wallpaperSetter.SetScaleStyle(TScaleStyle::ssFill);
            return true;
        case lcFit:
            wallpaperSetter.SetScaleStyle(TScaleStyle::ssFit);
            return true;
        default:
            return false;
    }
}

bool TMainForm::ShuffleWallpaper() {
    const std::vector<std::string> entries = wallpaperList.Items();
    // A picture that cannot be read now uses up its turn; the next one is shown.
    TUnattendedChange change(*this);
    for (std::size_t tried = 0; tried < entries.size(); ++tried) {
        const std::string path = FShuffle.Draw(entries, FPlatform.kernel.GetTickCount() + tried);
        const std::string order = FShuffle.Record();
        if (order != FShuffleOrderStored) {
            WriteRegistryText(kMoreKey, "ShuffleRound", order);
            FShuffleOrderStored = order;
        }
        WriteRegistryText(kMoreKey, "ShuffleNext", std::to_string(FShuffle.Next()));
        const auto at = std::find(entries.begin(), entries.end(), path);
        if (change.Apply(path, static_cast<int>(at - entries.begin()))) return true;
    }
    return false;
}

bool TMainForm::ChangePaused() {
    if (ckPauseFullScreen.Checked()) {
        std::uint32_t state = 0;
        if (FPlatform.shell.SHQueryUserNotificationState(state) == 0 &&
            (state == plat::QUNS_BUSY || state == plat::QUNS_RUNNING_D3D_FULL_SCREEN ||
             state == plat::QUNS_PRESENTATION_MODE))
            return true;
    }
    if (ckPauseBattery.Checked()) {
        plat::SystemPowerStatus status;
        if (FPlatform.power.GetSystemPowerStatus(status) && status.ACLineStatus == plat::AC_LINE_OFFLINE)
            return true;
    }
    return false;
}
