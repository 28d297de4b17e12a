#pragma once
// Fills a menu item's submenu with a folder's entries: its sub-folders first,
// then its files, each group in case-insensitive order; choosing an entry
// reports the chosen item, and OpenEntry opens it with the shell.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "menu/MenuEntryRenderer.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/types.h"
#include "platform/user.h"
#include "ui/Application.h"
#include "ui/Component.h"
#include "ui/Controls.h"

// Kinds of entry listed; a set of them is a bit mask.
enum TFileAttr : unsigned {
    ftReadOnly = 1u << 0,
    ftHidden = 1u << 1,
    ftSystem = 1u << 2,
    ftVolumeID = 1u << 3,
    ftDirectory = 1u << 4,
    ftArchive = 1u << 5,
    ftNormal = 1u << 6,
};
using TFileType = unsigned;

// The file-attribute mask of a file-type set (ftNormal adds nothing).
std::uint32_t FileAttributeMask(TFileType type);

class TFolderMenu : public TComponent {
public:
    TFolderMenu(std::string name, plat::IUser& user, plat::IKernel& kernel, plat::IShell& shell,
                TApplication& app);
    // Removes the entries and items it made.
    ~TFolderMenu() override;

    TFileType FileType = ftDirectory | ftArchive;

    // Read as `FolderName()`: always ends in "\" (unless empty); writing (`SetFolderName(v)`
    // or `FolderName = v`) resolves a ".." to the parent folder and raises OnChanged.
    struct TFolderNameProperty {
        TFolderMenu& FOwner;
        TFolderNameProperty& operator=(const std::string& value) {
            FOwner.SetFolderName(value);
            return *this;
        }
        const std::string& operator()() const { return FOwner.FFolderName; }
    } FolderName{*this};
    void SetFolderName(const std::string& value);

    // Disables the menu item while it is rebuilt (other handlers may run meanwhile).
    bool SafeMode = true;
    TNotifyEvent OnChanged;
    // Starts a new menu column when the items reach the screen's height.
    bool AutoBreak = false;

    // The renderer that draws the entries; none: plain items without icons.
    IMenuEntryRenderer* EntryRenderer() const { return FEntryRenderer; }
    // The old renderer's entries are destroyed first (the items stay).
    void SetEntryRenderer(IMenuEntryRenderer* renderer);
    // The item whose submenu is managed; the old item's submenu is cleared first.
    TMenuItem* MenuItem() const { return FMenuItem; }
    void SetMenuItem(TMenuItem* item);

    // Raised with the chosen item as sender.
    std::function<void(TMenuItem& item)> OnClick;

    // Refills the submenu from the folder.
    void Rebuild();
    // Destroys the renderer's entries, then every item of the submenu, last first.
    virtual void Clear();
    // Appends the folder's entries whose attributes meet the mask.
    virtual void Fill(std::uint32_t mask);
    virtual void Click(TMenuItem& sender);

    // Opens an entry with the shell: its folder name followed by the item's caption,
    // the default verb, shown normally; the shell's answer is not examined.
    void OpenEntry(const TMenuItem& item);

    // The item height of the latest rebuild, in pixels.
    int ItemHeight() const { return FItemHeight; }
    // With AutoBreak, the items that begin a new column.
    const std::vector<const TMenuItem*>& ColumnBreaks() const { return FColumnBreaks; }

private:
    struct Entry {
        TMenuItem* item;
        plat::Hicon icon;
    };
    int MeasureItemHeight();
    // False when filling must stop: the program ends, or the submenu was rebuilt
    // or cleared by a handler that ran meanwhile.
    template <class Names>
    bool AddEntries(const Names& names, unsigned generation);
    void DestroyEntries();

    plat::IUser* FUser = nullptr;
    plat::IKernel* FKernel = nullptr;
    plat::IShell* FShell = nullptr;
    TApplication* FApp = nullptr;
    IMenuEntryRenderer* FEntryRenderer = nullptr;
    TMenuItem* FMenuItem = nullptr;
    std::string FFolderName;
    int FItemHeight = 0;
    int FScreenHeight = 0;
    int FColumnHeight = 0;
    unsigned FGeneration = 0;
    std::vector<Entry> FEntries;  // in the order the items were added
    std::vector<const TMenuItem*> FColumnBreaks;
};
