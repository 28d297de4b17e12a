#pragma once
// Registry access (advapi32). Results are Win32 error codes (ERROR_SUCCESS = 0).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace plat {

class IRegistry {
public:
    virtual ~IRegistry() = default;

    virtual long RegCreateKeyEx(Hkey root, const std::string& subKey, std::uint32_t access, Hkey& result) = 0;
    virtual long RegOpenKeyEx(Hkey root, const std::string& subKey, std::uint32_t access, Hkey& result) = 0;
    virtual long RegCloseKey(Hkey key) = 0;
    virtual long RegSetValueEx(Hkey key, const std::string& name, std::uint32_t type,
                               const std::vector<std::uint8_t>& data) = 0;
    virtual long RegQueryValueEx(Hkey key, const std::string& name, std::uint32_t& type,
                                 std::vector<std::uint8_t>& data) = 0;
    // RegQueryValueEx into the caller's buffer of `size` bytes, as Win32 takes it:
    // on success `size` becomes the length written; a value that does not fit gives
    // ERROR_MORE_DATA (234), with `size` set to the length needed except for
    // HKEY_PERFORMANCE_DATA, where Win32 leaves it undefined. A null `data` only
    // asks for the length.
    virtual long RegQueryValueExBuffer(Hkey key, const std::string& name, std::uint32_t& type,
                                       std::uint8_t* data, std::uint32_t& size) = 0;
    virtual long RegDeleteValue(Hkey key, const std::string& name) = 0;
    // Deletes subKey with its values; a key that still has subkeys is refused.
    virtual long RegDeleteKey(Hkey key, const std::string& subKey) = 0;
    // Name of the index-th subkey; ERROR_NO_MORE_ITEMS (259) past the end.
    virtual long RegEnumKey(Hkey key, std::uint32_t index, std::string& name) = 0;
    // Name of the index-th value (of any type); ERROR_NO_MORE_ITEMS (259) past the end.
    virtual long RegEnumValue(Hkey key, std::uint32_t index, std::string& name) = 0;
    // The number of values the key holds, as RegQueryInfoKey gives it.
    virtual long RegQueryInfoKey(Hkey key, std::uint32_t& values) = 0;
};

}  // namespace plat
