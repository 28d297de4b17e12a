#pragma once
// The locations of the system's and the user's standard folders.
#include <string>

#include "ui/Component.h"

class TSystemPath : public TComponent {
public:
    using TComponent::TComponent;
};
