#pragma once
// Pictures decoded by the system's own codecs (the Windows Imaging Component):
// the formats beyond BMP and JPEG, as far as the user's Windows has codecs for them.
//
// Like constants.h, this header names constants that <windows.h> defines as
// macros: include it before the Windows headers.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace plat {

// HRESULTs of the decoders that the program tells apart.
constexpr std::int32_t WINCODEC_ERR_UNKNOWNIMAGEFORMAT = static_cast<std::int32_t>(0x88982F07u);
constexpr std::int32_t WINCODEC_ERR_COMPONENTNOTFOUND = static_cast<std::int32_t>(0x88982F50u);
constexpr std::int32_t WINCODEC_ERR_IMAGESIZEOUTOFRANGE = static_cast<std::int32_t>(0x88982F51u);
constexpr std::int32_t WINCODEC_ERR_BADIMAGE = static_cast<std::int32_t>(0x88982F60u);

// The first frame of a picture in 24-bit colour, laid out as the pixel array of
// an uncompressed bottom-up BMP file: bottom row first, three bytes B, G, R per
// pixel, each row padded with zeros to a multiple of four bytes.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// What a layout that scales the picture itself draws it in: Fill (cover) covers
// the box and crops what overflows, Fit shows the whole picture inside it. A box
// with a side of 0 asks for the picture at its own size.
struct ScaleBox {
    int width = 0;
    int height = 0;
    bool cover = false;

    bool Empty() const { return width <= 0 || height <= 0; }
};

// The size a width x height picture is drawn at in box, proportions kept, each
// side rounded up so that it is never less than what the layout draws; never
// above the picture's own size (the layout enlarges a small picture itself).
inline void SizeInBox(int width, int height, const ScaleBox& box, int& outWidth, int& outHeight) {
    outWidth = width;
    outHeight = height;
    if (box.Empty() || width <= 0 || height <= 0) return;
    // box.width / width against box.height / height, without rounding.
    const std::int64_t byWidth = static_cast<std::int64_t>(box.width) * height;
    const std::int64_t byHeight = static_cast<std::int64_t>(box.height) * width;
    const bool widthRules = box.cover ? byWidth >= byHeight : byWidth <= byHeight;
    const std::int64_t num = widthRules ? box.width : box.height;
    const std::int64_t den = widthRules ? width : height;
    if (num >= den) return;
    outWidth = static_cast<int>(std::max<std::int64_t>(1, (width * num + den - 1) / den));
    outHeight = static_cast<int>(std::max<std::int64_t>(1, (height * num + den - 1) / den));
}

class IImaging {
public:
    virtual ~IImaging() = default;

    // Decodes a whole picture file image with whichever installed decoder
    // recognises it (IWICImagingFactory::CreateDecoderFromStream, frame 0,
    // IWICFormatConverter to GUID_WICPixelFormat24bppBGR, CopyPixels). Returns the
    // HRESULT: S_OK (0) with the picture filled, WINCODEC_ERR_COMPONENTNOTFOUND
    // when no decoder knows the data, WINCODEC_ERR_IMAGESIZEOUTOFRANGE with only
    // the size filled when the frame has more than maxPixels pixels (nothing is
    // allocated then), any other failure code for damaged data. A non-empty box
    // scales the frame with the decoders' scaler (IWICBitmapScaler) to
    // SizeInBox's size; maxPixels applies to the frame's own size.
    virtual std::int32_t DecodePicture(std::span<const std::uint8_t> data, std::uint64_t maxPixels,
                                       DecodedPicture& picture, const ScaleBox& box) = 0;
};

}  // namespace plat
