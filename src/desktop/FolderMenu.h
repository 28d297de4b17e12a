#pragma once
// Fills a menu item's submenu with a folder's entries.
#include <string>

#include "ui/Component.h"

class TFolderMenu : public TComponent {
public:
    using TComponent::TComponent;
    std::string FolderName;
    // Refills the submenu from the folder.
    void Rebuild() {}
};
