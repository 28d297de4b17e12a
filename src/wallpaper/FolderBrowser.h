#pragma once
// The shell's folder picker: a modal browse-for-folder dialog that opens on the
// folder chosen last.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/shell.h"
#include "ui/Component.h"

enum TBrowseFlag : std::uint32_t {
    bfComputersOnly = 1,
    bfPrintersOnly = 2,
    bfDirsOnly = 4,
    bfStatusText = 8
};

// The selection in the open dialog changed to Folder. EnabledOK comes in as -1
// and StatusText empty; a handler that sets EnabledOK (0 disables OK, anything
// else enables it) or StatusText has the dialog show it.
using TFolderChangeEvent =
    std::function<void(const std::string& Folder, int& EnabledOK, std::string& StatusText)>;

class TFolderBrowser : public TComponent {
public:
    TFolderBrowser(std::string name, plat::IShell& shell, plat::Hwnd owner);

    std::uint32_t BrowseFlags = 0;  // TBrowseFlag bits
    std::string Folder;
    std::string Title = "Select folder";
    plat::Hwnd Owner;
    TFolderChangeEvent OnChangeFolder;

    // True when the user confirmed a folder, which is then in Folder.
    bool Execute();

private:
    plat::IShell& FShell;
};
