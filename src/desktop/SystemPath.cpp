#include "desktop/SystemPath.h"

#include <utility>

#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"

namespace {

// Reads each named string value of a key into its property. One value of
// another type leaves that property empty instead of failing the whole window.
void ReadGroup(plat::IKernel& kernel, plat::IRegistry& registry, plat::Hkey root, const char* path,
               std::initializer_list<std::pair<std::string*, const char*>> values) {
    // Reading only: more is refused on the machine's keys to a user without
    // administrator rights.
    auto key = plat::RegKey::Open(registry, root, path, plat::KEY_READ);
    if (!key.Valid()) return;
    for (const auto& [target, name] : values) {
        try {
            *target = key.ReadString(name).value_or("");
        } catch (const EVelantError& error) {
            plat::Trace(kernel, std::string("Reading ") + name, error);
            target->clear();
        }
    }
}

}  // namespace

TSystemPath::TSystemPath(std::string name, plat::IKernel& kernel, plat::IRegistry& registry)
    : TComponent(std::move(name)) {
    Windows = kernel.GetWindowsDirectory();
    System = kernel.GetSystemDirectory();
    Temp = kernel.GetTempPath();
    ReadGroup(kernel, registry, plat::HKEY_CURRENT_USER,
              "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
              {{&AppData, "AppData"},
               {&Cache, "Cache"},
               {&Cookies, "Cookies"},
               {&DeskTop, "DeskTop"},
               {&Favorites, "Favorites"},
               {&Fonts, "Fonts"},
               {&History, "History"},
               {&NetHood, "NetHood"},
               {&Personal, "Personal"},
               {&PrintHood, "PrintHood"},
               {&Programs, "Programs"},
               {&Recent, "Recent"},
               {&SendTo, "SendTo"},
               {&StartMenu, "Start Menu"},
               {&StartUp, "StartUp"},
               {&Templates, "Templates"},
               {&MyPictures, "My Pictures"},
               {&LocalSettings, "Local Settings"},
               {&LocalAppData, "Local AppData"},
               {&Content, "Content"}});
    ReadGroup(kernel, registry, plat::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
              {{&CommonFiles, "CommonFilesDir"},
               {&Config, "ConfigPath"},
               {&Device, "DevicePath"},
               {&Media, "MediaPath"},
               {&OtherDevice, "OtherDevicePath"},
               {&ProgramFiles, "ProgramFilesPath"},
               {&SystemRoot, "SystemRoot"},
               {&WallPaper, "WallPaperDir"}});
    ComponentVersion = "2.00.00.00";
}
