#pragma once
// Builds JPEG files for the tests and benchmarks with libjpeg's compressor.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace wptest {

struct JpegOptions {
    int width = 64;
    int height = 48;
    J_COLOR_SPACE inColorSpace = JCS_RGB;  // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    int quality = 95;
    bool progressive = false;
    bool fullChroma = false;  // 4:4:4 instead of the default 4:2:0
};

// sample(x, y, channel) gives each input sample.
inline std::vector<std::uint8_t> EncodeJpeg(const JpegOptions& o,
                                            const std::function<std::uint8_t(int, int, int)>& sample) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    const int components = o.inColorSpace == JCS_GRAYSCALE ? 1 : o.inColorSpace == JCS_CMYK ? 4 : 3;
    cinfo.image_width = static_cast<JDIMENSION>(o.width);
    cinfo.image_height = static_cast<JDIMENSION>(o.height);
    cinfo.input_components = components;
    cinfo.in_color_space = o.inColorSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, o.quality, TRUE);
    if (o.fullChroma && components == 3)
        for (int c = 0; c < 3; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    if (o.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(o.width * components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < o.width; ++x)
            for (int c = 0; c < components; ++c)
                row[static_cast<std::size_t>(x * components + c)] = sample(x, y, c);
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> file(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return file;
}

}  // namespace wptest
