#include "Pictures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "E2eSupport.h"

namespace e2e {

const COLORREF kQuadrants[4] = {RGB(220, 20, 20), RGB(20, 170, 20), RGB(20, 20, 220), RGB(230, 210, 20)};

Painter Quadrants(int width, int height, bool mirrored) {
    return [=](int x, int y) {
        const bool right = (x >= width / 2) != mirrored;
        return kQuadrants[(y < height / 2 ? 0 : 2) + (right ? 1 : 0)];
    };
}

namespace {

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PngChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<std::uint8_t> EncodeBitmap(int width, int height, const Painter& paint) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(stride) * height);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1, file[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = paint(x, y);
            std::uint8_t* p = &file[54 + static_cast<std::size_t>(height - 1 - y) * stride + x * 3];
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
        }
    return file;
}

std::vector<std::uint8_t> EncodePng(int width, int height, const Painter& paint) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter type None
        for (int x = 0; x < width; ++x) {
            const COLORREF c = paint(x, y);
            raw.insert(raw.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    }
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        zlib.push_back(at + n == raw.size() ? 1 : 0);
        zlib.push_back(static_cast<std::uint8_t>(n));
        zlib.push_back(static_cast<std::uint8_t>(n >> 8));
        zlib.push_back(static_cast<std::uint8_t>(~n));
        zlib.push_back(static_cast<std::uint8_t>(~n >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                    raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBe32(zlib, b << 16 | a);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBe32(header, static_cast<std::uint32_t>(width));
    PutBe32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    PngChunk(png, "IHDR", header);
    PngChunk(png, "IDAT", zlib);
    PngChunk(png, "IEND", {});
    return png;
}

// The LZW stream starts afresh (a clear code) every two pixels, so the codes
// stay three bits wide and no string table is needed to write it.
std::vector<std::uint8_t> EncodeGif(int width, int height, const Painter& paint) {
    auto put16 = [](std::vector<std::uint8_t>& out, int v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
    put16(gif, width);
    put16(gif, height);
    gif.insert(gif.end(), {0x91, 0, 0});  // a global table of 4 colours
    for (COLORREF c : kQuadrants) gif.insert(gif.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
    gif.push_back(0x2C);
    put16(gif, 0);
    put16(gif, 0);
    put16(gif, width);
    put16(gif, height);
    gif.push_back(0);
    gif.push_back(2);  // minimum code size: clear 4, end 5

    std::vector<std::uint8_t> codes;
    std::uint32_t bits = 0;
    int count = 0;
    auto code = [&](unsigned c) {
        bits |= c << count;
        count += 3;
        while (count >= 8) {
            codes.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    auto index = [&](int x, int y) {
        const COLORREF c = paint(x, y);
        for (unsigned i = 0; i < 4; ++i)
            if (kQuadrants[i] == c) return i;
        return 0u;
    };
    for (int p = 0; p < width * height; ++p) {
        if (p % 2 == 0) code(4);
        code(index(p % width, p / width));
    }
    code(5);
    if (count > 0) codes.push_back(static_cast<std::uint8_t>(bits));
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, codes.size() - at);
        gif.push_back(static_cast<std::uint8_t>(n));
        gif.insert(gif.end(), codes.begin() + static_cast<std::ptrdiff_t>(at),
                   codes.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    gif.push_back(0);
    gif.push_back(0x3B);
    return gif;
}

std::string WriteTempFile(const std::string& name, const std::vector<std::uint8_t>& data) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return path;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Near(COLORREF c, COLORREF want) {
    return std::abs(GetRValue(c) - GetRValue(want)) < 40 && std::abs(GetGValue(c) - GetGValue(want)) < 40 &&
           std::abs(GetBValue(c) - GetBValue(want)) < 40;
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof text, "%06lx", static_cast<unsigned long>(c));
    return text;
}

}  // namespace e2e
