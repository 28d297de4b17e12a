#include "desktop/RegistryAccess.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"

namespace {

plat::Hkey RootHandle(TRootKey root) {
    switch (root) {
        case TRootKey::hkClassesRoot:
            return plat::HKEY_CLASSES_ROOT;
        case TRootKey::hkCurrentConfig:
            return plat::HKEY_CURRENT_CONFIG;
        case TRootKey::hkCurrentUser:
            return plat::HKEY_CURRENT_USER;
        case TRootKey::hkDynData:
            return plat::HKEY_DYN_DATA;
        case TRootKey::hkLocalMachine:
            return plat::HKEY_LOCAL_MACHINE;
        case TRootKey::hkUsers:
            return plat::HKEY_USERS;
    }
    return plat::HKEY_CURRENT_USER;
}

std::uint32_t AccessMask(TAccess access) {
    switch (access) {
        case TAccess::kRead:
            return plat::KEY_READ;
        case TAccess::kWrite:
            return plat::KEY_WRITE;
        case TAccess::kExecute:
            return plat::KEY_EXECUTE;
        case TAccess::kAllAccess:
            return plat::KEY_ALL_ACCESS;
    }
    return plat::KEY_ALL_ACCESS;
}

template <class T>
std::vector<std::uint8_t> Bytes(const T& value) {
    std::vector<std::uint8_t> data(sizeof(T));
    std::memcpy(data.data(), &value, sizeof(T));
    return data;
}

}  // namespace

TRegistryAccess::TRegistryAccess(std::string name, plat::IRegistry& registry)
    : TComponent(std::move(name)), FRegistry(registry) {
    FBreak.BreakString.assign(1, '\\');
}

std::string TRegistryAccess::TrimKey() const {
    std::string key = Key;
    if (!key.empty() && key.back() == '\\') key.pop_back();
    if (key.size() > 1 && key.front() == '\\') key.erase(0, 1);
    return key;
}

std::string TRegistryAccess::FullKeyPath(const std::string& name) {
    std::string path(1, '\\');
    path += TrimKey();
    path += ValuePath(name);
    return path;
}

std::string TRegistryAccess::ValuePath(const std::string& name) {
    FBreak.BaseString = name;
    FBreak.AllowEmptyString = false;
    FBreak.BreakApart();
    const auto& pieces = FBreak.StringList;
    if (pieces.size() < 2) return std::string();
    std::string path;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) path += "\\" + pieces[i];
    return path;
}

std::string TRegistryAccess::ValueName(const std::string& name) {
    FBreak.BaseString = name;
    FBreak.AllowEmptyString = false;
    FBreak.BreakApart();
    return FBreak.StringList.size() >= 2 ? FBreak.StringList.back() : name;
}

void TRegistryAccess::WriteValue(const std::string& name, const TVariant& value) {
    if (Key.empty()) return;
    auto key = plat::RegKey::Create(FRegistry, RootHandle(RootKey), FullKeyPath(name), AccessMask(Access));
    if (!key.Valid()) return;
    const std::string valueName = ValueName(name);
    std::uint32_t type = plat::REG_NONE;
    std::vector<std::uint8_t> data;
    if (auto* i = std::get_if<std::int32_t>(&value)) {
        type = plat::REG_DWORD;
        data = Bytes(*i);
    } else if (auto* d = std::get_if<double>(&value)) {
        type = plat::REG_BINARY;
        data = Bytes(*d);
    } else if (auto* c = std::get_if<TCurrency>(&value)) {
        type = plat::REG_BINARY;
        data = Bytes(c->scaled);
    } else if (auto* t = std::get_if<TDateTime>(&value)) {
        type = plat::REG_BINARY;
        data = Bytes(t->days);
    } else if (auto* b = std::get_if<bool>(&value)) {
        type = plat::REG_DWORD;
        data = Bytes(static_cast<std::int32_t>(*b ? 1 : 0));
    } else if (auto* s = std::get_if<std::string>(&value)) {
        type = plat::REG_SZ;
        data.assign(s->begin(), s->end());
        data.push_back(0);
    } else {
        return;
    }
    if (FRegistry.RegSetValueEx(key.Get(), valueName, type, data) != plat::ERROR_SUCCESS)
        throw plat::SetDataError(valueName);
}

void TRegistryAccess::WriteBinaryInteger(const std::string& name, std::int32_t value) {
    if (Key.empty()) return;
    auto key = plat::RegKey::Create(FRegistry, RootHandle(RootKey), FullKeyPath(name), AccessMask(Access));
    if (!key.Valid()) return;
    const std::string valueName = ValueName(name);
    if (FRegistry.RegSetValueEx(key.Get(), valueName, plat::REG_BINARY, Bytes(value)) != plat::ERROR_SUCCESS)
        throw plat::SetDataError(valueName);
}

void TRegistryAccess::ReadValue(const std::string& name, const TVariant& def, TVariant& result) {
    if (Key.empty()) return;
    auto key = plat::RegKey::Open(FRegistry, RootHandle(RootKey), FullKeyPath(name), AccessMask(Access));
    if (!key.Valid()) {
        result = def;
        return;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (FRegistry.RegQueryValueEx(key.Get(), ValueName(name), type, data) != plat::ERROR_SUCCESS) {
        result = def;
        return;
    }
    if (type == plat::REG_SZ || type == plat::REG_EXPAND_SZ) {
        std::string text(data.begin(), data.end());
        auto nul = text.find('\0');
        if (nul != std::string::npos) text.resize(nul);
        result = text;
    } else if (type == plat::REG_DWORD && data.size() >= 4) {
        std::int32_t v;
        std::memcpy(&v, data.data(), 4);
        result = v;
    } else if (type == plat::REG_BINARY) {
        result = static_cast<std::int32_t>(std::min<std::size_t>(data.size(), 256));
    } else {
        result = def;
    }
}
