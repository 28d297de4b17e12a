#include "platform/RegKey.h"

#include "platform/constants.h"
#include "platform/error.h"

namespace plat {

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        FReg = other.FReg;
        FKey = other.FKey;
        other.FKey = 0;
    }
    return *this;
}

namespace {
// A key path that starts with "\" names a key from the root down, as the
// program's settings have always written them; the registry itself wants it
// relative, without the separator.
std::string RelativePath(const std::string& path) {
    return !path.empty() && path.front() == '\\' ? path.substr(1) : path;
}
}  // namespace

RegKey RegKey::Create(IRegistry& reg, Hkey root, const std::string& path, std::uint32_t access) {
    Hkey key = 0;
    if (reg.RegCreateKeyEx(root, RelativePath(path), access, key) != ERROR_SUCCESS) return RegKey();
    return RegKey(reg, key);
}

RegKey RegKey::CreateOrThrow(IRegistry& reg, Hkey root, const std::string& path) {
    RegKey key = Create(reg, root, path, KEY_ALL_ACCESS);
    if (!key.Valid()) throw CreateKeyError(path);
    return key;
}

RegKey RegKey::Open(IRegistry& reg, Hkey root, const std::string& path, std::uint32_t access) {
    Hkey key = 0;
    if (reg.RegOpenKeyEx(root, RelativePath(path), access, key) != ERROR_SUCCESS) return RegKey();
    return RegKey(reg, key);
}

void RegKey::Close() {
    if (FKey && FReg) FReg->RegCloseKey(FKey);
    FKey = 0;
}

long RegKey::WriteString(const std::string& name, const std::string& text, bool extraNul) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    if (extraNul) data.push_back(0);
    return FReg->RegSetValueEx(FKey, name, REG_SZ, data);
}

std::optional<std::string> RegKey::ReadString(const std::string& name) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (FReg->RegQueryValueEx(FKey, name, type, data) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw EVelantError("Invalid data type for '" + name + "'");
    std::string text(data.begin(), data.end());
    auto nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

std::optional<std::uint32_t> RegKey::ValueCount() {
    std::uint32_t values = 0;
    if (FReg->RegQueryInfoKey(FKey, values) != ERROR_SUCCESS) return std::nullopt;
    return values;
}

std::vector<std::string> RegKey::ValueNames() {
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; FReg->RegEnumValue(FKey, i, name) == ERROR_SUCCESS; ++i) names.push_back(name);
    return names;
}

}  // namespace plat
