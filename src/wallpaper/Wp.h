#pragma once
// The wallpaper setter: makes a bitmap file the desktop wallpaper.
#include <string>

#include "ui/Component.h"

class TWPChange : public TComponent {
public:
    using TComponent::TComponent;
    std::string FileDir = "C:\\WINDOWS";
    std::string FileName;
};
