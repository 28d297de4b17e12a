#pragma once
// The form's dialog components, holding their design values.
#include <string>

#include "ui/Component.h"

class TColorDialog : public TComponent {
public:
    using TComponent::TComponent;
    unsigned Color = 0;  // black until the user picks one
};

class TFileDialog : public TComponent {
public:
    using TComponent::TComponent;
    std::string Title;
    std::string Filter;
    std::string DefaultExt;
    std::string FileName;
};

class TSaveDialog : public TFileDialog {
public:
    using TFileDialog::TFileDialog;
};

class TOpenPictureDialog : public TFileDialog {
public:
    using TFileDialog::TFileDialog;
};
