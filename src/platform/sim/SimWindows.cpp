#include "platform/sim/SimWindows.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "platform/constants.h"

namespace sim {

std::filesystem::path SimWindows::MakeTempRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velant-sim-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    return pattern;
}

SimWindows::SimWindows() : SimWindows(MakeTempRoot()) { ownsRoot_ = true; }

SimWindows::SimWindows(const std::filesystem::path& root)
    : root_(root),
      ownsRoot_(false),
      registry_(journal_),
      user_(journal_, clock_, registry_),
      kernel_(journal_, clock_, root_),
      shell_(journal_, user_, kernel_),
      multimedia_(journal_),
      power_(journal_),
      dialogs_(journal_),
      imaging_(journal_) {
    user_.CreateShellWindows();
    // Every Windows has these, spelt so; keys keep the case they were created with.
    registry_.CreateKey(plat::HKEY_CURRENT_USER, "Software");
    registry_.CreateKey(plat::HKEY_LOCAL_MACHINE, "SOFTWARE");
    const char* desktop = "Control Panel\\Desktop";
    registry_.SetString(plat::HKEY_CURRENT_USER, desktop, "ScreenSaveActive",
                        user_.ScreenSaverActive() ? "1" : "0");
    registry_.SetString(plat::HKEY_CURRENT_USER, desktop, "ScreenSaveTimeOut",
                        std::to_string(user_.ScreenSaverTimeout()));
    registry_.SetString(plat::HKEY_CURRENT_USER, desktop, "Wallpaper", user_.Wallpaper());
    registry_.SetString(plat::HKEY_CURRENT_USER, desktop, "DragFullWindows",
                        user_.DragFullWindows() ? "1" : "0");
}

SimWindows::~SimWindows() {
    if (ownsRoot_) {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
}

Held SimWindows::Holding() const {
    Held h;
    h.windows = user_.ProgramWindows().size();
    h.timers = user_.TimerCount();
    h.hotKeys = user_.HotKeys().size();
    h.menus = user_.LiveMenuCount();
    h.icons = user_.LiveIconCount();
    h.trayIcons = shell_.Icons().size();
    h.registryKeys = registry_.OpenHandleCount();
    h.findHandles = kernel_.FindHandleCount();
    h.kernelObjects = kernel_.OpenHandleCount() - h.findHandles;
    h.watches = kernel_.WatchCount();
    h.idLists = shell_.LiveIdLists();
    return h;
}

plat::Platform SimWindows::platform() {
    return plat::Platform{user_, registry_, shell_, kernel_, multimedia_, power_, dialogs_, imaging_};
}

}  // namespace sim
