#include "platform/win32/Win32Multimedia.h"

#include "platform/win32/OnDemand.h"
#include "platform/win32/WinApi.h"

#include <vector>

namespace win32 {

std::uint32_t Win32Multimedia::mciSendString(const std::string& command) {
    auto send = OnDemand<decltype(&::mciSendStringA)>("winmm.dll", "mciSendStringA");
    return send ? send(command.c_str(), nullptr, 0, nullptr) : MCIERR_CANNOT_LOAD_DRIVER;
}

bool Win32Multimedia::mciGetErrorString(std::uint32_t error, std::string& text, std::uint32_t bufferLength) {
    if (bufferLength == 0) return false;
    std::vector<char> buffer(bufferLength, '\0');
    auto describe = OnDemand<decltype(&::mciGetErrorStringA)>("winmm.dll", "mciGetErrorStringA");
    if (!describe || !describe(error, buffer.data(), bufferLength)) {
        text.clear();
        return false;
    }
    text = buffer.data();
    return true;
}

}  // namespace win32
