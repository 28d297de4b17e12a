#pragma once
// The wallpaper list's rotation: the next entry in order, at random or in a
// shuffled round, stepping over pictures that are missing or cannot be read; the
// timed change with its pause rules and countdown; the bitmap the shell shows.
#include <optional>
#include <set>
#include <string>

#include "app/AppContext.h"
#include "app/ShuffleRound.h"
#include "app/services/DesktopLook.h"
#include "desktop/SystemPath.h"
#include "platform/error.h"
#include "ui/Controls.h"
#include "wallpaper/Picture.h"
#include "wallpaper/WallpaperSetter.h"

// The choices of the "Wallpaper" and "More" pages the rotation follows.
struct TRotationControls {
    TListBox& list;
    TImage& preview;
    TCheckBox& random;
    TCheckBox& stretch;
    TCheckBox& tile;
    TCheckBox& changeEvery;
    TEdit& interval;  // minutes
    TCheckBox& allPictures;
    TRadioGroup& layout;
    TCheckBox& shuffle;
    TCheckBox& pauseFullScreen;
    TCheckBox& pauseBattery;
};

class TWallpaperRotation {
public:
    TWallpaperRotation(TAppContext& context, TWallpaperSetter& setter, TSystemPath& paths, TDesktopLook& look,
                       TRotationControls controls)
        : FContext(context), FSetter(setter), FPaths(paths), FLook(look), FControls(controls) {}

    // Finds the bitmap's folder: the setter shows what an earlier run left there.
    void SetUp();
    // The next entry becomes the wallpaper (order, random or shuffle).
    void ChangeWallpaper();
    // A change asked for from the menu or a hotkey: the desktop's colours follow.
    void ChangeWallpaperNow();
    void ApplySelectedWallpaper();
    // Steps after the existence check: the picture becomes the wallpaper bitmap.
    void ApplyWallpaperFile(const std::string& path);
    // How a list entry is read: the system's codecs only with "All picture types".
    TPictureKind KindOf(const std::string& path) const;
    // The one bitmap file the program hands to the shell as the wallpaper, in
    // its folder of the user's local application data.
    std::string WallpaperBitmapPath() const;
    void ClearPreview();

    // One minute of the timed change.
    void TimerTick();
    void StartCountdown();
    int MinutesLeft = 0;

    // The "More" page's layout choice changed: "Stretch" and "Tile" act only
    // with the "Wallpaper" page's layout, and keep their states for it.
    void LayoutChosen();
    // Reads the stored shuffled round.
    void LoadShuffle();

private:
    // One change nobody asked for at that moment (timer, hotkey, menu, start-up):
    // Apply selects and applies an entry, or steps over it when it is missing or
    // cannot be read; the first new failure is reported when the change ends.
    class TUnattendedChange {
    public:
        explicit TUnattendedChange(TWallpaperRotation& rotation) : FRotation(rotation) {}
        ~TUnattendedChange();
        TUnattendedChange(const TUnattendedChange&) = delete;
        TUnattendedChange& operator=(const TUnattendedChange&) = delete;
        bool Apply(const std::string& path, int index);

    private:
        TWallpaperRotation& FRotation;
        std::optional<EVelantError> FFirstFailure;
    };

    std::string FindWallpaperFolder();
    // Creates the bitmap's folder when it is missing.
    void MakeWallpaperFolder();
    // Fill or Fit chosen: the style is stored and the wallpaper applied; false
    // leaves the layout to "Stretch" and "Tile".
    bool ApplyScaleStyle();
    // What Fill or Fit draws the picture in; empty for the other page's layouts.
    plat::ScaleBox LayoutBox();
    // The timed change's shuffled draw; false when no entry could be read.
    bool ShuffleWallpaper();
    // The user is busy in a way the switches ask the timed change to wait for.
    bool ChangePaused();

    TAppContext& FContext;
    TWallpaperSetter& FSetter;
    TSystemPath& FPaths;
    TDesktopLook& FLook;
    TRotationControls FControls;
    std::string FWallpaperFolder;
    // The pictures an unattended change could not read, reported once a run.
    std::set<std::string> FUnreadablePictures;
    TShuffleRound FShuffle;
    std::string FShuffleOrderStored;
};
