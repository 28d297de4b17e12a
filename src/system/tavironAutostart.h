#pragma once
// The logon entry that starts the program with the user's session.
#include <string>

#include "ui/Component.h"

class TTavironAutostart : public TComponent {
public:
    using TComponent::TComponent;
    std::string AppName = "Velant! Pro 2001";
};
