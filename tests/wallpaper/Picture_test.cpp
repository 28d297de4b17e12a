#include "wallpaper/Picture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/constants.h"
#include "platform/error.h"
#include "JpegEncoder.h"
#include "platform/sim/SimWindows.h"
#include "wallpaper/Jpeg.h"
#include "wallpaper/SafeFile.h"

namespace {

plat::ColorRef Rgb(int r, int g, int b) { return static_cast<plat::ColorRef>(r | g << 8 | b << 16); }

// A picture whose every pixel differs, so any misplaced pixel shows.
TBitmap Pattern(int w, int h, int bitCount = 24) {
    TBitmap b(w, h, bitCount);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, Rgb(x * 7 + 1, y * 11 + 2, (x ^ y) * 13 + 3));
    return b;
}

std::string ErrorOf(std::span<const std::uint8_t> data) {
    try {
        DecodeBmp(data);
    } catch (const EVelantError& e) {
        return e.what();
    }
    return "(decoded)";
}

std::uint32_t U32At(const std::vector<std::uint8_t>& file, std::size_t at) {
    return static_cast<std::uint32_t>(file.at(at) | file.at(at + 1) << 8 | file.at(at + 2) << 16 |
                                      file.at(at + 3) << 24);
}

// Hand-built BMP files for the formats our writer never produces.
struct BmpBuilder {
    int width = 3, height = 2;  // height < 0: top-down
    int bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::vector<std::uint32_t> masks;    // after the header (40) or inside it (52+)
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB as stored (B, G, R, 0)
    std::uint32_t colorsUsed = 0;
    std::uint32_t imageSize = 0;
    std::vector<std::vector<std::uint8_t>> rows;  // file order, unpadded
    std::vector<std::uint8_t> rle;                // compressed pixel data, written instead of rows

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> f(14);
        auto put = [&](std::uint32_t v, int bytes) {
            for (int i = 0; i < bytes; ++i) f.push_back(i < 4 ? static_cast<std::uint8_t>(v >> (8 * i)) : 0);
        };
        put(headerSize, 4);
        if (headerSize == 12) {
            put(static_cast<std::uint32_t>(width), 2);
            put(static_cast<std::uint32_t>(height), 2);
            put(1, 2);
            put(static_cast<std::uint32_t>(bitCount), 2);
        } else {
            put(static_cast<std::uint32_t>(width), 4);
            put(static_cast<std::uint32_t>(height), 4);
            put(1, 2);
            put(static_cast<std::uint32_t>(bitCount), 2);
            put(compression, 4);
            put(imageSize, 4);
            put(0, 4 * 2);
            put(colorsUsed, 4);
            put(0, 4);
            if (headerSize > 40) {
                for (std::size_t i = 0; i < 4; ++i) put(i < masks.size() ? masks[i] : 0, 4);
                f.resize(14 + headerSize);
            } else {
                for (std::uint32_t m : masks) put(m, 4);
            }
        }
        for (std::uint32_t c : palette) put(c, headerSize == 12 ? 3 : 4);
        const std::uint32_t offset = static_cast<std::uint32_t>(f.size());
        const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
        for (const auto& row : rows) {
            std::vector<std::uint8_t> padded(row);
            padded.resize(stride, 0xEE);  // junk padding must not reach the picture
            f.insert(f.end(), padded.begin(), padded.end());
        }
        f.insert(f.end(), rle.begin(), rle.end());
        f[0] = 'B';
        f[1] = 'M';
        const std::uint32_t size = static_cast<std::uint32_t>(f.size());
        for (int i = 0; i < 4; ++i) {
            f[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
            f[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
        }
        return f;
    }
};

TEST(Bitmap, LayoutIsTheBottomUpBmpPixelArray) {
    TBitmap b(3, 2);
    EXPECT_EQ(b.Stride(), 12u);  // 9 bytes padded to 12
    ASSERT_EQ(b.Pixels().size(), 24u);
    b.SetPixel(0, 0, Rgb(1, 2, 3));  // top-left: second row in memory
    b.SetPixel(2, 1, Rgb(4, 5, 6));  // bottom-right: first row in memory
    EXPECT_EQ(b.Pixels()[12], 3);    // B
    EXPECT_EQ(b.Pixels()[13], 2);    // G
    EXPECT_EQ(b.Pixels()[14], 1);    // R
    EXPECT_EQ(b.Pixels()[6], 6);
    EXPECT_EQ(b.Pixels()[8], 4);
    EXPECT_EQ(b.Pixel(0, 0), Rgb(1, 2, 3));
    EXPECT_EQ(TBitmap(5, 1, 32).Stride(), 20u);
}

TEST(Bitmap, RefusesImpossibleSizes) {
    EXPECT_THROW(TBitmap(0, 5), EVelantError);
    EXPECT_THROW(TBitmap(5, -1), EVelantError);
    EXPECT_THROW(TBitmap(100000, 100000), EVelantError);
    EXPECT_THROW(TBitmap(4, 4, 16), EVelantError);
}

TEST(MirrorBitmap, MovesEveryPixelToItsMirrorPlace) {
    for (int bits : {24, 32}) {
        const TBitmap src = Pattern(5, 3, bits);
        const TBitmap lr = MirrorBitmap(false, true, src);
        const TBitmap tb = MirrorBitmap(true, false, src);
        const TBitmap both = MirrorBitmap(true, true, src);
        EXPECT_EQ(lr.BitCount(), bits);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(lr.Pixel(4 - x, y), src.Pixel(x, y));
                EXPECT_EQ(tb.Pixel(x, 2 - y), src.Pixel(x, y));
                EXPECT_EQ(both.Pixel(4 - x, 2 - y), src.Pixel(x, y));
            }
        EXPECT_EQ(MirrorBitmap(false, false, src), src);
    }
}

TEST(MirrorBitmap, FlipTwiceIsIdentityAndFlipThenReverseIsHalfTurn) {
    const TBitmap src = Pattern(7, 4);
    EXPECT_EQ(MirrorBitmap(false, true, MirrorBitmap(false, true, src)), src);
    EXPECT_EQ(MirrorBitmap(true, false, MirrorBitmap(false, true, src)), MirrorBitmap(true, true, src));
    EXPECT_TRUE(MirrorBitmap(true, true, TBitmap()).Empty());
}

TEST(MirrorBitmap, KeepsTheFourthByteOf32BitPixels) {
    TBitmap src(2, 1, 32);
    src.Row(0)[3] = 0x80;
    src.Row(0)[7] = 0x40;
    const TBitmap lr = MirrorBitmap(false, true, src);
    EXPECT_EQ(lr.Row(0)[3], 0x40);
    EXPECT_EQ(lr.Row(0)[7], 0x80);
}

TEST(BmpCodec, WrittenFilesReadBackUnchanged) {
    for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {4, 4}, {17, 5}}) {
        const TBitmap src = Pattern(w, h);
        const auto file = EncodeBmp(src);
        EXPECT_EQ(file.size(), kBmpHeaderSize + src.Pixels().size());
        EXPECT_EQ(U32At(file, 2), file.size());                                  // bfSize
        EXPECT_EQ(U32At(file, 10), 54u);                                         // bfOffBits
        EXPECT_EQ(U32At(file, 34), src.Stride() * static_cast<std::size_t>(h));  // biSizeImage
        EXPECT_EQ(DecodeBmp(file), src) << w << "x" << h;
    }
}

TEST(BmpCodec, WritesA32BitBitmapAs24Bits) {
    const TBitmap src = Pattern(3, 3, 32);
    const TBitmap back = DecodeBmp(EncodeBmp(src));
    EXPECT_EQ(back.BitCount(), 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(back.Pixel(x, y), src.Pixel(x, y));
    EXPECT_THROW(EncodeBmp(TBitmap()), EVelantError);
}

TEST(BmpCodec, TopDownAndBottomUpGiveTheSamePicture) {
    BmpBuilder b;
    b.bitCount = 24;
    b.width = 2;
    b.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};  // bottom row first
    const TBitmap up = DecodeBmp(b.Build());
    b.height = -2;
    b.rows = {{7, 8, 9, 10, 11, 12}, {1, 2, 3, 4, 5, 6}};  // top row first
    const TBitmap down = DecodeBmp(b.Build());
    EXPECT_EQ(up, down);
    EXPECT_EQ(up.Pixel(0, 0), Rgb(9, 8, 7));
    EXPECT_EQ(up.Pixel(1, 1), Rgb(6, 5, 4));
}

TEST(BmpCodec, PalettedDepths) {
    const std::vector<std::uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    BmpBuilder b;
    b.palette = pal;
    b.colorsUsed = 4;
    b.width = 10;
    b.height = -1;

    b.bitCount = 1;
    b.rows = {{0b10110000, 0b01000000}};
    TBitmap one = DecodeBmp(b.Build());
    const int bits[] = {1, 0, 1, 1, 0, 0, 0, 0, 0, 1};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(one.Pixel(x, 0), bits[x] ? Rgb(255, 0, 0) : 0u) << x;

    b.bitCount = 4;
    b.rows = {{0x12, 0x30, 0x00, 0x00, 0x09}};  // index 9 lies beyond the table: black
    TBitmap four = DecodeBmp(b.Build());
    EXPECT_EQ(four.Pixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(four.Pixel(1, 0), Rgb(0, 255, 0));
    EXPECT_EQ(four.Pixel(2, 0), Rgb(0, 0, 255));
    EXPECT_EQ(four.Pixel(9, 0), 0u);

    b.bitCount = 8;
    b.rows = {{3, 2, 1, 0, 3, 2, 1, 0, 3, 200}};
    TBitmap eight = DecodeBmp(b.Build());
    EXPECT_EQ(eight.Pixel(0, 0), Rgb(0, 0, 255));
    EXPECT_EQ(eight.Pixel(2, 0), Rgb(255, 0, 0));
    EXPECT_EQ(eight.Pixel(9, 0), 0u);
}

TEST(BmpCodec, CoreHeaderWithThreeBytePalette) {
    BmpBuilder b;
    b.headerSize = 12;
    b.bitCount = 8;
    b.width = 2;
    b.height = 1;
    b.palette.assign(256, 0);
    b.palette[5] = 0x102030;
    b.rows = {{5, 0}};
    const TBitmap pic = DecodeBmp(b.Build());
    EXPECT_EQ(pic.Pixel(0, 0), Rgb(0x10, 0x20, 0x30));
}

TEST(BmpCodec, SixteenBitDefaultAndBitFields) {
    BmpBuilder b;
    b.bitCount = 16;
    b.width = 2;
    b.height = 1;
    // 5-5-5 without masks: full red, then full blue.
    b.rows = {{0x00, 0x7C, 0x1F, 0x00}};
    TBitmap pic = DecodeBmp(b.Build());
    EXPECT_EQ(pic.Pixel(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(pic.Pixel(1, 0), Rgb(0, 0, 255));
    // 5-6-5 through bit fields after a 40-byte header: full green.
    b.compression = 3;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.rows = {{0xE0, 0x07, 0x10, 0x00}};
    pic = DecodeBmp(b.Build());
    EXPECT_EQ(pic.Pixel(0, 0), Rgb(0, 255, 0));
    EXPECT_EQ(pic.Pixel(1, 0), Rgb(0, 0, 132));  // 16 of 31
}

TEST(BmpCodec, ThirtyTwoBitPlainAndBitFieldsInAV5Header) {
    BmpBuilder b;
    b.bitCount = 32;
    b.width = 1;
    b.height = 1;
    b.rows = {{0x10, 0x20, 0x30, 0x77}};
    TBitmap pic = DecodeBmp(b.Build());
    EXPECT_EQ(pic.BitCount(), 32);
    EXPECT_EQ(pic.Pixel(0, 0), Rgb(0x30, 0x20, 0x10));
    EXPECT_EQ(pic.Row(0)[3], 0x77);

    b.headerSize = 124;
    b.compression = 3;
    b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};  // R, G, B, A: an RGBA layout
    pic = DecodeBmp(b.Build());
    EXPECT_EQ(pic.Pixel(0, 0), Rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(pic.Row(0)[3], 0x77);

    // A version 2 header has room for three masks only, even with alpha bit fields.
    b.headerSize = 52;
    b.compression = 6;
    pic = DecodeBmp(b.Build());
    EXPECT_EQ(pic.Pixel(0, 0), Rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(pic.Row(0)[3], 0);
}

// Every layout Windows loads, each holding the same 5 x 3 picture: the odd
// width leaves padding in every row, and palette index 0 is not black.
TEST(BmpCodec, EveryLayoutGivesTheSamePicture) {
    constexpr int W = 5, H = 3;
    auto indexAt = [](int x, int y, int colours) { return (x + 3 * y) % 8 % colours; };  // y from the top
    auto on = [](int i, int channel) { return ((i ^ 1) >> channel & 1) != 0; };          // R, G, B: 0 or 255
    struct Kind {
        const char* name;
        std::uint32_t headerSize;
        int bitCount;
        std::uint32_t compression;
        std::array<std::uint32_t, 3> masks;  // where R, G and B sit in a pixel
    };
    const std::array<std::uint32_t, 3> rgb24 = {0xFF0000, 0x00FF00, 0x0000FF};
    const Kind kinds[] = {
        {"core 1", 12, 1, 0, {}},
        {"core 4", 12, 4, 0, {}},
        {"core 8", 12, 8, 0, {}},
        {"core 24", 12, 24, 0, rgb24},
        {"1", 40, 1, 0, {}},
        {"4", 40, 4, 0, {}},
        {"8", 40, 8, 0, {}},
        {"16", 40, 16, 0, {0x7C00, 0x03E0, 0x001F}},
        {"16 bit fields", 40, 16, 3, {0xF800, 0x07E0, 0x001F}},
        {"16 bit fields, v4 header", 108, 16, 3, {0x000F, 0x00F0, 0x0F00}},
        {"24", 40, 24, 0, rgb24},
        {"32", 40, 32, 0, rgb24},
        {"32 bit fields", 40, 32, 3, {0x0000FF00, 0x00FF0000, 0xFF000000}},
        {"32 bit fields, v5 header", 124, 32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}},
        {"RLE8", 40, 8, 1, {}},
        {"RLE4", 40, 4, 2, {}},
    };
    for (const Kind& k : kinds)
        for (bool topDown : {false, true}) {
            const bool rle = k.compression == 1 || k.compression == 2;
            if (topDown && (k.headerSize == 12 || rle)) continue;  // neither can be top-down
            SCOPED_TRACE(std::string(k.name) + (topDown ? ", top-down" : ""));
            BmpBuilder b;
            b.width = W;
            b.height = topDown ? -H : H;
            b.headerSize = k.headerSize;
            b.bitCount = k.bitCount;
            b.compression = k.compression;
            if (k.compression == 3) b.masks.assign(k.masks.begin(), k.masks.end());
            const int colours = k.bitCount == 1 ? 2 : 8;
            if (k.bitCount <= 8) {
                const int entries = k.headerSize == 12 ? 1 << k.bitCount : colours;
                for (int i = 0; i < entries; ++i) {
                    std::uint32_t stored = 0;
                    for (int c = 0; c < 3; ++c) stored |= i < colours && on(i, c) ? rgb24[c] : 0;
                    b.palette.push_back(stored);
                }
                if (k.headerSize != 12) b.colorsUsed = static_cast<std::uint32_t>(colours);
            }
            for (int r = 0; r < H; ++r) {
                const int y = topDown ? r : H - 1 - r;
                std::vector<std::uint8_t> row((W * k.bitCount + 7) / 8);
                for (int x = 0; x < W; ++x) {
                    const int i = indexAt(x, y, colours);
                    if (k.bitCount <= 8) {
                        const int shift = 8 - k.bitCount * (x % (8 / k.bitCount) + 1);
                        row[x * k.bitCount / 8] |= static_cast<std::uint8_t>(i << shift);
                        continue;
                    }
                    std::uint32_t pixel = 0;
                    for (int c = 0; c < 3; ++c) pixel |= on(i, c) ? k.masks[c] : 0;
                    for (int byte = 0; byte < k.bitCount / 8; ++byte)
                        row[x * k.bitCount / 8 + byte] = static_cast<std::uint8_t>(pixel >> 8 * byte);
                }
                if (!rle) {
                    b.rows.push_back(row);
                } else if (r % 2 == 0) {  // an absolute run, padded to 16 bits
                    b.rle.insert(b.rle.end(), {0, W});
                    b.rle.insert(b.rle.end(), row.begin(), row.end());
                    if (row.size() % 2) b.rle.push_back(0);
                    b.rle.insert(b.rle.end(), {0, 0});
                } else {  // runs of one pixel each, ended by end of line
                    for (int x = 0; x < W; ++x) {
                        const int i = indexAt(x, y, colours);
                        b.rle.insert(b.rle.end(), {1, static_cast<std::uint8_t>(i << (8 - k.bitCount))});
                    }
                    b.rle.insert(b.rle.end(), {0, 0});
                }
            }
            if (rle) b.rle.insert(b.rle.end(), {0, 1});
            const TBitmap pic = DecodeBmp(b.Build());
            ASSERT_EQ(pic.Width(), W);
            ASSERT_EQ(pic.Height(), H);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const int i = indexAt(x, y, colours);
                    EXPECT_EQ(pic.Pixel(x, y), Rgb(on(i, 0) * 255, on(i, 1) * 255, on(i, 2) * 255))
                        << x << "," << y;
                }
        }
}

// The format's own examples: encoded runs (RLE4 alternating two nibbles),
// absolute runs, end of line, a delta. Unpainted pixels show palette entry 0.
TEST(BmpCodec, RunLengthEncodedPixels) {
    using Runs = std::vector<std::pair<int, int>>;  // (count, palette index), left to right
    struct Case {
        const char* name;
        int bitCount, width, height;
        std::vector<std::uint8_t> stream;
        std::vector<Runs> rows;  // top row first
    };
    const Case cases[] = {
        {"RLE8",
         8,
         20,
         3,
         {0x03, 0x04, 0x05, 0x06, 0x00, 0x03, 0x45, 0x56, 0x67, 0x00, 0x02, 0x78,
          0x00, 0x02, 0x05, 0x01, 0x02, 0x78, 0x00, 0x00, 0x09, 0x1E, 0x00, 0x01},
         {{{9, 0x1E}, {11, 0}},
          {{18, 0}, {2, 0x78}},
          {{3, 4}, {5, 6}, {1, 0x45}, {1, 0x56}, {1, 0x67}, {2, 0x78}, {7, 0}}}},
        {"RLE4",
         4,
         27,
         3,
         {0x03, 0x04, 0x05, 0x06, 0x00, 0x06, 0x45, 0x56, 0x67, 0x00, 0x04, 0x78,
          0x00, 0x02, 0x05, 0x01, 0x04, 0x78, 0x00, 0x00, 0x09, 0x1E, 0x00, 0x01},
         {{{1, 1}, {1, 14}, {1, 1}, {1, 14}, {1, 1}, {1, 14}, {1, 1}, {1, 14}, {1, 1}, {18, 0}},
          {{23, 0}, {1, 7}, {1, 8}, {1, 7}, {1, 8}},
          {{1, 0},
           {1, 4},
           {2, 0},
           {1, 6},
           {1, 0},
           {1, 6},
           {1, 0},
           {1, 4},
           {2, 5},
           {2, 6},
           {2, 7},
           {1, 8},
           {1, 7},
           {1, 8},
           {9, 0}}}},
        {"runs cut at the right edge",
         8,
         4,
         2,
         {0x06, 0x01, 0x00, 0x00, 0x00, 0x05, 2, 3, 2, 3, 2, 0, 0x00, 0x01},
         {{{1, 2}, {1, 3}, {1, 2}, {1, 3}}, {{4, 1}}}},
        {"paint above the top row is dropped",
         4,
         3,
         1,
         {0x00, 0x00, 0x03, 0x55, 0x00, 0x02, 0xFF, 0xFF, 0x03, 0x55, 0x00, 0x01},
         {{{3, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpBuilder b;
        b.bitCount = c.bitCount;
        b.compression = c.bitCount == 8 ? 1 : 2;
        b.width = c.width;
        b.height = c.height;
        for (std::uint32_t i = 0; i < (1u << c.bitCount); ++i)
            b.palette.push_back(i << 16 | (255 - i) << 8 | 0x40);  // index i shows as Rgb(i, 255 - i, 0x40)
        b.rle = c.stream;
        b.imageSize = static_cast<std::uint32_t>(c.stream.size());
        const TBitmap pic = DecodeBmp(b.Build());
        for (int y = 0; y < c.height; ++y) {
            int x = 0;
            for (auto [count, index] : c.rows[static_cast<std::size_t>(y)])
                for (int k = 0; k < count; ++k, ++x)
                    EXPECT_EQ(pic.Pixel(x, y), Rgb(index, 255 - index, 0x40)) << x << "," << y;
            EXPECT_EQ(x, c.width);
        }
    }
}

TEST(BmpCodec, MalformedRunLengthStreamsRaiseClearErrors) {
    const std::string cut = "Bitmap image is not valid: RLE data ends before its end-of-bitmap mark";
    struct Case {
        int bitCount, compression, height;
        std::uint32_t imageSize;
        std::vector<std::uint8_t> stream;
        std::string error;
    };
    const Case cases[] = {
        {8, 1, 1, 0, {0x02, 0x01}, cut},
        {8, 1, 1, 0, {0x00, 0x05, 1, 2, 3}, cut},
        {4, 2, 1, 0, {0x00, 0x02, 0x01}, cut},
        {8, 1, 1, 0, {0x02, 0x01, 0x00}, cut},
        {8, 1, 1, 2, {0x02, 0x01, 0x00, 0x01}, cut},  // the image size ends the stream before its mark
        {8, 1, 1, 999, {0x02, 0x01, 0x00, 0x01}, "(decoded)"},
        {8, 1, -1, 0, {0x00, 0x01}, "Bitmap image is not valid: a top-down bitmap cannot be RLE compressed"},
        {4, 1, 1, 0, {0x00, 0x01}, "Bitmap image is not valid: RLE8 compression needs 8 bits per pixel"},
        {8, 2, 1, 0, {0x00, 0x01}, "Bitmap image is not valid: RLE4 compression needs 4 bits per pixel"},
    };
    for (const Case& c : cases) {
        BmpBuilder b;
        b.bitCount = c.bitCount;
        b.compression = static_cast<std::uint32_t>(c.compression);
        b.height = c.height;
        b.palette = {0x000000, 0xFFFFFF};
        b.colorsUsed = 2;
        b.imageSize = c.imageSize;
        b.rle = c.stream;
        EXPECT_EQ(ErrorOf(b.Build()), c.error) << testing::PrintToString(c.stream);
    }
}

TEST(BmpCodec, MalformedFilesRaiseClearErrors) {
    BmpBuilder good;
    good.bitCount = 24;
    good.rows = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}};
    const auto file = good.Build();
    ASSERT_NO_THROW(DecodeBmp(file));

    EXPECT_EQ(ErrorOf({}), "Bitmap image is not valid: the file is too short");
    auto bad = file;
    bad[0] = 'X';
    EXPECT_EQ(ErrorOf(bad), "Bitmap image is not valid: no bitmap signature");
    EXPECT_EQ(ErrorOf(std::span(file).first(file.size() - 1)),
              "Bitmap image is not valid: truncated pixel data");
    bad = file;
    bad[14] = 41;  // unknown header size
    EXPECT_EQ(ErrorOf(bad), "Bitmap image is not valid: unknown header version");
    bad = file;
    bad[28] = 7;  // 7 bits per pixel
    EXPECT_EQ(ErrorOf(bad), "Bitmap image is not valid: unsupported number of bits per pixel");
    bad = file;
    bad[30] = 4;  // a JPEG inside the bitmap
    EXPECT_EQ(ErrorOf(bad), "Bitmap compression 4 is not supported");
    bad = file;
    bad[10] = 0xFF;
    bad[11] = 0xFF;  // pixels past the end
    EXPECT_EQ(ErrorOf(bad), "Bitmap image is not valid: truncated pixel data");
    bad = file;
    bad[18] = bad[19] = bad[20] = bad[21] = 0;  // width 0
    EXPECT_EQ(ErrorOf(bad), "Bitmap image is not valid: size 0 x 2");
}

TEST(BmpCodec, LyingSizesAreRefusedBeforeAllocating) {
    BmpBuilder b;
    b.bitCount = 1;
    b.palette = {0x000000, 0xFFFFFF};
    b.width = 40000;
    b.height = 40000;  // 1.6 gigapixels claimed, no data behind it
    EXPECT_EQ(ErrorOf(b.Build()), "Bitmap image is too large: 40000 x 40000 pixels");
    b.width = 9000;
    b.height = -9000;  // allowed size, but the data is missing
    EXPECT_EQ(ErrorOf(b.Build()), "Bitmap image is not valid: truncated pixel data");
    b.height = std::numeric_limits<std::int32_t>::min();
    EXPECT_THROW(DecodeBmp(b.Build()), EVelantError);
    BmpBuilder pal;
    pal.colorsUsed = 0xFFFFFFFF;  // larger than any 8-bit table
    pal.rows = {{0, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(ErrorOf(pal.Build()), "Bitmap image is not valid: truncated colour table");
    BmpBuilder masks;
    masks.bitCount = 16;
    masks.compression = 3;
    masks.masks = {0x1F0000, 0x7E0, 0x1F};
    masks.rows = {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(ErrorOf(masks.Build()), "Bitmap image is not valid: colour mask wider than a pixel");
}

class BmpFiles : public ::testing::Test {
protected:
    sim::SimWindows win;
    sim::SimKernel& kernel = win.Kernel();
    void SetUp() override {
        kernel.MakeDirectory("C:\\pics");
        win.ClearJournal();
    }
};

TEST_F(BmpFiles, SaveAndLoadThroughTheKernel) {
    const TBitmap pic = Pattern(9, 4);
    SaveBmpFile(kernel, "C:\\pics\\a.bmp", pic);
    EXPECT_EQ(LoadBmpFile(kernel, "C:\\pics\\a.bmp"), pic);
    EXPECT_FALSE(kernel.Exists(TemporaryNameBeside("C:\\pics\\a.bmp")));
    EXPECT_EQ(win.Journal(),
              (std::vector<std::string>{"WriteFile(\"C:\\pics\\a.bmp.velant-tmp\", 166)",
                                        "ReplaceFile(\"C:\\pics\\a.bmp.velant-tmp\", \"C:\\pics\\a.bmp\")"}));
}

TEST_F(BmpFiles, MissingFileNamesTheFile) {
    try {
        LoadBmpFile(kernel, "C:\\pics\\none.bmp");
        FAIL();
    } catch (const EVelantError& e) {
        EXPECT_STREQ(e.what(),
                     "Cannot open file \"C:\\pics\\none.bmp\". The system cannot find the file specified.");
    }
}

TEST_F(BmpFiles, FailedWritesLeaveThePreviousFileIntact) {
    const std::string path = "C:\\pics\\wall.bmp";
    const TBitmap before = Pattern(4, 4);
    SaveBmpFile(kernel, path, before);

    kernel.SetDiskFreeBytes(10);  // a few bytes reach the disk, then it is full
    try {
        SaveBmpFile(kernel, path, Pattern(8, 8));
        FAIL();
    } catch (const EVelantError& e) {
        EXPECT_STREQ(e.what(),
                     "Cannot create file \"C:\\pics\\wall.bmp\". There is not enough space on the disk.");
    }
    EXPECT_EQ(LoadBmpFile(kernel, path), before);
    EXPECT_FALSE(kernel.Exists(TemporaryNameBeside(path)));

    kernel.SetDiskFreeBytes(std::nullopt);
    kernel.LockFile(path);
    EXPECT_THROW(SaveBmpFile(kernel, path, Pattern(8, 8)), EVelantError);
    kernel.LockFile(path, false);
    EXPECT_EQ(LoadBmpFile(kernel, path), before);
    EXPECT_FALSE(kernel.Exists(TemporaryNameBeside(path)));
}

// ---- pictures of every kind ----

// What the system's decoders make of a file: the picture's own pixels as a BMP holds them.
plat::DecodedPicture Decoded(const TBitmap& bitmap) {
    return {bitmap.Width(), bitmap.Height(), bitmap.Pixels()};
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST_F(BmpFiles, EachKindOfPictureBecomesTheSameBitmapFileThroughItsOwnDecoder) {
    struct Case {
        const char* name;
        TPictureKind kind;
    };
    const Case cases[] = {
        {"a.png", TPictureKind::pkSystem},     {"b.GIF", TPictureKind::pkSystem},
        {"c.tif", TPictureKind::pkSystem},     {"d.Tiff", TPictureKind::pkSystem},
        {"e.webp", TPictureKind::pkSystem},    {"f.HEIC", TPictureKind::pkSystem},
        {"g.jpg", TPictureKind::pkJpeg},       {"h.JPEG", TPictureKind::pkJpeg},
        {"i.Bmp", TPictureKind::pkBitmap},     {"notes.txt", TPictureKind::pkNone},
        {"j.png.txt", TPictureKind::pkNone},   {"k.png\\noext", TPictureKind::pkNone},
        {"png", TPictureKind::pkNone},         {"l.pn", TPictureKind::pkNone},
    };
    const std::string target = "C:\\pics\\wallpaper.bmp";
    int seed = 0;
    for (const Case& c : cases) {
        const std::string path = std::string("C:\\pics\\") + c.name;
        EXPECT_EQ(PictureKindOf(path), c.kind) << c.name;
        if (c.kind == TPictureKind::pkNone) continue;
        // Odd widths, so each row of the file carries padding.
        TBitmap expected = Pattern(5 + seed, 3);
        if (c.kind == TPictureKind::pkJpeg) {
            wptest::JpegOptions o;
            o.width = 7;
            o.height = 5;
            const auto data = wptest::EncodeJpeg(o, [&](int x, int y, int ch) {
                return static_cast<std::uint8_t>(x * 30 + y * 20 + ch * 60 + seed);
            });
            kernel.WriteBytes(path, data);
            expected = DecodeJpeg(data);
        } else if (c.kind == TPictureKind::pkBitmap) {
            kernel.WriteBytes(path, EncodeBmp(expected));
        } else {
            const auto data = Bytes(std::string("a picture only the codecs read, ") + c.name);
            kernel.WriteBytes(path, data);
            win.Imaging().AddPicture(data, Decoded(expected));
        }
        ++seed;
        const std::size_t decodesBefore = win.Imaging().DecodeCount();

        EXPECT_EQ(LoadPictureFile(kernel, win.Imaging(), path), expected) << c.name;
        ConvertPictureToBitmap(kernel, win.Imaging(), path, target);
        EXPECT_EQ(*kernel.FileBytes(target), EncodeBmp(expected)) << c.name;
        EXPECT_FALSE(kernel.Exists(TemporaryNameBeside(target))) << c.name;
        // BMP and JPEG never wake the system's codecs.
        EXPECT_EQ(win.Imaging().DecodeCount() - decodesBefore, c.kind == TPictureKind::pkSystem ? 2u : 0u)
            << c.name;
    }
}

TEST_F(BmpFiles, PicturesTheCodecsCannotReadRaiseClearErrorsAndKeepTheBitmap) {
    const std::string target = "C:\\pics\\wallpaper.bmp";
    const TBitmap before = Pattern(4, 4);
    SaveBmpFile(kernel, target, before);
    const auto picture = Bytes("a picture");
    win.Imaging().AddPicture(picture, Decoded(Pattern(3, 2)));
    const auto huge = Bytes("a picture far too large");
    win.Imaging().AddPicture(huge, {20000, 6000, {}});
    const auto lying = Bytes("a decoder that hands over too few pixels");
    win.Imaging().AddPicture(lying, {3, 2, std::vector<std::uint8_t>(12)});

    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
        bool damaged;  // the decoder knows the format but fails on the data
        std::string error;
    };
    const Case cases[] = {
        {"text.png", Bytes("not a picture at all"), false,
         "Cannot decode picture \"C:\\pics\\text.png\". No picture decoder installed on this system can "
         "read it."},
        {"cut.gif", picture, true,
         "Cannot decode picture \"C:\\pics\\cut.gif\". The picture is damaged or incomplete (error "
         "0x88982F60)."},
        {"huge.tif", huge, false, "Bitmap image is too large: 20000 x 6000 pixels"},
        {"lying.webp", lying, false,
         "Cannot decode picture \"C:\\pics\\lying.webp\". The picture is damaged or incomplete (error "
         "0x88982F60)."},
        {"gone.png", {}, false,
         "Cannot open file \"C:\\pics\\gone.png\". The system cannot find the file specified."},
    };
    for (const Case& c : cases) {
        const std::string path = std::string("C:\\pics\\") + c.name;
        if (!c.data.empty()) kernel.WriteBytes(path, c.data);
        for (int pass = 0; pass < 2; ++pass) {
            if (c.damaged) win.FailNext("DecodePicture");
            try {
                if (pass == 0)
                    ConvertPictureToBitmap(kernel, win.Imaging(), path, target);
                else
                    LoadPictureFile(kernel, win.Imaging(), path);
                ADD_FAILURE() << c.name << " decoded";
            } catch (const EVelantError& e) {
                EXPECT_EQ(e.what(), c.error) << c.name;
            }
        }
        EXPECT_EQ(LoadBmpFile(kernel, target), before) << c.name;
        EXPECT_FALSE(kernel.Exists(TemporaryNameBeside(target))) << c.name;
    }
}

}  // namespace
