// The popup menu as the system shows it: built from the item model at each
// popup, the chosen item found again by its command id.
#include "platform/constants.h"
#include "ui/Controls.h"

namespace {

// Above the ids of the dialog controls, below 0x10000 (WM_COMMAND keeps 16 bits).
constexpr std::uintptr_t kFirstCommand = 0x7000;

}  // namespace

TPopupMenu::~TPopupMenu() { DestroyHandle(); }

void TPopupMenu::DestroyHandle() {
    // Destroying the top menu destroys its submenus with it.
    if (FHandle && FUser) FUser->DestroyMenu(FHandle);
    FHandle = 0;
}

plat::Hmenu TPopupMenu::BuildMenu(const TMenuItem& parent) {
    const plat::Hmenu menu = FUser->CreatePopupMenu();
    for (const auto& item : parent.Items()) {
        if (!item->Visible()) continue;
        const std::uint32_t drawn = OwnerDraw ? plat::MF_OWNERDRAW : 0;
        if (item->IsSeparator()) {
            // Owner-drawn separators still need an id to be found by.
            const std::uintptr_t id = kFirstCommand + FCommands.size();
            FCommands.push_back({item->Serial(), parent.Serial(), item->Caption});
            FUser->AppendMenu(menu, plat::MF_SEPARATOR | drawn, id, "");
        } else if (!item->Items().empty()) {
            const plat::Hmenu sub = BuildMenu(*item);
            FSubmenus.emplace_back(sub, item->Serial());
            FUser->AppendMenu(menu, plat::MF_POPUP | drawn, sub.Value(), item->Caption);
        } else {
            const std::uintptr_t id = kFirstCommand + FCommands.size();
            FCommands.push_back({item->Serial(), parent.Serial(), item->Caption});
            std::uint32_t flags = plat::MF_STRING | drawn;
            if (item->Checked()) flags |= plat::MF_CHECKED;
            if (!item->Enabled()) flags |= plat::MF_GRAYED;
            FUser->AppendMenu(menu, flags, id, item->Caption);
            if (item->Default) FUser->SetMenuDefaultItem(menu, static_cast<std::uint32_t>(id), 0);
        }
    }
    return menu;
}

void TPopupMenu::Popup(plat::IUser& user, int x, int y, plat::Hwnd owner) {
    DestroyHandle();
    FUser = &user;
    FCommands.clear();
    FSubmenus.clear();
    FHandle = BuildMenu(Items);
    // A menu of a background window only closes on an outside click when its
    // owner is in front, and only after one more message reaches the owner.
    user.SetForegroundWindow(owner);
    user.TrackPopupMenu(FHandle, plat::TPM_RIGHTBUTTON, x, y, 0, owner);
    user.PostMessage(owner, plat::WM_NULL, 0, 0);
}

bool TPopupMenu::DispatchCommand(std::uintptr_t id) {
    if (id < kFirstCommand || id - kFirstCommand >= FCommands.size()) return false;
    TMenuItem* item = FindShown(FCommands[id - kFirstCommand]);
    if (!item || item->IsSeparator()) return false;
    item->Click();
    return true;
}

namespace {

TMenuItem* FindSerial(const TMenuItem& parent, std::uint64_t serial) {
    for (const auto& child : parent.Items()) {
        if (child->Serial() == serial) return child.get();
        if (TMenuItem* found = FindSerial(*child, serial)) return found;
    }
    return nullptr;
}

}  // namespace

TMenuItem* TPopupMenu::Find(std::uint64_t serial) const {
    return serial == Items.Serial() ? const_cast<TMenuItem*>(&Items) : FindSerial(Items, serial);
}

TMenuItem* TPopupMenu::FindShown(const Shown& shown) const {
    if (TMenuItem* item = Find(shown.serial)) return item;
    const TMenuItem* parent = Find(shown.parent);
    if (!parent) return nullptr;
    for (const auto& child : parent->Items())
        if (child->Caption == shown.caption) return child.get();
    return nullptr;
}

TMenuItem* TPopupMenu::ItemFor(std::uintptr_t itemId) const {
    for (const auto& [menu, serial] : FSubmenus)
        if (menu.Value() == itemId) return Find(serial);
    if (itemId >= kFirstCommand && itemId - kFirstCommand < FCommands.size())
        return FindShown(FCommands[itemId - kFirstCommand]);
    return nullptr;
}

bool TPopupMenu::IsTopLevel(const TMenuItem& item) const {
    for (const auto& child : Items.Items())
        if (child.get() == &item) return true;
    return false;
}
