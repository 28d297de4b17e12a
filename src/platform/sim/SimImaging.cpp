#include "platform/sim/SimImaging.h"

namespace sim {

std::int32_t SimImaging::DecodePicture(std::span<const std::uint8_t> data, std::uint64_t maxPixels,
                                       plat::DecodedPicture& picture) {
    ++decodes_;
    if (auto f = journal_.Fails("DecodePicture"))
        return *f ? static_cast<std::int32_t>(*f) : plat::WINCODEC_ERR_BADIMAGE;
    auto it = pictures_.find(std::vector<std::uint8_t>(data.begin(), data.end()));
    if (it == pictures_.end()) return plat::WINCODEC_ERR_COMPONENTNOTFOUND;
    const plat::DecodedPicture& known = it->second;
    picture.width = known.width;
    picture.height = known.height;
    if (static_cast<std::uint64_t>(known.width) * static_cast<std::uint64_t>(known.height) > maxPixels) {
        picture.pixels.clear();
        return plat::WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    }
    picture.pixels = known.pixels;
    return 0;
}

void SimImaging::AddPicture(std::vector<std::uint8_t> file, plat::DecodedPicture picture) {
    pictures_[std::move(file)] = std::move(picture);
}

}  // namespace sim
