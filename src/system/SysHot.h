#pragma once
// The system-wide hotkey list.
#include "ui/Component.h"

class TSysHotKey : public TComponent {
public:
    using TComponent::TComponent;
    bool Active = true;
};
