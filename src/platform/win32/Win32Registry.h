#pragma once
// advapi32's registry behind IRegistry; values travel as raw bytes both ways.
#include "platform/registry.h"

namespace win32 {

class Win32Registry final : public plat::IRegistry {
public:
    long RegCreateKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                        plat::Hkey& result) override;
    long RegOpenKeyEx(plat::Hkey root, const std::string& subKey, std::uint32_t access,
                      plat::Hkey& result) override;
    long RegCloseKey(plat::Hkey key) override;
    long RegSetValueEx(plat::Hkey key, const std::string& name, std::uint32_t type,
                       const std::vector<std::uint8_t>& data) override;
    long RegQueryValueEx(plat::Hkey key, const std::string& name, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) override;
    long RegQueryValueExBuffer(plat::Hkey key, const std::string& name, std::uint32_t& type,
                               std::uint8_t* data, std::uint32_t& size) override;
    long RegDeleteValue(plat::Hkey key, const std::string& name) override;
    long RegDeleteKey(plat::Hkey key, const std::string& subKey) override;
    long RegEnumKey(plat::Hkey key, std::uint32_t index, std::string& name) override;
    long RegEnumValue(plat::Hkey key, std::uint32_t index, std::string& name) override;
    long RegQueryInfoKey(plat::Hkey key, std::uint32_t& values) override;
};

}  // namespace win32
