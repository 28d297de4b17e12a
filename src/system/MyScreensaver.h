#pragma once
// The system screensaver's switch and timeout.
#include "ui/Component.h"

class TMyScreensaver : public TComponent {
public:
    using TComponent::TComponent;
};
