#pragma once
// System-wide key combinations: registered with the system while the list is
// active, each press reported with the combination's index.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "system/WindowedComponent.h"

// Bit mask: hmShift, hmCtrl, hmAlt, hmWin.
using THotKeyModifiers = std::uint8_t;
constexpr THotKeyModifiers hmShift = 1;
constexpr THotKeyModifiers hmCtrl = 2;
constexpr THotKeyModifiers hmAlt = 4;
constexpr THotKeyModifiers hmWin = 8;

// A position in the table of keys a combination can use (0 = no key).
using THotKeyCode = std::uint8_t;
constexpr int kHotKeyCodeCount = 102;
// The position of a letter key, 'A' to 'Z'.
constexpr THotKeyCode hkLetter(char letter) { return static_cast<THotKeyCode>(34 + (letter - 'A')); }
// The virtual-key code at a position; 0 outside the table.
std::uint32_t HotKeyVirtualKey(THotKeyCode key);

struct THotKeyEntry {
    THotKeyModifiers Modifiers = 0;
    THotKeyCode Key = 0;
    bool Registered = false;
    // Cleared while the user has switched this combination off: the system then
    // keeps it for other programs even while the list is active.
    bool Enabled = true;
};

using THotKeyEvent = std::function<void(TComponent& sender, int index)>;

class THotKeys : public TWindowedComponent {
public:
    THotKeys(std::string name, plat::IUser& user);
    ~THotKeys() override;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    THotKeyEvent OnHotKey;

    THotKeyEntry AddHotKey(THotKeyCode key, THotKeyModifiers modifiers, bool enabled = true);
    // Switches one combination on or off; it is registered while both it and the list are on.
    void SetEnabled(int index, bool enabled);
    void Clear();
    int Count() const { return static_cast<int>(FEntries.size()); }
    const THotKeyEntry& Entry(int index) const { return *FEntries.at(static_cast<std::size_t>(index)); }
    // After the design values are set: register what is there.
    void Loaded();

protected:
    plat::LResult HiddenWndProc(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) override;

private:
    void Register(int index);
    void Unregister(int index);
    void RegisterAll();
    void UnregisterAll();

    bool FActive = false;
    std::vector<std::unique_ptr<THotKeyEntry>> FEntries;
};
