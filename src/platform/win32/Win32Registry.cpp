#include "platform/win32/Win32Registry.h"

#include "platform/win32/WinApi.h"
#include "platform/win32/Handles.h"

namespace win32 {

namespace {

// The predefined roots are 32-bit values that Windows sign-extends on x64
// (HKEY_CURRENT_USER is 0xFFFFFFFF80000001 there); the program's constants
// carry them zero-extended.
HKEY K(plat::Hkey key) {
    if (key.Value() >= 0x80000000u && key.Value() <= 0x8000000Fu)
        return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(key.Value())));
    return ToWin(key);
}

}  // namespace

long Win32Registry::RegCreateKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                                   plat::Hkey& result) {
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExA(K(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                &key, nullptr);
    result = rc == ERROR_SUCCESS ? FromWin(key) : plat::Hkey{};
    return rc;
}

long Win32Registry::RegOpenKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                                 plat::Hkey& result) {
    HKEY key = nullptr;
    LONG rc = ::RegOpenKeyExA(K(root), subKey.c_str(), 0, access, &key);
    result = rc == ERROR_SUCCESS ? FromWin(key) : plat::Hkey{};
    return rc;
}

long Win32Registry::RegCloseKey(plat::Hkey key) { return ::RegCloseKey(K(key)); }

long Win32Registry::RegSetValueEx(plat::Hkey key, const std::string& name, std::uint32_t type,
                                  const std::vector<std::uint8_t>& data) {
    return ::RegSetValueExA(K(key), name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                            static_cast<DWORD>(data.size()));
}

long Win32Registry::RegQueryValueEx(plat::Hkey key, const std::string& name, std::uint32_t& type,
                                    std::vector<std::uint8_t>& data) {
    // The size can grow between the two calls (and performance data never says
    // its size up front), so grow the buffer until the value fits.
    DWORD size = 0;
    DWORD t = 0;
    LONG rc = ::RegQueryValueExA(K(key), name.c_str(), nullptr, &t, nullptr, &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
    if (size == 0) size = 256;
    for (int attempt = 0; attempt < 16; ++attempt) {
        data.assign(size, 0);
        DWORD got = size;
        rc = ::RegQueryValueExA(K(key), name.c_str(), nullptr, &t, data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got);
            type = t;
            return rc;
        }
        if (rc != ERROR_MORE_DATA) break;
        size = got > size ? got : size * 2;
    }
    data.clear();
    return rc;
}

long Win32Registry::RegQueryValueExBuffer(plat::Hkey key, const std::string& name, std::uint32_t& type,
                                          std::uint8_t* data, std::uint32_t& size) {
    DWORD t = 0;
    DWORD length = size;
    LONG rc = ::RegQueryValueExA(K(key), name.c_str(), nullptr, &t, data, &length);
    type = t;
    size = length;
    return rc;
}

long Win32Registry::RegDeleteValue(plat::Hkey key, const std::string& name) {
    return ::RegDeleteValueA(K(key), name.c_str());
}

long Win32Registry::RegDeleteKey(plat::Hkey key, const std::string& subKey) {
    return ::RegDeleteKeyA(K(key), subKey.c_str());
}

long Win32Registry::RegEnumKey(plat::Hkey key, std::uint32_t index, std::string& name) {
    // Key names are at most 255 characters; in UTF-8 that is up to 3 bytes each.
    char buffer[1024];
    DWORD length = sizeof buffer;
    LONG rc = ::RegEnumKeyExA(K(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    name = rc == ERROR_SUCCESS ? std::string(buffer, length) : std::string();
    return rc;
}

long Win32Registry::RegEnumValue(plat::Hkey key, std::uint32_t index, std::string& name) {
    // Value names are at most 16383 characters; in UTF-8 that is up to 3 bytes each.
    std::vector<char> buffer(16384 * 3);
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG rc = ::RegEnumValueA(K(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    name = rc == ERROR_SUCCESS ? std::string(buffer.data(), length) : std::string();
    return rc;
}

long Win32Registry::RegQueryInfoKey(plat::Hkey key, std::uint32_t& values) {
    DWORD count = 0;
    const LONG rc = ::RegQueryInfoKeyA(K(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                       nullptr, nullptr, nullptr, nullptr);
    values = rc == ERROR_SUCCESS ? count : 0;
    return rc;
}

}  // namespace win32
