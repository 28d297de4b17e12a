#include "system/HotKeys.h"

#include <array>

#include "platform/constants.h"

namespace {

constexpr std::array<std::uint8_t, kHotKeyCodeCount> MakeKeyTable() {
    std::array<std::uint8_t, kHotKeyCodeCount> t{};
    int i = 1;
    for (std::uint8_t vk : {0x03, 0x08, 0x09, 0x0C, 0x0D, 0x13, 0x14, 0x1B, 0x20}) t[i++] = vk;
    for (int vk = 0x21; vk <= 0x29; ++vk) t[i++] = static_cast<std::uint8_t>(vk);
    for (int vk = 0x2B; vk <= 0x2F; ++vk) t[i++] = static_cast<std::uint8_t>(vk);  // no VK_PRINT
    for (int vk = 0x30; vk <= 0x39; ++vk) t[i++] = static_cast<std::uint8_t>(vk);
    for (int vk = 0x41; vk <= 0x5A; ++vk) t[i++] = static_cast<std::uint8_t>(vk);
    for (int vk = 0x60; vk <= 0x6F; ++vk) t[i++] = static_cast<std::uint8_t>(vk);
    for (int vk = 0x70; vk <= 0x87; ++vk) t[i++] = static_cast<std::uint8_t>(vk);
    t[i++] = 0x90;
    t[i++] = 0x91;
    return t;
}

constexpr auto kKeyTable = MakeKeyTable();
static_assert(kKeyTable[52] == 0x53 && kKeyTable[101] == 0x91, "key table out of step");

// The component's bit order differs from the system's.
std::uint32_t SystemModifiers(THotKeyModifiers m) {
    std::uint32_t result = 0;
    if (m & hmShift) result |= plat::MOD_SHIFT;
    if (m & hmCtrl) result |= plat::MOD_CONTROL;
    if (m & hmAlt) result |= plat::MOD_ALT;
    if (m & hmWin) result |= plat::MOD_WIN;
    return result;
}

}  // namespace

std::uint32_t HotKeyVirtualKey(THotKeyCode key) { return key < kHotKeyCodeCount ? kKeyTable[key] : 0; }

THotKeys::THotKeys(std::string name, plat::IUser& user)
    : TWindowedComponent(std::move(name), user, "TSysHotKeyWindow") {}

THotKeys::~THotKeys() {
    Clear();
    // Its WM_DESTROY still finds the (empty) list.
    DestroyHiddenWindow();
}

void THotKeys::Loaded() {
    if (FActive) RegisterAll();
}

void THotKeys::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    if (value)
        RegisterAll();
    else
        UnregisterAll();
}

THotKeyEntry THotKeys::AddHotKey(THotKeyCode key, THotKeyModifiers modifiers, bool enabled) {
    auto entry = std::make_unique<THotKeyEntry>();
    entry->Key = key;
    entry->Modifiers = modifiers;
    entry->Enabled = enabled;
    FEntries.push_back(std::move(entry));
    if (FActive) Register(Count() - 1);
    return *FEntries.back();
}

void THotKeys::SetEnabled(int index, bool enabled) {
    THotKeyEntry& e = *FEntries.at(static_cast<std::size_t>(index));
    if (e.Enabled == enabled) return;
    e.Enabled = enabled;
    if (!enabled)
        Unregister(index);
    else if (FActive)
        Register(index);
}

void THotKeys::Clear() {
    if (FActive) UnregisterAll();
    FEntries.clear();
}

void THotKeys::Register(int index) {
    THotKeyEntry& e = *FEntries[static_cast<std::size_t>(index)];
    if (!e.Enabled || e.Registered) return;
    e.Registered =
        FUser.RegisterHotKey(Handle(), index, SystemModifiers(e.Modifiers), HotKeyVirtualKey(e.Key));
}

void THotKeys::Unregister(int index) {
    THotKeyEntry& e = *FEntries[static_cast<std::size_t>(index)];
    if (!e.Registered) return;
    FUser.UnregisterHotKey(Handle(), index);
    e.Registered = false;
}

void THotKeys::RegisterAll() {
    for (int i = 0; i < Count(); ++i) Register(i);
}

void THotKeys::UnregisterAll() {
    for (int i = 0; i < Count(); ++i) Unregister(i);
}

plat::LResult THotKeys::HiddenWndProc(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    switch (msg) {
        case plat::WM_HOTKEY:
            if (OnHotKey) OnHotKey(*this, static_cast<int>(wParam & 0xFFFF));
            return 0;
        case plat::WM_DESTROY:
            SetActive(false);
            break;
    }
    return TWindowedComponent::HiddenWndProc(msg, wParam, lParam);
}
