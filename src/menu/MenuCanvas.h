#pragma once
// What the menu renderer draws on: a device context for one menu item, or an
// off-screen picture. Operations keep the semantics of the GDI calls they stand
// for, so the Win32 canvas is a thin pass-through and a recording canvas in the
// tests sees exactly what the screen would get.
#include <memory>
#include <string>

#include "platform/types.h"

// Win32 values of the flags the renderer passes through. Named apart from the
// Windows macros so that this header can sit beside <windows.h>.
namespace menudraw {

// DrawText formats.
constexpr unsigned kDtLeft = 0x0000;
constexpr unsigned kDtRight = 0x0002;
constexpr unsigned kDtVCenter = 0x0004;
constexpr unsigned kDtSingleLine = 0x0020;
constexpr unsigned kDtNoClip = 0x0100;
// '&' still marks the next letter and takes no room, but its underline is not
// drawn. (The format that drops prefix handling altogether is never used: it
// would show the '&' itself.)
constexpr unsigned kDtHidePrefix = 0x00100000;

// DrawEdge edges and sides.
constexpr unsigned kBdrRaisedOuter = 0x0001;
constexpr unsigned kBdrSunkenOuter = 0x0002;
constexpr unsigned kBdrRaisedInner = 0x0004;
constexpr unsigned kBdrSunkenInner = 0x0008;
constexpr unsigned kBfRect = 0x000F;

// SetTextAlign: the reference point is on the baseline, at the text's start.
constexpr unsigned kTaBaselineLeft = 24;

// GetSysColor indices.
constexpr int kColorMenu = 4;
constexpr int kColorMenuText = 7;
constexpr int kColorHighlight = 13;
constexpr int kColorHighlightText = 14;
constexpr int kColorBtnShadow = 16;
constexpr int kColorGrayText = 17;
constexpr int kColorBtnHighlight = 20;

}  // namespace menudraw

// A font as the canvas is to create it.
struct TCanvasFont {
    std::string name;  // empty: the system's menu font
    int height = 0;    // character height at 96 pixels per inch, negative as LOGFONT;
                       // 0 keeps the menu font's own height
    bool bold = false;
    int escapement = 0;  // tenths of a degree, counter-clockwise

    bool operator==(const TCanvasFont&) const = default;
};

struct TTextSize {
    int cx = 0;
    int cy = 0;
};

class IMenuBitmap;

class IMenuCanvas {
public:
    virtual ~IMenuCanvas() = default;

    // --- metrics ---
    virtual plat::ColorRef GetSysColor(int index) = 0;
    // Extent of one line of text in the font, unrotated; '&' marks a mnemonic
    // and takes no room, as in menu captions.
    virtual TTextSize TextExtent(const TCanvasFont& font, const std::string& text) = 0;
    // Whether the font, as the system resolves it, is a TrueType font.
    virtual bool IsTrueType(const TCanvasFont& font) = 0;

    // --- drawing ---
    virtual void FillRect(const plat::Rect& rect, plat::ColorRef color) = 0;
    // A one-pixel line from one point to the other, the end point left out.
    virtual void Line(int x1, int y1, int x2, int y2, plat::ColorRef color) = 0;
    virtual void DrawEdge(const plat::Rect& rect, unsigned edge, unsigned sides) = 0;
    // DrawText on a transparent background.
    virtual void DrawFormattedText(const TCanvasFont& font, plat::ColorRef color, const std::string& text,
                                   const plat::Rect& rect, unsigned format) = 0;
    // The system's look of a disabled item's text.
    virtual void DrawDisabledText(const TCanvasFont& font, const std::string& text, const plat::Rect& rect,
                                  unsigned format) = 0;
    // TextOut on a transparent background with the given text alignment.
    virtual void DrawTextAt(const TCanvasFont& font, plat::ColorRef color, int x, int y,
                            const std::string& text, unsigned align) = 0;
    // DrawIconEx at size × size (DI_NORMAL), or greyed for a disabled item.
    virtual void DrawIcon(plat::Hicon icon, int x, int y, int size, bool disabled) = 0;
    // The menu check mark, centred in the rectangle, in the colour.
    virtual void DrawCheckMark(const plat::Rect& rect, plat::ColorRef color) = 0;

    // --- pictures ---
    // An off-screen picture compatible with this canvas, its content undefined.
    virtual std::unique_ptr<IMenuBitmap> CreateBitmap(int width, int height) = 0;
    // Copies the source rectangle of the picture to the destination, same size
    // (SRCCOPY); parts outside the picture are left out.
    virtual void CopyRect(const plat::Rect& dest, const IMenuBitmap& source,
                          const plat::Rect& sourceRect) = 0;
};

class IMenuBitmap {
public:
    virtual ~IMenuBitmap() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual IMenuCanvas& Canvas() = 0;
};
