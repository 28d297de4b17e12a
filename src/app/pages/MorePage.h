#pragma once
// The "More" page: picture types beyond bitmaps and JPEG, the shell's scaled
// layouts, a shuffle without repeats and pausing the timed change. Its choices
// live under a key of their own and are written only when the user changes
// them, so the stored settings of a user who never does stay as they were.
#include <functional>
#include <string>

#include "app/AppContext.h"
#include "app/services/WallpaperRotation.h"
#include "ui/Controls.h"
#include "ui/FormLayout.h"
#include "wallpaper/FileScanner.h"

class TMorePage {
public:
    TMorePage(TAppContext& context, TWallpaperRotation& rotation, TFileScanner& scanner)
        : FContext(context), FRotation(rotation), FScanner(scanner) {}

    TTabSheet tab{"TabSheet5", "More"};
    TCheckBox ckAllPictures{"ckAllPictures", "All picture types", false};
    TRadioGroup GroupLayout{"GroupLayout", "  Picture layout  ", {"As on the Wallpaper page", "Fill", "Fit"}};
    TCheckBox ckShuffle{"ckShuffle", "Shuffle without repeats", false};
    TCheckBox ckPauseFullScreen{"ckPauseFullScreen", "While a full-screen program runs", false};
    TCheckBox ckPauseBattery{"ckPauseBattery", "On battery", false};

    void Wire();
    void AddRows(TFormLayout& rows);
    // Reads the page's choices without writing anything: a user who never
    // changes them leaves no trace of the page.
    void Load(const std::function<TComponent*(const std::string&)>& find);

private:
    TAppContext& FContext;
    TWallpaperRotation& FRotation;
    TFileScanner& FScanner;
};
