#pragma once
// One implementation of every platform family, handed to the form and through it
// to each component, which takes only the families it uses.
#include "platform/dialogs.h"
#include "platform/imaging.h"
#include "platform/kernel.h"
#include "platform/multimedia.h"
#include "platform/power.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/user.h"

namespace plat {

struct Platform {
    IUser& user;
    IRegistry& registry;
    IShell& shell;
    IKernel& kernel;
    IMultimedia& multimedia;
    IPower& power;
    IDialogs& dialogs;
    IImaging& imaging;
};

}  // namespace plat
