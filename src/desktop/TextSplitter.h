#pragma once
// Splits a text at a separator.
#include <string>
#include <vector>

#include "ui/Component.h"

class TTextSplitter : public TComponent {
public:
    using TComponent::TComponent;
    std::string BreakString;
    std::string BaseString;
    bool AllowEmptyString = false;
    std::vector<std::string> StringList;

    void BreakApart();
};
