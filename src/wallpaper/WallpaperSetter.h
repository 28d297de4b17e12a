#pragma once
// The wallpaper setter: makes a bitmap file the desktop wallpaper and stores the
// shell's layout values (stretched, tiled or centred).
#include <string>

#include "platform/imaging.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/user.h"
#include "ui/Component.h"

// The layouts the shell scales itself, keeping the picture's proportions: Fill
// covers the screen and crops what overflows, Fit shows the whole picture.
enum class TScaleStyle { ssFill, ssFit };

class TWallpaperSetter : public TComponent {
public:
    TWallpaperSetter(std::string name, plat::IKernel& kernel, plat::IRegistry& registry, plat::IUser& user);

    const std::string& FileDir() const { return FFileDir; }
    void SetFileDir(const std::string& value);
    const std::string& FileName() const { return FFileName; }
    // Takes only an existing file whose extension, upper-cased, is ".BMP".
    void SetFileName(const std::string& value);

    bool Tile();
    void SetTile(bool value);
    bool Stretch();
    void SetStretch(bool value);
    // Stores a scaled layout ("WallpaperStyle" "10" or "6", "TileWallpaper" "0")
    // and applies the wallpaper once, with both values in force.
    void SetScaleStyle(TScaleStyle style);
    // What the shell draws a picture in with style: the largest monitor, taken as
    // the widest monitor's width by the highest one's height, so that the picture
    // covers (or fits) every monitor at least as finely as the shell draws it.
    // Empty (the picture at its own size) when the monitors cannot be told.
    plat::ScaleBox DrawingBox(TScaleStyle style);

    virtual void ApplyWallpaper();

private:
    void WriteStyle(const char* name, const char* text);

    plat::IKernel& FKernel;
    plat::IRegistry& FRegistry;
    plat::IUser& FUser;
    std::string FFileDir;
    std::string FFileName;
};
