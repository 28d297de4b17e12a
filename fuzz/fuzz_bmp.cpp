// Any byte string must either decode into a consistent bitmap or raise EVelantError.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/error.h"
#include "wallpaper/Picture.h"

namespace {

// The number of pixels the header claims, read as the decoder reads it; 0 when too short to say.
std::uint64_t ClaimedPixels(const std::uint8_t* data, std::size_t size) {
    if (size < 26) return 0;
    auto u16 = [&](std::size_t at) { return static_cast<std::uint32_t>(data[at] | data[at + 1] << 8); };
    auto i32 = [&](std::size_t at) { return static_cast<std::int32_t>(u16(at) | u16(at + 2) << 16); };
    if (u16(14) == 12 && u16(16) == 0) return static_cast<std::uint64_t>(u16(18)) * u16(20);
    return static_cast<std::uint64_t>(std::llabs(i32(18))) * static_cast<std::uint64_t>(std::llabs(i32(22)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A few bytes of RLE can stand for a picture of many megapixels, which takes seconds to fill
    // under the sanitizers and runs the same code as a small one. Sizes past the decoder's limit
    // stay in: those must be refused before anything is allocated.
    const std::uint64_t claimed = ClaimedPixels(data, size);
    if (claimed > (1u << 20) && claimed <= kMaxPicturePixels) return 0;
    try {
        const TBitmap pic = DecodeBmp(std::span(data, size));
        if (pic.Pixels().size() != pic.Stride() * static_cast<std::size_t>(pic.Height())) __builtin_trap();
        // What we read we must be able to write and read back.
        if (pic.BitCount() == 24 && !(DecodeBmp(EncodeBmp(pic)) == pic)) __builtin_trap();
    } catch (const EVelantError&) {
    }
    return 0;
}
