// Any byte string must either decode into a consistent bitmap or raise EVelantError.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/error.h"
#include "wallpaper/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const TBitmap pic = DecodeBmp(std::span(data, size));
        if (pic.Pixels().size() != pic.Stride() * static_cast<std::size_t>(pic.Height()))
            __builtin_trap();
        // What we read we must be able to write and read back.
        if (pic.BitCount() == 24 && !(DecodeBmp(EncodeBmp(pic)) == pic)) __builtin_trap();
    } catch (const EVelantError&) {
    }
    return 0;
}
