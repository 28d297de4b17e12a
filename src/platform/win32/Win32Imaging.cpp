#include "platform/win32/Win32Imaging.h"

#include "platform/win32/WinApi.h"
#include "platform/win32/ComPtr.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace win32 {

namespace {

// As constants rather than the import library's symbols or __uuidof, so that
// nothing depends on the compiler's COM extensions.
constexpr GUID kClsidWicImagingFactory = {
    0xCACAF262, 0x9370, 0x4615, {0xA1, 0x3B, 0x9F, 0x55, 0x39, 0xDA, 0x4C, 0x0A}};
constexpr GUID kIidWicImagingFactory = {
    0xEC5EC8A9, 0xC395, 0x4314, {0x9C, 0x77, 0x54, 0xD7, 0xA9, 0x35, 0xFF, 0x70}};
constexpr GUID kPixelFormat32bppBGR = {
    0x6FDDC324, 0x4E03, 0x4BFE, {0xB1, 0x85, 0x3D, 0x77, 0x76, 0x8D, 0xC9, 0x0E}};

// Win32 limits a bitmap's side to a signed 32-bit value; the program takes far less.
constexpr UINT kMaxSide = 1u << 20;

}  // namespace

Win32Imaging::~Win32Imaging() {
    if (FFactory) FFactory->Release();
    if (FComInitialised) ::CoUninitialize();
}

std::int32_t Win32Imaging::Factory(IWICImagingFactory*& factory) {
    if (!FFactory) {
        // The program's thread already has COM (S_FALSE then); the count is kept
        // in step all the same. A thread in the other apartment model uses it as it is.
        if (!FComInitialised)
            FComInitialised = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        const HRESULT hr = ::CoCreateInstance(kClsidWicImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                              kIidWicImagingFactory, reinterpret_cast<void**>(&FFactory));
        if (FAILED(hr)) {
            FFactory = nullptr;
            return hr;
        }
    }
    factory = FFactory;
    return S_OK;
}

std::int32_t Win32Imaging::DecodePicture(std::span<const std::uint8_t> data, std::uint64_t maxPixels,
                                         plat::DecodedPicture& picture, const plat::ScaleBox& box) {
    picture = {};
    if (data.size() > std::numeric_limits<DWORD>::max()) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    IWICImagingFactory* factory = nullptr;
    HRESULT hr = Factory(factory);
    if (FAILED(hr)) return hr;

    ComPtr<IWICStream> stream;
    if (FAILED(hr = factory->CreateStream(stream.put()))) return hr;
    // The stream only reads the bytes; the interface wants them writable.
    if (FAILED(hr = stream->InitializeFromMemory(const_cast<BYTE*>(data.data()),
                                                 static_cast<DWORD>(data.size()))))
        return hr;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(hr = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                     decoder.put())))
        return hr;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(hr = decoder->GetFrame(0, frame.put()))) return hr;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(hr = factory->CreateFormatConverter(converter.put()))) return hr;
    // Every decoder's format converts to 32-bit BGR, on Wine too (whose converter
    // reaches 24 bits from a few formats only); the fourth byte is dropped below.
    if (FAILED(hr = converter->Initialize(frame.get(), kPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                          0.0, WICBitmapPaletteTypeCustom)))
        return hr;

    UINT width = 0, height = 0;
    if (FAILED(hr = converter->GetSize(&width, &height))) return hr;
    picture.width = static_cast<int>(std::min(width, kMaxSide + 1));
    picture.height = static_cast<int>(std::min(height, kMaxSide + 1));
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<std::uint64_t>(width) * height > maxPixels)
        return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;

    // Scaled after the conversion: the scaler pulls converted rows as it needs
    // them, and 32-bit pixels are a format every scaler takes, Wine's too.
    IWICBitmapSource* source = converter.get();
    ComPtr<IWICBitmapScaler> scaler;
    int scaledWidth = 0, scaledHeight = 0;
    plat::SizeInBox(picture.width, picture.height, box, scaledWidth, scaledHeight);
    if (scaledWidth != picture.width || scaledHeight != picture.height) {
        if (FAILED(hr = factory->CreateBitmapScaler(scaler.put()))) return hr;
        if (FAILED(hr = scaler->Initialize(converter.get(), static_cast<UINT>(scaledWidth),
                                           static_cast<UINT>(scaledHeight), WICBitmapInterpolationModeFant)))
            return hr;
        source = scaler.get();
        width = static_cast<UINT>(scaledWidth);
        height = static_cast<UINT>(scaledHeight);
        picture.width = scaledWidth;
        picture.height = scaledHeight;
    }

    const std::size_t wide = static_cast<std::size_t>(width) * 4;
    const std::size_t size = wide * height;
    if (size > std::numeric_limits<UINT>::max()) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    std::vector<std::uint8_t>& pixels = picture.pixels;
    pixels.resize(size);
    if (FAILED(hr = source->CopyPixels(nullptr, static_cast<UINT>(wide), static_cast<UINT>(size),
                                       pixels.data()))) {
        pixels.clear();
        return hr;
    }
    // In place, front to back: a 24-bit pixel (or row padding) never lies beyond
    // the 32-bit one it comes from, so nothing is overwritten before it is read.
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* from = pixels.data() + y * wide;
        std::uint8_t* to = pixels.data() + y * stride;
        for (std::size_t x = 0; x < width; ++x) std::memmove(to + 3 * x, from + 4 * x, 3);
        std::memset(to + 3 * static_cast<std::size_t>(width), 0,
                    stride - 3 * static_cast<std::size_t>(width));
    }
    pixels.resize(stride * height);
    // The decoders give the top row first; a BMP file holds the bottom row first.
    std::vector<std::uint8_t> row(stride);
    for (std::size_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = pixels.data() + top * stride;
        std::uint8_t* b = pixels.data() + bottom * stride;
        std::memcpy(row.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, row.data(), stride);
    }
    return S_OK;
}

}  // namespace win32
