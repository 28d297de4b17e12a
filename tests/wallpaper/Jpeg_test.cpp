#include "wallpaper/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "platform/error.h"
#include "platform/sim/SimWindows.h"
#include "JpegEncoder.h"
#include "wallpaper/SafeFile.h"

namespace {

using wptest::EncodeJpeg;
using wptest::JpegOptions;

// Four flat quadrants, red, green, blue and white from the top left
// clockwise, so orientation and channel order both show.
std::uint8_t Quadrants(int w, int h, int x, int y, int c) {
    static const std::uint8_t colors[4][3] = {{255, 0, 0}, {0, 255, 0}, {255, 255, 255}, {0, 0, 255}};
    const int q = (y < h / 2 ? 0 : 2) + ((x < w / 2) == (y < h / 2) ? 0 : 1);
    return colors[q][c];
}

void ExpectNear(plat::ColorRef got, int r, int g, int b, int tolerance = 12) {
    EXPECT_NEAR(static_cast<int>(got & 0xFF), r, tolerance);
    EXPECT_NEAR(static_cast<int>(got >> 8 & 0xFF), g, tolerance);
    EXPECT_NEAR(static_cast<int>(got >> 16 & 0xFF), b, tolerance);
}

// libjpeg's own plain RGB decoding with the same settings, one row at a time.
std::vector<std::uint8_t> ReferenceRgb(const std::vector<std::uint8_t>& file, int& w, int& h) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    w = static_cast<int>(cinfo.output_width);
    h = static_cast<int>(cinfo.output_height);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * w * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

void ExpectSameAsReference(const std::vector<std::uint8_t>& file) {
    int w = 0, h = 0;
    const auto rgb = ReferenceRgb(file, w, h);
    const TBitmap pic = DecodeJpeg(file);
    ASSERT_EQ(pic.Width(), w);
    ASSERT_EQ(pic.Height(), h);
    ASSERT_EQ(pic.BitCount(), 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
            ASSERT_EQ(pic.Pixel(x, y), static_cast<plat::ColorRef>(p[0] | p[1] << 8 | p[2] << 16))
                << x << "," << y;
        }
}

std::string ErrorOf(const std::vector<std::uint8_t>& data, std::uint64_t maxPixels = kMaxPicturePixels) {
    try {
        DecodeJpeg(data, maxPixels);
    } catch (const EVelantError& e) {
        return e.what();
    }
    return "(decoded)";
}

std::vector<std::uint8_t> ColourFile(int w = 64, int h = 48, bool progressive = false) {
    JpegOptions o;
    o.width = w;
    o.height = h;
    o.progressive = progressive;
    return EncodeJpeg(o, [&](int x, int y, int c) { return Quadrants(w, h, x, y, c); });
}

TEST(JpegDecode, ColourPictureKeepsOrientationAndChannels) {
    const TBitmap pic = DecodeJpeg(ColourFile());
    ASSERT_EQ(pic.Width(), 64);
    ASSERT_EQ(pic.Height(), 48);
    ExpectNear(pic.Pixel(5, 5), 255, 0, 0);
    ExpectNear(pic.Pixel(58, 5), 0, 255, 0);
    ExpectNear(pic.Pixel(58, 42), 255, 255, 255);
    ExpectNear(pic.Pixel(5, 42), 0, 0, 255);
}

TEST(JpegDecode, PixelsEqualTheLibrarysPlainDecoding) {
    // Odd sizes make padded rows and partial MCUs.
    for (auto [w, h] : {std::pair{64, 48}, {33, 17}, {1, 1}, {250, 3}}) {
        JpegOptions o;
        o.width = w;
        o.height = h;
        ExpectSameAsReference(EncodeJpeg(o, [](int x, int y, int c) {
            return static_cast<std::uint8_t>((x * 5 + y * 3 + c * 70) ^ (x * y));
        }));
    }
}

TEST(JpegDecode, ProgressiveAndFullChromaFiles) {
    ExpectSameAsReference(ColourFile(80, 60, true));
    JpegOptions o;
    o.fullChroma = true;
    o.progressive = true;
    ExpectSameAsReference(
        EncodeJpeg(o, [](int x, int y, int c) { return static_cast<std::uint8_t>(x * y + c); }));
}

TEST(JpegDecode, GreyscaleBecomesGreyColour) {
    JpegOptions o;
    o.inColorSpace = JCS_GRAYSCALE;
    const auto file = EncodeJpeg(o, [](int x, int, int) { return static_cast<std::uint8_t>(x * 4); });
    const TBitmap pic = DecodeJpeg(file);
    EXPECT_EQ(pic.BitCount(), 24);
    for (int x : {0, 20, 63}) {
        const plat::ColorRef c = pic.Pixel(x, 10);
        EXPECT_EQ(c & 0xFF, c >> 8 & 0xFF);
        EXPECT_EQ(c & 0xFF, c >> 16 & 0xFF);
        EXPECT_NEAR(static_cast<int>(c & 0xFF), x * 4, 4);
    }
}

TEST(JpegDecode, AdobeCmykIsConverted) {
    // With the Adobe marker the stored inks are inverted: storing (r, g, b, 255)
    // means cyan 255 - r and so on, with no black.
    JpegOptions o;
    o.inColorSpace = JCS_CMYK;
    const auto file = EncodeJpeg(o, [&](int x, int y, int c) {
        return c == 3 ? std::uint8_t{255} : Quadrants(o.width, o.height, x, y, c);
    });
    const TBitmap pic = DecodeJpeg(file);
    ExpectNear(pic.Pixel(5, 5), 255, 0, 0);
    ExpectNear(pic.Pixel(5, 42), 0, 0, 255);
}

TEST(JpegDecode, BmpFileBytesAreTheWriterOutputOfTheDecodedBitmap) {
    const auto file = ColourFile(37, 11);
    EXPECT_EQ(DecodeJpegToBmpFile(file), EncodeBmp(DecodeJpeg(file)));
}

TEST(JpegDecode, LibraryErrorsCarryTheLibraryMessage) {
    const auto good = ColourFile();
    EXPECT_EQ(ErrorOf({}), "Empty input file");
    EXPECT_EQ(ErrorOf({'B', 'M', 1, 2, 3}), "Not a JPEG file: starts with 0x42 0x4d");
    EXPECT_EQ(ErrorOf(std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2)),
              "Premature end of JPEG file");
    EXPECT_EQ(ErrorOf(std::vector<std::uint8_t>(good.begin(), good.begin() + 100)),
              "Premature end of JPEG file");

    // The frame header's sample precision (the byte after the SOF0 length).
    auto corrupt = good;
    for (std::size_t i = 2; i + 4 < corrupt.size(); ++i)
        if (corrupt[i] == 0xFF && corrupt[i + 1] == 0xC0) {
            corrupt[i + 4] = 12;
            break;
        }
    EXPECT_EQ(ErrorOf(corrupt), "Unsupported JPEG data precision 12");
}

TEST(JpegDecode, HeaderClaimingTooManyPixelsIsRefused) {
    const auto file = ColourFile(64, 48);
    EXPECT_EQ(ErrorOf(file, 64 * 48 - 1), "JPEG image is too large: 64 x 48 pixels");
    EXPECT_EQ(ErrorOf(file, 64 * 48), "(decoded)");
    // A real header saying 60000 x 60000.
    auto huge = file;
    for (std::size_t i = 2; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 7] = 0xEA;
            huge[i + 6] = huge[i + 8] = 0x60;
            break;
        }
    EXPECT_EQ(ErrorOf(huge), "JPEG image is too large: 60000 x 60000 pixels");
}

class JpegFiles : public ::testing::Test {
protected:
    sim::SimWindows win;
    sim::SimKernel& kernel = win.Kernel();
    void Put(const std::string& path, const std::vector<std::uint8_t>& data) {
        kernel.WriteBytes(path, data);
    }
    std::vector<std::uint8_t> Get(const std::string& path) { return ReadWholeFile(kernel, path); }
};

TEST_F(JpegFiles, ConvertWritesABitmapFileWhateverTheName) {
    const auto jpeg = ColourFile();
    Put("C:\\pic.jpg", jpeg);
    ConvertJpegToBitmap(kernel, "C:\\pic.jpg", "C:\\WINDOWS\\Velant! Pro 2001 wallpaper.bmp");
    EXPECT_EQ(Get("C:\\WINDOWS\\Velant! Pro 2001 wallpaper.bmp"), DecodeJpegToBmpFile(jpeg));
    ConvertJpegToBitmap(kernel, "C:\\pic.jpg", "C:\\copy.jpg");
    EXPECT_EQ(DecodeBmp(Get("C:\\copy.jpg")), DecodeJpeg(jpeg));
    EXPECT_EQ(LoadJpegFile(kernel, "C:\\pic.jpg"), DecodeJpeg(jpeg));

    // The header's sizes and offset describe the file as written: 61 pixels of 3 bytes pad to 184.
    Put("C:\\odd.jpg", ColourFile(61, 7));
    ConvertJpegToBitmap(kernel, "C:\\odd.jpg", "C:\\odd.bmp");
    const auto bmp = Get("C:\\odd.bmp");
    auto u32At = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bmp.at(at) | bmp.at(at + 1) << 8 | bmp.at(at + 2) << 16 |
                                          bmp.at(at + 3) << 24);
    };
    ASSERT_EQ(bmp.size(), 54u + 184u * 7);
    EXPECT_EQ(u32At(2), bmp.size());  // bfSize
    EXPECT_EQ(u32At(10), 54u);        // bfOffBits
    EXPECT_EQ(u32At(34), 184u * 7);   // biSizeImage
}

TEST_F(JpegFiles, FailedConversionKeepsThePreviousWallpaper) {
    const std::string target = "C:\\WINDOWS\\wall.bmp";
    Put("C:\\good.jpg", ColourFile());
    ConvertJpegToBitmap(kernel, "C:\\good.jpg", target);
    const auto before = Get(target);

    const auto good = ColourFile(90, 90);
    Put("C:\\cut.jpg", std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 3));
    win.ClearJournal();
    EXPECT_THROW(ConvertJpegToBitmap(kernel, "C:\\cut.jpg", target), EVelantError);
    EXPECT_TRUE(win.Journal().empty());  // nothing written for a file that does not decode
    EXPECT_EQ(Get(target), before);

    Put("C:\\other.jpg", good);
    kernel.SetDiskFreeBytes(100);
    EXPECT_THROW(ConvertJpegToBitmap(kernel, "C:\\other.jpg", target), EVelantError);
    EXPECT_EQ(Get(target), before);
    EXPECT_FALSE(kernel.Exists(TemporaryNameBeside(target)));
}

// 999 pixels of 3 bytes pad to 3000, so about 350 rows make a megabyte and
// 800 rows several bands; every row differs, so a band out of place shows.
std::vector<std::uint8_t> BandedFile(J_COLOR_SPACE space) {
    JpegOptions o;
    o.width = 999;
    o.height = 800;
    o.inColorSpace = space;
    return EncodeJpeg(o, [](int x, int y, int c) {
        return c == 3 ? std::uint8_t{200} : static_cast<std::uint8_t>(x * 7 + y * 13 + c * 50 + (x ^ y));
    });
}

// The sizes of the writes made through file handles, in order.
std::vector<std::size_t> HandleWrites(const std::vector<std::string>& journal) {
    std::vector<std::size_t> sizes;
    for (const auto& e : journal)
        if (e.rfind("WriteFile(", 0) == 0 && e[10] != '"')
            sizes.push_back(std::strtoul(e.c_str() + e.find(", ") + 2, nullptr, 10));
    return sizes;
}

TEST_F(JpegFiles, LargePicturesAreWrittenBandByBandWithTheSameBytes) {
    const std::string target = "C:\\WINDOWS\\wall.bmp";
    for (J_COLOR_SPACE space : {JCS_RGB, JCS_CMYK}) {
        SCOPED_TRACE(space);
        const auto jpeg = BandedFile(space);
        Put("C:\\big.jpg", jpeg);
        win.ClearJournal();
        ConvertJpegToBitmap(kernel, "C:\\big.jpg", target);
        const auto written = Get(target);
        EXPECT_EQ(written, DecodeJpegToBmpFile(jpeg));
        EXPECT_FALSE(kernel.Exists(TemporaryNameBeside(target)));

        // The header, then bands of at most a megabyte: the picture is never whole in memory.
        const auto writes = HandleWrites(win.Journal());
        ASSERT_GE(writes.size(), 4u);
        EXPECT_EQ(writes[0], 54u);
        std::size_t total = 0;
        for (std::size_t w : writes) {
            EXPECT_LE(w, std::size_t{1} << 20);
            total += w;
        }
        EXPECT_EQ(total, written.size());
    }
}

TEST_F(JpegFiles, FailureHalfWayThroughKeepsThePreviousWallpaper) {
    const std::string target = "C:\\WINDOWS\\wall.bmp";
    const auto good = BandedFile(JCS_RGB);
    enum TFault { fDamaged, fUnreadable, fDiskFull, fTargetLocked };
    const std::pair<TFault, const char*> cases[] = {
        {fDamaged, "Premature end of JPEG file"},
        {fUnreadable, "Cannot open file \"C:\\new.jpg\". Access is denied."},
        {fDiskFull, "Cannot create file \"C:\\WINDOWS\\wall.bmp\". There is not enough space on the disk."},
        {fTargetLocked,
         "Cannot create file \"C:\\WINDOWS\\wall.bmp\". The process cannot access the file "
         "because it is being used by another process."},
    };
    Put("C:\\old.jpg", ColourFile());
    ConvertJpegToBitmap(kernel, "C:\\old.jpg", target);
    const auto before = Get(target);
    for (const auto& [fault, error] : cases) {
        SCOPED_TRACE(error);
        // Cut after two thirds, the file fails once the first bands are written; the disk
        // fills up after the first band; the lock stops the move at the end.
        Put("C:\\new.jpg", fault == fDamaged
                               ? std::vector<std::uint8_t>(good.begin(), good.begin() + 2 * good.size() / 3)
                               : good);
        if (fault == fDiskFull) kernel.SetDiskFreeBytes(1500000);
        kernel.LockFile(target, fault == fTargetLocked);
        if (fault == fUnreadable) win.FailNext("ReadFile");
        win.ClearJournal();
        try {
            ConvertJpegToBitmap(kernel, "C:\\new.jpg", target);
            ADD_FAILURE() << "converted";
        } catch (const EVelantError& e) {
            EXPECT_STREQ(e.what(), error);
        }
        kernel.SetDiskFreeBytes({});
        kernel.LockFile(target, false);
        if (fault != fUnreadable) {
            EXPECT_GE(HandleWrites(win.Journal()).size(), 2u) << "the failure came after rows were written";
        }
        EXPECT_EQ(Get(target), before);
        EXPECT_FALSE(kernel.Exists(TemporaryNameBeside(target)));
    }
}

// Fill and Fit: the smallest eighth whose picture still reaches what the layout
// draws on the monitor. Exactly enough is taken; a pixel short takes the next.
TEST_F(JpegFiles, ScaledLayoutsDecodeAtTheSmallestEighthStillCoveringTheMonitor) {
    struct Case {
        int w, h;
        plat::ScaleBox box;
        int eighths;
    };
    const Case cases[] = {
        {600, 400, {192, 108, true}, 3},  {160, 120, {60, 45, true}, 3},  {160, 120, {61, 45, true}, 4},
        {160, 120, {60, 46, true}, 4},    {160, 120, {60, 90, false}, 3}, {160, 120, {61, 90, false}, 4},
        {120, 160, {192, 108, false}, 6}, {100, 70, {192, 108, true}, 8}, {600, 400, {}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " in " + std::to_string(c.box.width) + "x" +
                     std::to_string(c.box.height) + (c.box.cover ? " fill" : " fit"));
        EXPECT_EQ(JpegScaleEighths(c.w, c.h, c.box), c.eighths);
        Put("C:\\big.jpg", ColourFile(c.w, c.h));
        ConvertJpegToBitmap(kernel, "C:\\big.jpg", "C:\\wall.bmp", c.box);
        const TBitmap written = DecodeBmp(Get("C:\\wall.bmp"));
        EXPECT_EQ(written.Width(), (c.w * c.eighths + 7) / 8);
        EXPECT_EQ(written.Height(), (c.h * c.eighths + 7) / 8);
    }
}

TEST_F(JpegFiles, MissingSourceNamesTheFile) {
    try {
        ConvertJpegToBitmap(kernel, "C:\\gone.jpg", "C:\\WINDOWS\\wall.bmp");
        FAIL();
    } catch (const EVelantError& e) {
        EXPECT_STREQ(e.what(),
                     "Cannot open file \"C:\\gone.jpg\". The system cannot find the file specified.");
    }
}

}  // namespace
