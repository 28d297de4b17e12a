#pragma once
// Message box and the common dialogs (colour, open, save) behind IDialogs.
#include <array>
#include <string>

#include "platform/dialogs.h"

namespace win32 {

class Win32Dialogs final : public plat::IDialogs {
public:
    Win32Dialogs();

    int MessageBox(plat::Hwnd owner, const std::string& text, const std::string& caption,
                   std::uint32_t type) override;
    bool ChooseColor(plat::Hwnd owner, plat::ColorRef& color) override;
    bool GetOpenFileName(plat::FileDialogOptions& options) override;
    bool GetSaveFileName(plat::FileDialogOptions& options) override;

    // "Name|*.a;*.b|Name|*.c" as the program states it, in the NUL-separated,
    // double-NUL-terminated form the dialogs read.
    static std::string ConvertFilter(const std::string& filter);

private:
    // The colour dialog's custom colours live as long as the program, and the
    // last confirmed colour is offered among them next time.
    std::array<plat::ColorRef, 16> FCustomColors;
};

}  // namespace win32
