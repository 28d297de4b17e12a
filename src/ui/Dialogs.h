#pragma once
// The form's dialog components, holding their design values.
#include <string>

#include "platform/dialogs.h"
#include "ui/Component.h"

class TColorDialog : public TComponent {
public:
    using TComponent::TComponent;
    unsigned Color = 0;  // black until the user picks one

    // Opens on the colour chosen last; true when the user confirmed.
    bool Execute(plat::IDialogs& dialogs, plat::Hwnd owner) {
        plat::ColorRef chosen = Color;
        if (!dialogs.ChooseColor(owner, chosen)) return false;
        Color = chosen;
        return true;
    }
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
