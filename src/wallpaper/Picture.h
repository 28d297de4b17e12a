#pragma once
// The Windows bitmap (BMP) file format and the mirror transforms: the preview's
// pictures and the files the wallpaper page writes; which decoder reads a picture file.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/imaging.h"
#include "platform/kernel.h"
#include "platform/types.h"
#include "ui/Bitmap.h"

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

// How a picture file is read, by its extension in any letter case: BMP and JPEG
// by the program's own decoders, the other picture formats by the system's codecs
// (pkSystem), anything else not at all.
enum class TPictureKind { pkNone, pkBitmap, pkJpeg, pkSystem };
TPictureKind PictureKindOf(const std::string& path);

// A picture file of the system's codecs decoded; EVelantError naming the file
// when it cannot be read or no installed decoder can make a picture of it.
TBitmap LoadSystemPictureFile(plat::IKernel& kernel, plat::IImaging& imaging, const std::string& path);

// A picture file of any kind, decoded for the preview.
TBitmap LoadPictureFile(plat::IKernel& kernel, plat::IImaging& imaging, const std::string& path);

// Writes a picture file of any kind as a 24-bit BMP file at target, whatever
// target's extension; the previous target survives any failure. A box (a layout
// that scales the picture anyway) shrinks JPEG and system pictures to what the
// layout draws of them, never less; BMP files are copied at their own size.
void ConvertPictureToBitmap(plat::IKernel& kernel, plat::IImaging& imaging, const std::string& source,
                            const std::string& target, const plat::ScaleBox& box = {});
