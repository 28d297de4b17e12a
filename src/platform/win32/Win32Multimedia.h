#pragma once
// winmm's MCI command strings behind IMultimedia.
#include "platform/multimedia.h"

namespace win32 {

class Win32Multimedia final : public plat::IMultimedia {
public:
    std::uint32_t mciSendString(const std::string& command) override;
    bool mciGetErrorString(std::uint32_t error, std::string& text, std::uint32_t bufferLength) override;
};

}  // namespace win32
