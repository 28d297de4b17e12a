#pragma once
// The folder scanner that fills the wallpaper list.
#include <string>

#include "ui/Component.h"

class TFilesScan : public TComponent {
public:
    using TComponent::TComponent;
    std::string ScanDir;
    std::string Masks = "*.bmp, *.jpg";
};
