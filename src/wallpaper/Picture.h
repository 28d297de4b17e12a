#pragma once
// Pictures in memory and the Windows bitmap (BMP) file format: the preview's
// picture, the mirror transforms and the files the wallpaper page writes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/kernel.h"
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
    std::size_t RowOffset(int y) const {
        return static_cast<std::size_t>(FHeight - 1 - y) * Stride();
    }

    int FWidth = 0;
    int FHeight = 0;
    int FBitCount = 24;
    std::vector<std::uint8_t> FPixels;
};

// A new bitmap with the source's size and format: pixel (x, y) lands at
// (W - 1 - x, y) with leftRight, at (x, H - 1 - y) with topBottom, at both
// with both. An empty source gives an empty bitmap.
TBitmap MirrorBitmap(bool topBottom, bool leftRight, const TBitmap& source);

// Reads a BMP file image: 1, 4, 8, 16, 24 or 32 bits per pixel, bottom-up or
// top-down, uncompressed, with bit-field masks or run-length encoded (RLE8,
// RLE4; bottom-up only), the OS/2 core header or any of the Windows header
// versions. 32-bit files give a 32-bit bitmap, all others a 24-bit one.
// Anything malformed or truncated raises EVelantError.
TBitmap DecodeBmp(std::span<const std::uint8_t> data);

// Size in bytes of the file header plus information header EncodeBmp writes.
inline constexpr std::size_t kBmpHeaderSize = 54;
// The header of an uncompressed bottom-up 24-bit BMP file of that size.
void WriteBmpHeader(std::uint8_t* header, int width, int height);
// An uncompressed bottom-up 24-bit BMP file image of a non-empty bitmap.
std::vector<std::uint8_t> EncodeBmp(const TBitmap& bitmap);

TBitmap LoadBmpFile(plat::IKernel& kernel, const std::string& path);
// Writes a 24-bit BMP file; the previous file survives any failure.
void SaveBmpFile(plat::IKernel& kernel, const std::string& path, const TBitmap& bitmap);
