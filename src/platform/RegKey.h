#pragma once
// An open registry key that closes itself, over the registry interface, with the
// text reads and writes the program's settings use.
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace plat {

class RegKey {
public:
    RegKey() = default;
    RegKey(IRegistry& reg, Hkey key) : FReg(&reg), FKey(key) {}
    RegKey(RegKey&& other) noexcept : FReg(other.FReg), FKey(other.FKey) { other.FKey = 0; }
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Close(); }

    // Opens root\path, creating it when missing; an invalid key on failure.
    static RegKey Create(IRegistry& reg, Hkey root, const std::string& path, std::uint32_t access);
    // Opens root\path for writing, creating it when missing; an error naming the
    // key when that fails.
    static RegKey CreateOrThrow(IRegistry& reg, Hkey root, const std::string& path);
    static RegKey Open(IRegistry& reg, Hkey root, const std::string& path, std::uint32_t access);

    bool Valid() const { return FKey != 0; }
    Hkey Get() const { return FKey; }
    void Close();

    // A REG_SZ of the text and its terminating NUL (and one more when extraNul);
    // the result is the registry's error code.
    long WriteString(const std::string& name, const std::string& text, bool extraNul = false);
    // The text of a REG_SZ or REG_EXPAND_SZ value up to its first NUL; nullopt when
    // the value is missing. Throws EVelantError for a value of another type.
    std::optional<std::string> ReadString(const std::string& name);
    long DeleteValue(const std::string& name) { return FReg->RegDeleteValue(FKey, name); }
    // The names of the values the key holds, in the registry's order; the list
    // ends at the first failure of the enumeration.
    std::vector<std::string> ValueNames();
    // How many values the key holds, in one round trip; nullopt when refused.
    std::optional<std::uint32_t> ValueCount();

private:
    IRegistry* FReg = nullptr;
    Hkey FKey = 0;
};

}  // namespace plat
