#pragma once
// The locations of the system's and the user's standard folders, looked up once.
#include <string>

#include "platform/kernel.h"
#include "platform/registry.h"
#include "ui/Component.h"

class TSystemPath : public TComponent {
public:
    TSystemPath(std::string name, plat::IKernel& kernel, plat::IRegistry& registry);

    std::string AppData, Cache, Cookies, DeskTop, Favorites, Fonts, History, NetHood, Personal, PrintHood,
        Programs, Recent, SendTo, StartMenu, StartUp, Templates, Windows, System, Temp, CommonFiles, Config,
        Device, Media, OtherDevice, ProgramFiles, SystemRoot, WallPaper, ComponentVersion, MyPictures,
        LocalSettings, LocalAppData, Content;
};
