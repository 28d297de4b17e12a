#include "ui/Bitmap.h"

#include "platform/error.h"

namespace {

// Win32 limits a bitmap's side to what fits a signed 32-bit value; this keeps
// every byte count computed from a picture's size far from overflowing 64 bits.
constexpr std::int64_t kMaxSide = 1 << 20;

}  // namespace

void CheckBitmapSize(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        throw EVelantError("Bitmap image is not valid: size " + std::to_string(width) + " x " +
                           std::to_string(height));
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPicturePixels)
        throw EVelantError("Bitmap image is too large: " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels");
}

TBitmap::TBitmap(int width, int height, int bitCount) {
    if (bitCount != 24 && bitCount != 32) throw EVelantError("Invalid pixel format");
    CheckBitmapSize(width, height);
    FWidth = width;
    FHeight = height;
    FBitCount = bitCount;
    FPixels.resize(Stride() * static_cast<std::size_t>(height));
}

std::size_t TBitmap::StrideFor(int width, int bitCount) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32 * 4;
}

plat::ColorRef TBitmap::Pixel(int x, int y) const {
    const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * (FBitCount / 8);
    return static_cast<plat::ColorRef>(p[2]) | static_cast<plat::ColorRef>(p[1]) << 8 |
           static_cast<plat::ColorRef>(p[0]) << 16;
}

void TBitmap::SetPixel(int x, int y, plat::ColorRef color) {
    std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * (FBitCount / 8);
    p[0] = static_cast<std::uint8_t>(color >> 16);
    p[1] = static_cast<std::uint8_t>(color >> 8);
    p[2] = static_cast<std::uint8_t>(color);
}
