#pragma once
// Watches a folder for changes and tells the form, coalesced.
#include <string>

#include "ui/Component.h"

class TRxFolderMonitor : public TComponent {
public:
    using TComponent::TComponent;
    int DelayTime = 500;
    std::string FolderName;
    bool Active = false;
};
