#pragma once
// The menu renderer's canvas over a device context.
#include "platform/win32/WinApi.h"

#include <memory>
#include <utility>
#include <vector>

#include "menu/MenuRenderer.h"
#include "menu/MenuCanvas.h"
#include "platform/win32/Handles.h"

namespace win32 {

struct MemoryDcTraits {
    using pointer = HDC;
    static HDC invalid() { return nullptr; }
    static void close(HDC dc) { ::DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueHandleT<MemoryDcTraits>;

// Draws on a device context it does not own. Fonts are created on first use
// and live as long as the canvas; every call leaves the DC's selected objects,
// colours, background mode and text alignment as it found them. Text is
// measured and drawn at dpi (0: the device context's own).
class Win32MenuCanvas final : public IMenuCanvas {
public:
    explicit Win32MenuCanvas(HDC dc, int dpi = 0);
    HDC DC() const { return FDC; }
    int Dpi() const { return FDpi; }

    plat::ColorRef GetSysColor(int index) override;
    TTextSize TextExtent(const TCanvasFont& font, const std::string& text) override;
    bool IsTrueType(const TCanvasFont& font) override;
    void FillRect(const plat::Rect& rect, plat::ColorRef color) override;
    void Line(int x1, int y1, int x2, int y2, plat::ColorRef color) override;
    void DrawEdge(const plat::Rect& rect, unsigned edge, unsigned sides) override;
    void DrawFormattedText(const TCanvasFont& font, plat::ColorRef color, const std::string& text,
                           const plat::Rect& rect, unsigned format) override;
    void DrawDisabledText(const TCanvasFont& font, const std::string& text, const plat::Rect& rect,
                          unsigned format) override;
    void DrawTextAt(const TCanvasFont& font, plat::ColorRef color, int x, int y, const std::string& text,
                    unsigned align) override;
    void DrawIcon(plat::Hicon icon, int x, int y, int size, bool disabled) override;
    void DrawCheckMark(const plat::Rect& rect, plat::ColorRef color) override;
    std::unique_ptr<IMenuBitmap> CreateBitmap(int width, int height) override;
    void CopyRect(const plat::Rect& dest, const IMenuBitmap& source, const plat::Rect& sourceRect) override;

private:
    HFONT Font(const TCanvasFont& font);

    HDC FDC;
    int FDpi;
    std::vector<std::pair<TCanvasFont, UniqueHfont>> FFonts;
};

// An off-screen picture: a bitmap compatible with the canvas that made it,
// selected into a memory DC of its own.
class Win32MenuBitmap final : public IMenuBitmap {
public:
    Win32MenuBitmap(HDC compatible, int width, int height, int dpi);
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    IMenuCanvas& Canvas() override { return FCanvas; }
    HDC DC() const { return FDC.get(); }

private:
    int FWidth;
    int FHeight;
    // Released in reverse: the fonts, the bitmap put back out of the DC, the
    // bitmap, the DC.
    UniqueMemoryDc FDC;
    UniqueHbitmap FBitmap;
    SelectGuard FSelected;
    Win32MenuCanvas FCanvas;
};

}  // namespace win32
