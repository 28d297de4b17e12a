#include "app/pages/MorePage.h"

#include "app/resources/resource.h"
#include "app/settings/Settings.h"

namespace {

constexpr const char* kPictureMasks = "*.bmp, *.jpg";
constexpr const char* kAllPictureMasks = "*.bmp, *.jpg, *.jpeg, *.png, *.gif, *.tif, *.tiff, *.webp, *.heic";

}  // namespace

void TMorePage::Wire() {
    GroupLayout.SetItemIndex(0);
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
    ckAllPictures.OnClick = [this] {
        FScanner.FileMask = ckAllPictures.Checked() ? kAllPictureMasks : kPictureMasks;
        FContext.settings.Save(ckAllPictures, TStoredIn::MoreKey);
    };
    GroupLayout.OnClick = [this] {
        FRotation.LayoutChosen();
        FContext.settings.Save(GroupLayout, TStoredIn::MoreKey);
    };
    for (TCheckBox* box : {&ckShuffle, &ckPauseFullScreen, &ckPauseBattery})
        box->OnClick = [this, box] { FContext.settings.Save(*box, TStoredIn::MoreKey); };
}

void TMorePage::AddRows(TFormLayout& rows) {
    // Kept under their own key by the page itself, never by the settings store.
    rows.insert(rows.end(), {
                                {ckAllPictures, tab, IDC_CKALLPICTURES},
                                {GroupLayout, tab, IDC_GROUPLAYOUT},
                                {ckShuffle, tab, IDC_CKSHUFFLE},
                                {ckPauseFullScreen, tab, IDC_CKPAUSEFULLSCREEN},
                                {ckPauseBattery, tab, IDC_CKPAUSEBATTERY},
                            });
}

void TMorePage::Load(const std::function<TComponent*(const std::string&)>& find) {
    FContext.settings.LoadMoreKey(find);
    FRotation.LoadShuffle();
}
