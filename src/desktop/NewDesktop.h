#pragma once
// Desktop icons, taskbar parts and icon caption colours.
#include "ui/Component.h"

class TNewDesktop : public TComponent {
public:
    using TComponent::TComponent;
};
