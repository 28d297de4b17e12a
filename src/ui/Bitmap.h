#pragma once
// A picture in memory, as the image control shows it and the decoders fill it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

// Largest picture the program agrees to hold. Headers can claim sizes far
// beyond the data behind them, so every decoder checks this before allocating:
// 100 megapixels is 300 MB at 24 bits, more than any wallpaper needs.
inline constexpr std::uint64_t kMaxPicturePixels = 100'000'000;

// A bitmap stored exactly as the pixel array of an uncompressed bottom-up BMP
// file, so a 24-bit bitmap is written as a header followed by Pixels() as is,
// and a decoder can fill it row by row without a later reordering pass:
//   - rows are stored bottom row first: the row at the top of the picture
//     (y = 0) is the last one in Pixels();
//   - each row takes Stride() bytes, its width in bytes rounded up to a
//     multiple of four; the padding bytes are always zero;
//   - a pixel is three bytes B, G, R (24 bits) or four bytes B, G, R, X
//     (32 bits, where X is carried along unchanged, usually alpha or zero).
// An empty bitmap has width and height 0 and no pixels.
class TBitmap {
public:
    TBitmap() = default;
    // A black bitmap; EVelantError when the size is not positive or too large.
    TBitmap(int width, int height, int bitCount = 24);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int BitCount() const { return FBitCount; }  // 24 or 32
    bool Empty() const { return FWidth == 0 || FHeight == 0; }
    std::size_t Stride() const { return StrideFor(FWidth, FBitCount); }
    static std::size_t StrideFor(int width, int bitCount);

    // Row y counted from the top of the picture.
    std::uint8_t* Row(int y) { return FPixels.data() + RowOffset(y); }
    const std::uint8_t* Row(int y) const { return FPixels.data() + RowOffset(y); }
    std::vector<std::uint8_t>& Pixels() { return FPixels; }
    const std::vector<std::uint8_t>& Pixels() const { return FPixels; }

    // The colour at (x, y) from the top-left, as 0x00BBGGRR.
    plat::ColorRef Pixel(int x, int y) const;
    void SetPixel(int x, int y, plat::ColorRef color);

    bool operator==(const TBitmap&) const = default;

private:
    std::size_t RowOffset(int y) const { return static_cast<std::size_t>(FHeight - 1 - y) * Stride(); }

    int FWidth = 0;
    int FHeight = 0;
    int FBitCount = 24;
    std::vector<std::uint8_t> FPixels;
};

// EVelantError when a picture of this size cannot be held: a side not
// positive or beyond what Win32 takes, or more than kMaxPicturePixels.
void CheckBitmapSize(std::int64_t width, std::int64_t height);
