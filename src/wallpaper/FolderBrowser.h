#pragma once
// The shell's folder picker.
#include <string>

#include "ui/Component.h"

class TFolderBrowser : public TComponent {
public:
    using TComponent::TComponent;
    std::string Folder;
};
