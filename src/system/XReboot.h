#pragma once
// Log off, reboot, shut down, suspend and hibernate.
#include "ui/Component.h"

class TXWinReboot : public TComponent {
public:
    using TComponent::TComponent;
};
