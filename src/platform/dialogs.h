#pragma once
// Dialogs: message box, colour, open and save dialogs.
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

struct FileDialogOptions {
    Hwnd owner = 0;
    std::string title;
    std::string filter;  // "Name|*.a;*.b|Name|*.c" as the program states it
    std::string defaultExt;
    std::string fileName;    // in: initial, out: chosen
    std::string initialDir;  // the folder the dialog opens in; empty: the system's choice
};

class IDialogs {
public:
    virtual ~IDialogs() = default;

    virtual int MessageBox(Hwnd owner, const std::string& text, const std::string& caption,
                           std::uint32_t type) = 0;
    // colour is in/out; true when the user confirmed.
    virtual bool ChooseColor(Hwnd owner, ColorRef& color) = 0;
    virtual bool GetOpenFileName(FileDialogOptions& options) = 0;
    virtual bool GetSaveFileName(FileDialogOptions& options) = 0;
};

}  // namespace plat
