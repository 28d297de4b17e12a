#pragma once
#include "platform/types.h"
#include "ui/Controls.h"

// What the folder menu needs of an owner-drawn menu renderer: one rendering
// entry per item the folder menu adds to its submenu. Every CreateEntry is
// matched by exactly one DestroyEntry, before the item itself is destroyed.
class IMenuEntryRenderer {
public:
    virtual ~IMenuEntryRenderer() = default;
    // The item has just been appended to the folder menu's submenu: create its
    // entry, bind it to the popup menu and to the item, give it the icon (0 for
    // none) and prepare it. The folder menu keeps the icon and destroys it after
    // DestroyEntry.
    virtual void CreateEntry(TMenuItem& item, plat::Hicon icon) = 0;
    virtual void DestroyEntry(TMenuItem& item) = 0;
};
