#pragma once
// Pictures the end-to-end tests give the program, and the colour checks that
// find them again in the wallpaper bitmap, the preview and on the desktop.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// A picture's colour at (x, y), counted from its top left.
using Painter = std::function<COLORREF(int x, int y)>;

// Four quadrants of plain colour, so a picture drawn upside down, mirrored or
// shifted shows the wrong colour at some corner.
enum Quadrant { kTopLeft, kTopRight, kBottomLeft, kBottomRight };
extern const COLORREF kQuadrants[4];
// The quadrants over a width × height picture; mirrored swaps left and right.
Painter Quadrants(int width, int height, bool mirrored = false);

// A 24-bit bitmap file.
std::vector<std::uint8_t> EncodeBitmap(int width, int height, const Painter& paint);
// An 8-bit RGB PNG whose zlib stream holds stored (uncompressed) blocks.
std::vector<std::uint8_t> EncodePng(int width, int height, const Painter& paint);
// A GIF whose palette is the four quadrant colours (other colours become the first).
std::vector<std::uint8_t> EncodeGif(int width, int height, const Painter& paint);

// The file `name` in the system's temporary folder, holding data; its path.
std::string WriteTempFile(const std::string& name, const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// Within what scaling and the desktop's colour depth leave of a colour.
bool Near(COLORREF c, COLORREF want);
std::string Hex(COLORREF c);

}  // namespace e2e
