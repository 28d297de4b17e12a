#pragma once
// The owner-drawn renderer of the tray popup menu.
#include <string>

#include "ui/Component.h"

class TCoolMenu : public TComponent {
public:
    using TComponent::TComponent;
    std::string Caption = "Velant! Pro 2001";
};
