#include "wallpaper/Picture.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>

#include "platform/error.h"
#include "ui/Convert.h"
#include "wallpaper/Jpeg.h"
#include "wallpaper/SafeFile.h"

namespace {

[[noreturn]] void Invalid(const char* reason) {
    throw EVelantError(std::string("Bitmap image is not valid: ") + reason);
}

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::uint32_t BI_ALPHABITFIELDS = 6;

// One colour channel of a bit-field pixel, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;  // the channel's largest value after the shift

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (max == 0) return 0;
        return static_cast<std::uint8_t>(
            (static_cast<std::uint64_t>((pixel & mask) >> shift) * 255u + max / 2) / max);
    }
};

// Palette indices in BI_RLE8 or BI_RLE4 runs, painted into a bottom-up 24-bit
// bitmap. The stream moves a pen from the bottom-left corner: a run paints one
// index count times (RLE4 alternates the two nibbles of its byte), an absolute
// run paints the indices that follow it, padded to a 16-bit boundary; end of
// line moves to the start of the next row up, a delta moves right and up.
// Pixels the pen never reaches keep index 0, as in the DIB Windows loads;
// paint beyond the right edge or the top row is dropped, as Windows clips it.
// A stream that stops before its end-of-bitmap mark is refused, so that a cut
// file does not pass for a whole one.
void DecodeRle(std::span<const std::uint8_t> data, unsigned bitCount, const std::uint8_t* palette,
               TBitmap& out) {
    const int w = out.Width(), h = out.Height();
    if (palette[0] != 0 || palette[1] != 0 || palette[2] != 0)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) std::memcpy(out.Row(y) + 3 * x, palette, 3);

    // The pen never goes past the right edge or the top: beyond them all is clipped alike,
    // and so no run of deltas can overflow it.
    int penX = 0, penY = 0;  // penY counts rows from the bottom
    auto paint = [&](unsigned count, auto indexAt) {
        if (penY < h) {
            std::uint8_t* dst = out.Row(h - 1 - penY) + 3 * penX;
            const unsigned n = std::min(count, static_cast<unsigned>(w - penX));
            for (unsigned k = 0; k < n; ++k) std::memcpy(dst + 3 * k, palette + 3 * indexAt(k), 3);
        }
        penX = std::min(penX + static_cast<int>(count), w);
    };
    const bool rle4 = bitCount == 4;
    std::size_t at = 0;
    for (;;) {
        if (data.size() - at < 2) Invalid("RLE data ends before its end-of-bitmap mark");
        const unsigned count = data[at], value = data[at + 1];
        at += 2;
        if (count != 0) {
            const unsigned first = rle4 ? value >> 4 : value, second = rle4 ? value & 15 : value;
            paint(count, [&](unsigned k) { return k % 2 == 0 ? first : second; });
        } else if (value == 0) {
            penX = 0;
            penY = std::min(penY + 1, h);
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (data.size() - at < 2) Invalid("RLE data ends before its end-of-bitmap mark");
            penX = std::min(penX + data[at], w);
            penY = std::min(penY + data[at + 1], h);
            at += 2;
        } else {
            const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) / 2 * 2;
            if (data.size() - at < padded) Invalid("RLE data ends before its end-of-bitmap mark");
            const std::uint8_t* run = data.data() + at;
            if (rle4)
                paint(value, [&](unsigned k) { return k % 2 == 0 ? run[k / 2] >> 4 : run[k / 2] & 15; });
            else
                paint(value, [&](unsigned k) { return static_cast<unsigned>(run[k]); });
            at += padded;
        }
    }
}

}  // namespace

TBitmap MirrorBitmap(bool topBottom, bool leftRight, const TBitmap& source) {
    if (source.Empty()) return {};
    TBitmap result(source.Width(), source.Height(), source.BitCount());
    const int h = source.Height();
    const std::size_t bpp = static_cast<std::size_t>(source.BitCount() / 8);
    const std::size_t rowBytes = static_cast<std::size_t>(source.Width()) * bpp;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* from = source.Row(topBottom ? h - 1 - y : y);
        std::uint8_t* to = result.Row(y);
        if (!leftRight) {
            std::memcpy(to, from, rowBytes);
            continue;
        }
        const std::uint8_t* last = from + rowBytes - bpp;
        for (std::size_t x = 0; x < rowBytes; x += bpp) std::memcpy(to + x, last - x, bpp);
    }
    return result;
}

TBitmap DecodeBmp(std::span<const std::uint8_t> data) {
    const std::size_t size = data.size();
    const std::uint8_t* file = data.data();
    if (size < 14 + 12) Invalid("the file is too short");
    if (file[0] != 'B' || file[1] != 'M') Invalid("no bitmap signature");
    const std::uint32_t pixelOffset = U32(file + 10);
    const std::uint32_t headerSize = U32(file + 14);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        Invalid("unknown header version");
    if (14 + static_cast<std::size_t>(headerSize) > size) Invalid("truncated header");
    const std::uint8_t* info = file + 14;

    std::int64_t width, height;
    unsigned bitCount;
    std::uint32_t compression = BI_RGB, colorsUsed = 0, imageSize = 0;
    if (core) {
        width = U16(info + 4);
        height = U16(info + 6);
        bitCount = U16(info + 10);
    } else {
        width = static_cast<std::int32_t>(U32(info + 4));
        height = static_cast<std::int32_t>(U32(info + 8));
        bitCount = U16(info + 14);
        compression = U32(info + 16);
        imageSize = U32(info + 20);
        colorsUsed = U32(info + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    CheckBitmapSize(width, height);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        Invalid("unsupported number of bits per pixel");
    const bool bitFields = compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS;
    const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
    if (bitFields) {
        if (bitCount != 16 && bitCount != 32) Invalid("bit fields need 16 or 32 bits per pixel");
    } else if (rle) {
        if (compression == BI_RLE8 && bitCount != 8) Invalid("RLE8 compression needs 8 bits per pixel");
        if (compression == BI_RLE4 && bitCount != 4) Invalid("RLE4 compression needs 4 bits per pixel");
        if (topDown) Invalid("a top-down bitmap cannot be RLE compressed");
    } else if (compression != BI_RGB) {
        throw EVelantError("Bitmap compression " + std::to_string(compression) + " is not supported");
    }

    // Colour masks: in the header from version 2 on, otherwise right after it.
    std::size_t tableOffset = 14 + headerSize;
    std::array<std::uint32_t, 4> masks{};
    if (bitFields) {
        const std::size_t count = compression == BI_ALPHABITFIELDS ? 4 : 3;
        if (headerSize == 40) {
            if (tableOffset + 4 * count > size) Invalid("truncated colour masks");
            for (std::size_t i = 0; i < count; ++i) masks[i] = U32(file + tableOffset + 4 * i);
            tableOffset += 4 * count;
        } else {
            // Version 2 headers hold three masks, later ones a fourth for alpha.
            const std::size_t inHeader = headerSize >= 56 ? 4 : 3;
            for (std::size_t i = 0; i < inHeader; ++i) masks[i] = U32(info + 40 + 4 * i);
        }
        const std::uint64_t limit = bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        for (std::uint32_t m : masks)
            if (m > limit) Invalid("colour mask wider than a pixel");
    } else if (bitCount == 16) {
        masks = {0x7C00, 0x03E0, 0x001F, 0};
    }

    // Palette entries beyond the file's table stay black, as Windows shows them.
    std::array<std::uint8_t, 256 * 3> palette{};
    if (bitCount <= 8) {
        const std::uint32_t maxColors = 1u << bitCount;
        const std::uint32_t colors = colorsUsed == 0 || colorsUsed > maxColors ? maxColors : colorsUsed;
        const std::size_t entry = core ? 3 : 4;
        if (tableOffset + colors * entry > size) Invalid("truncated colour table");
        for (std::uint32_t i = 0; i < colors; ++i)
            std::memcpy(&palette[i * 3], file + tableOffset + i * entry, 3);
    }

    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (pixelOffset < 14 + headerSize || pixelOffset > size) Invalid("truncated pixel data");
    if (rle) {
        // The image size is the length of the stream; writers that leave it 0 or
        // overstate it are common, and the end-of-bitmap mark ends the stream anyway.
        std::span<const std::uint8_t> stream = data.subspan(pixelOffset);
        if (imageSize != 0 && imageSize < stream.size()) stream = stream.first(imageSize);
        TBitmap result(w, h);
        DecodeRle(stream, bitCount, palette.data(), result);
        return result;
    }
    const std::size_t srcStride = TBitmap::StrideFor(w, static_cast<int>(bitCount));
    if (srcStride * static_cast<std::uint64_t>(height) > size - pixelOffset) Invalid("truncated pixel data");

    TBitmap result(w, h, bitCount == 32 ? 32 : 24);
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const std::size_t rowBytes = static_cast<std::size_t>(w) * (result.BitCount() / 8);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = file + pixelOffset + srcStride * (topDown ? y : h - 1 - y);
        std::uint8_t* dst = result.Row(y);
        if ((bitCount == 24) || (bitCount == 32 && compression == BI_RGB)) {
            std::memcpy(dst, src, rowBytes);
        } else if (bitCount <= 8) {
            const unsigned perByte = 8 / bitCount;
            const unsigned valueMask = (1u << bitCount) - 1;
            for (int x = 0; x < w; ++x) {
                const unsigned shift = 8 - bitCount * (x % perByte + 1);
                const unsigned index = (src[x / perByte] >> shift) & valueMask;
                std::memcpy(dst + 3 * x, &palette[index * 3], 3);
            }
        } else {
            for (int x = 0; x < w; ++x) {
                const std::uint32_t pixel = bitCount == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                std::uint8_t* out = dst + x * (bitCount == 32 ? 4 : 3);
                out[0] = blue(pixel);
                out[1] = green(pixel);
                out[2] = red(pixel);
                if (bitCount == 32) out[3] = alpha(pixel);
            }
        }
    }
    return result;
}

void WriteBmpHeader(std::uint8_t* header, int width, int height) {
    const std::uint32_t imageSize =
        static_cast<std::uint32_t>(TBitmap::StrideFor(width, 24) * static_cast<std::size_t>(height));
    std::memset(header, 0, kBmpHeaderSize);
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, static_cast<std::uint32_t>(kBmpHeaderSize) + imageSize);
    Put32(header + 10, static_cast<std::uint32_t>(kBmpHeaderSize));
    Put32(header + 14, 40);
    Put32(header + 18, static_cast<std::uint32_t>(width));
    Put32(header + 22, static_cast<std::uint32_t>(height));
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    Put32(header + 34, imageSize);
}

std::vector<std::uint8_t> EncodeBmp(const TBitmap& bitmap) {
    if (bitmap.Empty()) throw EVelantError("Cannot write an empty bitmap");
    const int w = bitmap.Width(), h = bitmap.Height();
    std::vector<std::uint8_t> file(kBmpHeaderSize + TBitmap::StrideFor(w, 24) * static_cast<std::size_t>(h));
    WriteBmpHeader(file.data(), w, h);
    if (bitmap.BitCount() == 24) {
        std::memcpy(file.data() + kBmpHeaderSize, bitmap.Pixels().data(), bitmap.Pixels().size());
        return file;
    }
    const std::size_t stride = TBitmap::StrideFor(w, 24);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = bitmap.Row(y);
        std::uint8_t* dst = file.data() + kBmpHeaderSize + stride * static_cast<std::size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) std::memcpy(dst + 3 * x, src + 4 * x, 3);
    }
    return file;
}

TBitmap LoadBmpFile(plat::IKernel& kernel, const std::string& path) {
    return DecodeBmp(ReadWholeFile(kernel, path));
}

void SaveBmpFile(plat::IKernel& kernel, const std::string& path, const TBitmap& bitmap) {
    WriteFileReplacing(kernel, path, EncodeBmp(bitmap));
}

namespace {

// What the user reads when the system's codecs cannot make a picture of a file.
[[noreturn]] void CannotDecode(plat::IKernel& kernel, const std::string& path, std::int32_t hr,
                               const plat::DecodedPicture& picture) {
    if (hr == plat::WINCODEC_ERR_IMAGESIZEOUTOFRANGE && picture.width > 0 && picture.height > 0)
        CheckBitmapSize(picture.width, picture.height);
    std::string reason;
    if (hr == plat::WINCODEC_ERR_COMPONENTNOTFOUND || hr == plat::WINCODEC_ERR_UNKNOWNIMAGEFORMAT) {
        reason = "No picture decoder installed on this system can read it.";
    } else {
        reason = kernel.FormatMessage(static_cast<std::uint32_t>(hr));
        if (reason.empty()) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
            reason = std::string("The picture is damaged or incomplete (error ") + code + ").";
        }
    }
    throw EVelantError("Cannot decode picture \"" + path + "\". " + reason);
}

plat::DecodedPicture DecodeSystemPicture(plat::IKernel& kernel, plat::IImaging& imaging,
                                         const std::string& path, const plat::ScaleBox& box = {}) {
    const std::vector<std::uint8_t> data = ReadWholeFile(kernel, path);
    plat::DecodedPicture picture;
    const std::int32_t hr = imaging.DecodePicture(data, kMaxPicturePixels, picture, box);
    if (hr < 0) CannotDecode(kernel, path, hr, picture);
    // What a decoder hands over is checked like a file's header: its size, and
    // pixels enough for it.
    CheckBitmapSize(picture.width, picture.height);
    const std::size_t bytes =
        TBitmap::StrideFor(picture.width, 24) * static_cast<std::size_t>(picture.height);
    if (picture.pixels.size() != bytes) CannotDecode(kernel, path, plat::WINCODEC_ERR_BADIMAGE, picture);
    return picture;
}

}  // namespace

TPictureKind PictureKindOf(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return TPictureKind::pkNone;
    const std::string ext = LowerCase(path.substr(dot + 1));
    if (ext == "bmp") return TPictureKind::pkBitmap;
    if (ext == "jpg" || ext == "jpeg") return TPictureKind::pkJpeg;
    static constexpr const char* kSystem[] = {"png", "gif", "tif", "tiff", "webp", "heic"};
    for (const char* known : kSystem)
        if (ext == known) return TPictureKind::pkSystem;
    return TPictureKind::pkNone;
}

TBitmap LoadSystemPictureFile(plat::IKernel& kernel, plat::IImaging& imaging, const std::string& path) {
    plat::DecodedPicture picture = DecodeSystemPicture(kernel, imaging, path, {});
    TBitmap bitmap(picture.width, picture.height, 24);
    bitmap.Pixels().swap(picture.pixels);
    return bitmap;
}

TBitmap LoadPictureFile(plat::IKernel& kernel, plat::IImaging& imaging, const std::string& path) {
    switch (PictureKindOf(path)) {
        case TPictureKind::pkJpeg:
            return LoadJpegFile(kernel, path);
        case TPictureKind::pkSystem:
            return LoadSystemPictureFile(kernel, imaging, path);
        default:
            return LoadBmpFile(kernel, path);
    }
}

void ConvertPictureToBitmap(plat::IKernel& kernel, plat::IImaging& imaging, const std::string& source,
                            const std::string& target, const plat::ScaleBox& box) {
    switch (PictureKindOf(source)) {
        case TPictureKind::pkJpeg:
            ConvertJpegToBitmap(kernel, source, target, box);
            return;
        case TPictureKind::pkSystem: {
            // The decoded pixels are already a BMP file's pixel array: only the header goes before them.
            const plat::DecodedPicture picture = DecodeSystemPicture(kernel, imaging, source, box);
            std::uint8_t header[kBmpHeaderSize];
            WriteBmpHeader(header, picture.width, picture.height);
            TReplacingFile file(kernel, target);
            file.WriteAt(0, header, sizeof header);
            file.WriteAt(kBmpHeaderSize, picture.pixels.data(), picture.pixels.size());
            file.Commit();
            return;
        }
        default:
            SaveBmpFile(kernel, target, LoadBmpFile(kernel, source));
    }
}
