#pragma once
// The shell's folder picker: a modal browse-for-folder dialog that opens on the
// folder chosen last.
#include <cstdint>
#include <string>

#include "platform/shell.h"
#include "ui/Component.h"

enum TBrowseFlag : std::uint32_t {
    bfComputersOnly = 1, bfPrintersOnly = 2, bfDirsOnly = 4, bfStatusText = 8
};

class TFolderBrowser : public TComponent {
public:
    TFolderBrowser(std::string name, plat::IShell& shell, plat::Hwnd owner);

    std::uint32_t BrowseFlags = 0;  // TBrowseFlag bits
    std::string Folder;
    std::string Title = "Select folder";
    plat::Hwnd Owner;

    // True when the user confirmed a folder, which is then in Folder.
    bool Execute();

private:
    plat::IShell& FShell;
};
