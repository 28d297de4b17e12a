// Any byte string must either decode or raise EVelantError, never end the
// process through libjpeg's error exit.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/error.h"
#include "wallpaper/Jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        // A small cap keeps each run fast; large sizes are the same code path.
        const TBitmap pic = DecodeJpeg(std::span(data, size), 1 << 20);
        if (pic.Empty() || pic.Pixels().size() != pic.Stride() * static_cast<std::size_t>(pic.Height()))
            __builtin_trap();
    } catch (const EVelantError&) {
    }
    return 0;
}
