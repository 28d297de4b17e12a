#pragma once
// What every page and service of the main window reaches: the system, the
// application, the window that owns their message boxes, and the settings.
#include "platform/platform.h"
#include "ui/Application.h"
#include "ui/Form.h"

class TSettings;
class TFormStorage;

struct TAppContext {
    plat::Platform& platform;
    TApplication& app;
    TForm& form;
    TSettings& settings;  // the values the handlers store themselves
    TFormStorage& store;  // the controls' stored properties
};
