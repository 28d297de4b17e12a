#pragma once
// JPEG decoding through libjpeg, at full size with the library's best-quality
// settings (accurate integer IDCT, smooth upsampling), into 24-bit colour.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "wallpaper/Picture.h"

// A whole JPEG file image decoded into a 24-bit bitmap. Every failure of the
// library (not a JPEG, corrupt, truncated, empty) raises EVelantError with the
// library's own message text, as does a picture above maxPixels.
TBitmap DecodeJpeg(std::span<const std::uint8_t> data, std::uint64_t maxPixels = kMaxPicturePixels);

// The same decoding, straight into the bytes of an uncompressed 24-bit BMP file.
std::vector<std::uint8_t> DecodeJpegToBmpFile(std::span<const std::uint8_t> data,
                                              std::uint64_t maxPixels = kMaxPicturePixels);

TBitmap LoadJpegFile(plat::IKernel& kernel, const std::string& path);

// Decodes the JPEG file source and writes it as a BMP file at target, whatever
// target's extension; the previous target survives any failure.
void ConvertJpegToBitmap(plat::IKernel& kernel, const std::string& source, const std::string& target);
