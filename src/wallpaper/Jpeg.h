#pragma once
// JPEG decoding through libjpeg, at full size with the library's best-quality
// settings (accurate integer IDCT, smooth upsampling), into 24-bit colour.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/imaging.h"
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

// The numerator N of the smallest scale N/8 the library decodes at whose picture
// still covers what a layout draws of a width x height picture in box (both
// sides at least SizeInBox's); 8, the full size, for an empty box or a picture
// the layout does not shrink.
int JpegScaleEighths(int width, int height, const plat::ScaleBox& box);

// Decodes the JPEG file source and writes it as a BMP file at target, whatever
// target's extension; the previous target survives any failure. With a box,
// decoded at JpegScaleEighths' scale of the picture.
void ConvertJpegToBitmap(plat::IKernel& kernel, const std::string& source, const std::string& target,
                         const plat::ScaleBox& box = {});
