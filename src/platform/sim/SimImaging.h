#pragma once
// The simulated picture decoders. They know the pictures a test has registered,
// file image by file image, and answer anything else as Windows does for data
// no installed decoder recognises (WINCODEC_ERR_COMPONENTNOTFOUND).
//
// Decoding changes nothing, so it is not journaled; DecodeCount() tells whether
// the program asked at all. DecodePicture fails on demand (default code
// WINCODEC_ERR_BADIMAGE, as for a damaged file). A scale box gives the registered
// picture at SizeInBox's size, each pixel the nearest one of the original's.
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/imaging.h"
#include "platform/sim/SimJournal.h"

namespace sim {

class SimImaging : public plat::IImaging {
public:
    explicit SimImaging(SimJournal& journal) : journal_(journal) {}

    std::int32_t DecodePicture(std::span<const std::uint8_t> data, std::uint64_t maxPixels,
                               plat::DecodedPicture& picture, const plat::ScaleBox& box) override;

    // The picture these file bytes decode to (pixels laid out as DecodedPicture says).
    void AddPicture(std::vector<std::uint8_t> file, plat::DecodedPicture picture);
    std::size_t DecodeCount() const { return decodes_; }

private:
    SimJournal& journal_;
    std::map<std::vector<std::uint8_t>, plat::DecodedPicture> pictures_;
    std::size_t decodes_ = 0;
};

}  // namespace sim
