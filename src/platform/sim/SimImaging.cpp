#include "platform/sim/SimImaging.h"

namespace sim {

std::int32_t SimImaging::DecodePicture(std::span<const std::uint8_t> data, std::uint64_t maxPixels,
                                       plat::DecodedPicture& picture, const plat::ScaleBox& box) {
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
    plat::SizeInBox(known.width, known.height, box, picture.width, picture.height);
    if (picture.width == known.width && picture.height == known.height) {
        picture.pixels = known.pixels;
        return 0;
    }
    const std::size_t from = (static_cast<std::size_t>(known.width) * 3 + 3) / 4 * 4;
    const std::size_t to = (static_cast<std::size_t>(picture.width) * 3 + 3) / 4 * 4;
    picture.pixels.assign(to * static_cast<std::size_t>(picture.height), 0);
    for (int y = 0; y < picture.height; ++y) {
        const std::size_t sy = static_cast<std::size_t>(y) * known.height / picture.height;
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t sx = static_cast<std::size_t>(x) * known.width / picture.width;
            for (int c = 0; c < 3; ++c)
                picture.pixels[to * y + 3 * static_cast<std::size_t>(x) + c] =
                    known.pixels[from * sy + 3 * sx + c];
        }
    }
    return 0;
}

void SimImaging::AddPicture(std::vector<std::uint8_t> file, plat::DecodedPicture picture) {
    pictures_[std::move(file)] = std::move(picture);
}

}  // namespace sim
