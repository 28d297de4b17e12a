#pragma once
// A canvas that draws nothing and writes down every call, with metrics simple
// enough to compute by hand: each character is 7 pixels wide (8 in bold, '&'
// takes none), a line is |height| + 3 pixels high (13 for the menu font), and
// a system colour is 0xC00000 plus its index. At another dpi the text extents
// grow by dpi / 96, rounded to the nearest pixel.
#include <memory>
#include <string>
#include <vector>

#include "menu/MenuCanvas.h"

namespace menutest {

struct Op {
    std::string kind;  // FillRect, Line, DrawEdge, Text, DisabledText, TextAt, Icon, Check, Copy, Bitmap
    plat::Rect rect{};
    plat::ColorRef color = 0;
    TCanvasFont font;
    std::string text;
    unsigned flags = 0;  // text format, edge, or text alignment
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    plat::Hicon icon = 0;
    bool disabled = false;
    const IMenuBitmap* source = nullptr;
    plat::Rect sourceRect{};
};

inline Op Make(const char* kind) {
    Op op;
    op.kind = kind;
    return op;
}

inline constexpr plat::ColorRef SysColorValue(int index) { return 0xC00000u + static_cast<unsigned>(index); }

class RecordingCanvas : public IMenuCanvas {
public:
    std::vector<Op> ops;
    int dpi = 96;

    std::vector<Op> Of(const std::string& kind) const {
        std::vector<Op> found;
        for (const Op& op : ops)
            if (op.kind == kind) found.push_back(op);
        return found;
    }

    plat::ColorRef GetSysColor(int index) override { return SysColorValue(index); }
    TTextSize TextExtent(const TCanvasFont& font, const std::string& text) override {
        int chars = 0;
        for (char c : text)
            if (c != '&') ++chars;
        const int height = font.height ? (font.height < 0 ? -font.height : font.height) + 3 : 13;
        const auto scaled = [this](int pixels) { return (pixels * dpi + 48) / 96; };
        return {scaled(chars * (font.bold ? 8 : 7)), scaled(height)};
    }
    bool IsTrueType(const TCanvasFont& font) override {
        return font.name != "MS Sans Serif" && font.name != "System" && font.name != "Courier";
    }
    void FillRect(const plat::Rect& rect, plat::ColorRef color) override {
        Op op = Make("FillRect");
        op.rect = rect;
        op.color = color;
        ops.push_back(op);
    }
    void Line(int x1, int y1, int x2, int y2, plat::ColorRef color) override {
        Op op = Make("Line");
        op.x1 = x1, op.y1 = y1, op.x2 = x2, op.y2 = y2;
        op.color = color;
        ops.push_back(op);
    }
    void DrawEdge(const plat::Rect& rect, unsigned edge, unsigned sides) override {
        Op op = Make("DrawEdge");
        op.rect = rect;
        op.flags = edge;
        op.x1 = static_cast<int>(sides);
        ops.push_back(op);
    }
    void DrawFormattedText(const TCanvasFont& font, plat::ColorRef color, const std::string& text,
                           const plat::Rect& rect, unsigned format) override {
        Op op = Make("Text");
        op.font = font;
        op.color = color;
        op.text = text;
        op.rect = rect;
        op.flags = format;
        ops.push_back(op);
    }
    void DrawDisabledText(const TCanvasFont& font, const std::string& text, const plat::Rect& rect,
                          unsigned format) override {
        Op op = Make("DisabledText");
        op.font = font;
        op.text = text;
        op.rect = rect;
        op.flags = format;
        ops.push_back(op);
    }
    void DrawTextAt(const TCanvasFont& font, plat::ColorRef color, int x, int y, const std::string& text,
                    unsigned align) override {
        Op op = Make("TextAt");
        op.font = font;
        op.color = color;
        op.x1 = x, op.y1 = y;
        op.text = text;
        op.flags = align;
        ops.push_back(op);
    }
    void DrawIcon(plat::Hicon icon, int x, int y, int size, bool disabled) override {
        Op op = Make("Icon");
        op.icon = icon;
        op.x1 = x, op.y1 = y, op.x2 = size;
        op.disabled = disabled;
        ops.push_back(op);
    }
    void DrawCheckMark(const plat::Rect& rect, plat::ColorRef color) override {
        Op op = Make("Check");
        op.rect = rect;
        op.color = color;
        ops.push_back(op);
    }
    std::unique_ptr<IMenuBitmap> CreateBitmap(int width, int height) override;
    void CopyRect(const plat::Rect& dest, const IMenuBitmap& source, const plat::Rect& sourceRect) override {
        Op op = Make("Copy");
        op.rect = dest;
        op.source = &source;
        op.sourceRect = sourceRect;
        ops.push_back(op);
    }
};

class RecordingBitmap : public IMenuBitmap {
public:
    RecordingBitmap(int width, int height) : FWidth(width), FHeight(height) {}
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    IMenuCanvas& Canvas() override { return canvas; }
    RecordingCanvas canvas;

private:
    int FWidth;
    int FHeight;
};

inline std::unique_ptr<IMenuBitmap> RecordingCanvas::CreateBitmap(int width, int height) {
    Op op = Make("Bitmap");
    op.x1 = width, op.y1 = height;
    ops.push_back(op);
    return std::make_unique<RecordingBitmap>(width, height);
}

// What was drawn on a picture this canvas made.
inline const RecordingCanvas& Drawn(const IMenuBitmap& bitmap) {
    return static_cast<const RecordingBitmap&>(bitmap).canvas;
}

}  // namespace menutest
