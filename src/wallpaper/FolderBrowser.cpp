#include "wallpaper/FolderBrowser.h"

namespace {
constexpr std::uint32_t BIF_RETURNONLYFSDIRS = 0x0001;
constexpr std::uint32_t BIF_STATUSTEXT = 0x0004;
constexpr std::uint32_t BIF_BROWSEFORCOMPUTER = 0x1000;
constexpr std::uint32_t BIF_BROWSEFORPRINTER = 0x2000;
}  // namespace

TFolderBrowser::TFolderBrowser(std::string name, plat::IShell& shell, plat::Hwnd owner)
    : TComponent(std::move(name)), Owner(owner), FShell(shell) {}

bool TFolderBrowser::Execute() {
    plat::BrowseInfo info;
    info.owner = Owner;
    info.title = Title;
    if (BrowseFlags & bfComputersOnly) info.flags |= BIF_BROWSEFORCOMPUTER;
    if (BrowseFlags & bfPrintersOnly) info.flags |= BIF_BROWSEFORPRINTER;
    if (BrowseFlags & bfDirsOnly) info.flags |= BIF_RETURNONLYFSDIRS;
    if (BrowseFlags & bfStatusText) info.flags |= BIF_STATUSTEXT;
    info.initialFolder = Folder;
    // Items outside the file system have no path; the dialog keeps its own state for them.
    info.selChanged = [this](const std::string& path) {
        plat::BrowseSelection reply;
        if (OnChangeFolder && !path.empty()) OnChangeFolder(path, reply.enableOK, reply.statusText);
        return reply;
    };
    std::string path;
    if (!FShell.SHBrowseForFolder(info, path)) return false;
    Folder = path;
    return true;
}
