#pragma once
// Multimedia (winmm): MCI command strings for the CD tray.
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

class IMultimedia {
public:
    virtual ~IMultimedia() = default;

    // No return buffer and no callback window; 0 on success, an MCI error otherwise.
    virtual std::uint32_t mciSendString(const std::string& command) = 0;
    // The text of an MCI error, at most bufferLength - 1 characters.
    virtual bool mciGetErrorString(std::uint32_t error, std::string& text, std::uint32_t bufferLength) = 0;
};

}  // namespace plat
