#pragma once
// The Windows Imaging Component behind IImaging.
#include "platform/imaging.h"

struct IWICImagingFactory;

namespace win32 {

// COM and the imaging factory are taken up at the first picture that needs
// them, so a program that only ever shows BMP and JPEG files never loads the
// codecs. Both are let go when the object is destroyed, on the thread that used them.
class Win32Imaging final : public plat::IImaging {
public:
    Win32Imaging() = default;
    ~Win32Imaging() override;
    Win32Imaging(const Win32Imaging&) = delete;
    Win32Imaging& operator=(const Win32Imaging&) = delete;

    std::int32_t DecodePicture(std::span<const std::uint8_t> data, std::uint64_t maxPixels,
                               plat::DecodedPicture& picture, const plat::ScaleBox& box) override;

private:
    std::int32_t Factory(IWICImagingFactory*& factory);

    IWICImagingFactory* FFactory = nullptr;
    bool FComInitialised = false;
};

}  // namespace win32
