#include "app/services/WallpaperRotation.h"

#include <algorithm>
#include <random>

#include "app/settings/Settings.h"
#include "platform/Owned.h"
#include "platform/constants.h"
#include "ui/Convert.h"
#include "wallpaper/Jpeg.h"
#include "wallpaper/SafeFile.h"

namespace {

enum TLayoutChoice { lcWallpaperPage = 0, lcFill = 1, lcFit = 2 };

}  // namespace

void TWallpaperRotation::SetUp() {
    FWallpaperFolder = FindWallpaperFolder();
    // The setter's own pictures, shown until the first change, are the bitmap
    // an earlier run left there.
    FSetter.SetFileDir(FWallpaperFolder);
}

// The system's codecs read pictures only for a user who asked for every picture
// type on the "More" page; otherwise a PNG in a stored list is an entry of an
// unknown kind, as it always was.
TPictureKind TWallpaperRotation::KindOf(const std::string& path) const {
    const TPictureKind kind = PictureKindOf(path);
    return kind == TPictureKind::pkSystem && !FControls.allPictures.Checked() ? TPictureKind::pkNone : kind;
}

// A user without administrator rights may not write into the Windows folder, so
// the bitmap lives in the user's own local application data.
std::string TWallpaperRotation::FindWallpaperFolder() {
    auto& shell = FContext.platform.shell;
    std::string base;
    plat::Pidl list = 0;
    if (shell.SHGetSpecialFolderLocation(0, plat::CSIDL_LOCAL_APPDATA, list) == 0 && list) {
        const plat::TOwnedIdList owned(shell, list);
        shell.SHGetPathFromIDList(list, base);
    }
    if (base.empty()) base = FPaths.LocalAppData;
    return base.empty() ? FPaths.Windows : base + "\\Velant! Pro 2001";
}

std::string TWallpaperRotation::WallpaperBitmapPath() const {
    return FWallpaperFolder + "\\Velant! Pro 2001 wallpaper.bmp";
}

void TWallpaperRotation::MakeWallpaperFolder() {
    auto& k = FContext.platform.kernel;
    const auto attrs = k.GetFileAttributes(FWallpaperFolder);
    if (attrs != plat::INVALID_FILE_ATTRIBUTES && (attrs & plat::FILE_ATTRIBUTE_DIRECTORY)) return;
    if (k.CreateDirectory(FWallpaperFolder)) return;
    throw plat::FileError(k, "create folder", FWallpaperFolder, static_cast<long>(k.GetLastError()));
}

void TWallpaperRotation::ClearPreview() { FControls.preview.SetPicture(nullptr); }

void TWallpaperRotation::ChangeWallpaper() {
    TListBox& list = FControls.list;
    const int count = list.Count();
    if (count < 1) return;
    if (count >= 2 && FControls.random.Checked() && FControls.shuffle.Checked()) {
        ShuffleWallpaper();
        return;
    }
    // A one-entry list is applied too: its entry is the wallpaper. From no
    // selection or the last entry, the sequence starts again at the first.
    int next = count == 1 ? 0 : (list.ItemIndex() + 1) % count;
    if (count >= 2 && FControls.random.Checked()) {
        std::mt19937 random(FContext.platform.kernel.GetTickCount());
        std::uniform_int_distribution<int> pick(0, count - 1);
        next = pick(random);
    }
    // A picture on a drive or share that is away for the moment, or one that
    // cannot be read, keeps its place in the list; the change goes on with the
    // next entry that can be read.
    TUnattendedChange change(*this);
    for (int tried = 0; tried < count; ++tried) {
        const int index = (next + tried) % count;
        if (change.Apply(list.Items()[index], index)) return;
    }
}

void TWallpaperRotation::ChangeWallpaperNow() {
    ChangeWallpaper();
    FLook.ApplyIconColors();
}

TWallpaperRotation::TUnattendedChange::~TUnattendedChange() {
    if (FFirstFailure) FRotation.FContext.app.HandleException(*FFirstFailure);
}

bool TWallpaperRotation::TUnattendedChange::Apply(const std::string& path, int index) {
    TWallpaperRotation& r = FRotation;
    if (!FileExists(r.FContext.platform.kernel, path)) return false;
    // A folder that cannot be made is no fault of the picture's: the change ends there.
    if (r.KindOf(path) != TPictureKind::pkNone) r.MakeWallpaperFolder();
    const int selected = r.FControls.list.ItemIndex();
    r.FControls.list.SetItemIndex(index);
    try {
        r.ApplyWallpaperFile(path);
        return true;
    } catch (const std::exception& error) {
        r.FControls.list.SetItemIndex(selected);
        // Nobody may be there to click a box away at every round: each picture
        // is reported once a run, and one change shows one box at most.
        if (!r.FUnreadablePictures.insert(path).second || FFirstFailure)
            plat::Trace(r.FContext.platform.kernel, "Changing the wallpaper", error);
        else
            FFirstFailure.emplace(error.what());
        return false;
    }
}

void TWallpaperRotation::ApplySelectedWallpaper() {
    TListBox& list = FControls.list;
    const int index = list.ItemIndex();
    if (list.Count() < 1 || index < 0) return;
    const std::string path = list.Items()[index];
    if (!FileExists(FContext.platform.kernel, path)) {
        list.Delete(index);
        return;
    }
    ApplyWallpaperFile(path);
}

void TWallpaperRotation::ApplyWallpaperFile(const std::string& path) {
    if (KindOf(path) != TPictureKind::pkNone) {
        MakeWallpaperFolder();
        try {
            ConvertPictureToBitmap(FContext.platform.kernel, FContext.platform.imaging, path,
                                   WallpaperBitmapPath(), LayoutBox());
        } catch (const std::exception& error) {
            // A change the timer made while the user looked elsewhere must say
            // which picture of the list is at fault.
            const std::string text = error.what();
            if (text.find(path) != std::string::npos) throw;
            throw EVelantError(path + ": " + text);
        }
        ClearPreview();
        FSetter.SetFileName(WallpaperBitmapPath());
    }
    // Any other file writes nothing: the current bitmap (or the setter's own
    // choice when there is none yet) is shown again in the current style.
    if (ApplyScaleStyle()) return;
    FSetter.SetStretch(FControls.stretch.Checked());
    FSetter.SetTile(FControls.tile.Checked());
}

void TWallpaperRotation::StartCountdown() { MinutesLeft = StrToIntDef(FControls.interval.Text(), 0); }

void TWallpaperRotation::TimerTick() {
    if (!FControls.changeEvery.Checked()) return;
    // A change that falls due while the user is busy waits for the first tick
    // after: one change then, not the ones missed.
    if (MinutesLeft == 1 && ChangePaused()) return;
    --MinutesLeft;
    if (MinutesLeft != 0) return;
    // An interval that cannot be read back keeps the one in the box: the
    // countdown starts again either way.
    try {
        FContext.settings.Reload(FControls.interval, TStoredIn::MainMirror);
    } catch (const EVelantError& error) {
        plat::Trace(FContext.platform.kernel, "Reading " + FControls.interval.Name(), error);
    }
    StartCountdown();
    ChangeWallpaperNow();
}

void TWallpaperRotation::LayoutChosen() {
    const bool wallpaperPage = FControls.layout.ItemIndex() == lcWallpaperPage;
    const char* why = wallpaperPage ? "" : "The layout is chosen on the \"More\" page";
    for (TCheckBox* box : {&FControls.stretch, &FControls.tile}) {
        box->SetEnabled(wallpaperPage);
        box->SetHint(why);
    }
}

bool TWallpaperRotation::ApplyScaleStyle() {
    switch (FControls.layout.ItemIndex()) {
        case lcFill:
            FSetter.SetScaleStyle(TScaleStyle::ssFill);
            return true;
        case lcFit:
            FSetter.SetScaleStyle(TScaleStyle::ssFit);
            return true;
        default:
            return false;
    }
}

// Fill and Fit shrink a large picture to the monitor anyway: converting it at
// that size saves the decoding and the writing of pixels nobody sees.
plat::ScaleBox TWallpaperRotation::LayoutBox() {
    switch (FControls.layout.ItemIndex()) {
        case lcFill:
            return FSetter.DrawingBox(TScaleStyle::ssFill);
        case lcFit:
            return FSetter.DrawingBox(TScaleStyle::ssFit);
        default:
            return {};
    }
}

void TWallpaperRotation::LoadShuffle() {
    auto read = [this](const char* name) -> std::optional<std::string> {
        try {
            return FContext.settings.ReadText(TStoredIn::MoreKey, name);
        } catch (const EVelantError& error) {
            plat::Trace(FContext.platform.kernel, std::string("Reading ") + name, error);
            return std::nullopt;
        }
    };
    FShuffleOrderStored = read("ShuffleRound").value_or("");
    FShuffle.Load(FShuffleOrderStored, StrToIntDef(read("ShuffleNext").value_or("0"), 0));
}

bool TWallpaperRotation::ShuffleWallpaper() {
    const std::vector<std::string> entries = FControls.list.Items();
    // A picture that cannot be read now uses up its turn; the next one is shown.
    TUnattendedChange change(*this);
    for (std::size_t tried = 0; tried < entries.size(); ++tried) {
        const std::string path = FShuffle.Draw(entries, FContext.platform.kernel.GetTickCount() + tried);
        const std::string order = FShuffle.Record();
        if (order != FShuffleOrderStored) {
            FContext.settings.WriteText(TStoredIn::MoreKey, "ShuffleRound", order);
            FShuffleOrderStored = order;
        }
        FContext.settings.WriteText(TStoredIn::MoreKey, "ShuffleNext", std::to_string(FShuffle.Next()));
        const auto at = std::find(entries.begin(), entries.end(), path);
        if (change.Apply(path, static_cast<int>(at - entries.begin()))) return true;
    }
    return false;
}

bool TWallpaperRotation::ChangePaused() {
    auto& p = FContext.platform;
    if (FControls.pauseFullScreen.Checked()) {
        std::uint32_t state = 0;
        if (p.shell.SHQueryUserNotificationState(state) == 0 &&
            (state == plat::QUNS_BUSY || state == plat::QUNS_RUNNING_D3D_FULL_SCREEN ||
             state == plat::QUNS_PRESENTATION_MODE))
            return true;
    }
    if (FControls.pauseBattery.Checked()) {
        plat::SystemPowerStatus status;
        if (p.power.GetSystemPowerStatus(status) && status.ACLineStatus == plat::AC_LINE_OFFLINE) return true;
    }
    return false;
}
