#pragma once
// Pictures decoded by the system's own codecs (the Windows Imaging Component):
// the formats beyond BMP and JPEG, as far as the user's Windows has codecs for them.
//
// Like constants.h, this header names constants that <windows.h> defines as
// macros: include it before the Windows headers.
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

class IImaging {
public:
    virtual ~IImaging() = default;

    // Decodes a whole picture file image with whichever installed decoder
    // recognises it (IWICImagingFactory::CreateDecoderFromStream, frame 0,
    // IWICFormatConverter to GUID_WICPixelFormat24bppBGR, CopyPixels). Returns the
    // HRESULT: S_OK (0) with the picture filled, WINCODEC_ERR_COMPONENTNOTFOUND
    // when no decoder knows the data, WINCODEC_ERR_IMAGESIZEOUTOFRANGE with only
    // the size filled when the frame has more than maxPixels pixels (nothing is
    // allocated then), any other failure code for damaged data.
    virtual std::int32_t DecodePicture(std::span<const std::uint8_t> data, std::uint64_t maxPixels,
                                       DecodedPicture& picture) = 0;
};

}  // namespace plat
