#include "menu/MenuRenderer.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <vector>

#include "platform/error.h"

using namespace menudraw;

namespace {

// Room left and right of an item's picture.
constexpr int kPictureMargin = 2;
// Between an item's caption and its shortcut text.
constexpr int kShortcutGap = 16;
// At the right end of every item, where the system draws a submenu's arrow.
constexpr int kArrowWidth = 16;
// A bar slice reaches this far above and below its item, over the menu's
// borders and any gap between items.
constexpr int kSliceOverlap = 10;
constexpr int kGradientSteps = 32;
constexpr int kSeparatorStrip = 6;
constexpr plat::ColorRef kGrey = 0x808080;

// a × b / c rounded to the nearest integer, halves away from zero, as the
// system's MulDiv does.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    const long long q = (product < 0) != (c < 0) ? (product - half) / c : (product + half) / c;
    return static_cast<int>(q);
}

plat::Rect Offset(plat::Rect r, int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
}

unsigned InnerEdge(TBevelCut cut) {
    switch (cut) {
        case TBevelCut::bvLowered:
            return kBdrSunkenInner;
        case TBevelCut::bvRaised:
            return kBdrRaisedInner;
        default:
            return 0;
    }
}

unsigned OuterEdge(TBevelCut cut) {
    switch (cut) {
        case TBevelCut::bvLowered:
            return kBdrSunkenOuter;
        case TBevelCut::bvRaised:
            return kBdrRaisedOuter;
        default:
            return 0;
    }
}

TCanvasFont CanvasFont(const TFont& font, int escapement) {
    return TCanvasFont{font.Name, font.Height(), (font.Style & fsBold) != 0, escapement};
}

TCanvasFont EntryFont(const TRenderedItem& entry, bool bold) {
    TCanvasFont font = entry.Font ? CanvasFont(*entry.Font, 0) : TCanvasFont{};
    font.bold = font.bold || bold;
    return font;
}

// A caption's own text and the shortcut text after its tab, if any.
struct CaptionParts {
    std::string text;
    std::string shortcut;
};

CaptionParts SplitCaption(const std::string& caption) {
    const auto tab = caption.find('\t');
    if (tab == std::string::npos) return {caption, {}};
    return {caption.substr(0, tab), caption.substr(tab + 1)};
}

}  // namespace

namespace {

// Dark greys in the steps Windows' own dark menus use: the selection and the
// separator's light line a little lighter than the background, its shadow darker.
bool DarkSysColor(int index, plat::ColorRef& color) {
    switch (index) {
        case kColorMenu:
            color = 0x2B2B2B;
            return true;
        case kColorMenuText:
        case kColorHighlightText:
            color = 0xF2F2F2;
            return true;
        case kColorHighlight:
            color = 0x4D4D4D;
            return true;
        case kColorBtnShadow:
            color = 0x1A1A1A;
            return true;
        case kColorBtnHighlight:
            color = 0x484848;
            return true;
        case kColorGrayText:
            color = 0x8A8A8A;
            return true;
        default:
            return false;
    }
}

plat::ColorRef SysColor(IMenuCanvas& canvas, int index, TMenuTheme theme) {
    plat::ColorRef dark = 0;
    if (theme == TMenuTheme::mtDark && DarkSysColor(index, dark)) return dark;
    return canvas.GetSysColor(index);
}

}  // namespace

plat::ColorRef ColorToRGB(TMenuColor color, IMenuCanvas& canvas, TMenuTheme theme) {
    if (color != clNone && (color & 0x80000000u))
        return SysColor(canvas, static_cast<int>(color & 0xFFu), theme);
    return color;
}

// --- TMenuCaptionBar ---

TMenuCaptionBar::TMenuCaptionBar() {
    FFont.Name = "Arial";
    FFont.SetSize(10);
    FFont.Color = 0xFFFFFF;
}

void TMenuCaptionBar::SetFont(const TFont& font, IMenuCanvas& metrics) {
    if (!metrics.IsTrueType(CanvasFont(font, 0))) throw EVelantError("Use True Type fonts for TCoolMenuBar");
    FFont = font;
    FFont.OnChange = nullptr;  // the caller's listener belongs to the caller's font
    Changed();
}

void TMenuCaptionBar::SetFontStyle(unsigned style) {
    if (FFont.Style == style) return;
    FFont.Style = style;
    Changed();
}

TCanvasFont CaptionFont(const TMenuCaptionBar& bar) { return CanvasFont(bar.Font(), 900); }

namespace {

// The caption's extent along its baseline (cx) and across it (cy).
TTextSize CaptionExtent(IMenuCanvas& canvas, const TMenuCaptionBar& bar) {
    return canvas.TextExtent(CanvasFont(bar.Font(), 0), bar.Caption());
}

}  // namespace

int CaptionBarWidth(IMenuCanvas& canvas, const TMenuCaptionBar& bar, int dpi) {
    const int strip = (bar.PaintOptions() & opDrawSeparator) ? MulDiv(kSeparatorStrip, dpi, 96) : 0;
    return CaptionExtent(canvas, bar).cy + MulDiv(4, dpi, 96) + strip;
}

void PaintGradient(IMenuCanvas& canvas, const plat::Rect& rect, plat::ColorRef from, plat::ColorRef to) {
    const int h = rect.bottom - rect.top;
    auto part = [](plat::ColorRef c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    // One step past the end as well: that band starts at the bottom edge, so the
    // visible colours stop just short of the end colour.
    for (int i = 0; i <= kGradientSteps; ++i) {
        plat::ColorRef color = 0;
        for (int shift : {0, 8, 16}) {
            const int a = part(from, shift);
            const int b = part(to, shift);
            color |= static_cast<plat::ColorRef>((a + MulDiv(i, b - a, kGradientSteps)) & 0xFF) << shift;
        }
        const plat::Rect band{rect.left, rect.top + MulDiv(i, h, kGradientSteps), rect.right,
                              rect.top + MulDiv(i + 1, h, kGradientSteps)};
        canvas.FillRect(band, color);
    }
}

std::unique_ptr<IMenuBitmap> PaintCaptionBar(IMenuCanvas& canvas, const TMenuCaptionBar& bar, int itemsHeight,
                                             int dpi, TMenuTheme theme) {
    const TTextSize caption = CaptionExtent(canvas, bar);
    const unsigned options = bar.PaintOptions();
    const bool separator = (options & opDrawSeparator) != 0;
    const bool onRight = bar.BarAlign() == TBarAlign::baRight;
    auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
    const int strip = scaled(kSeparatorStrip);
    // Lines stay one pixel thin at 96 dpi and grow with it.
    const int line = std::max(1, dpi / 96);

    const int width = caption.cy + scaled(4);
    const int height = std::max(caption.cx + scaled(8), itemsHeight);
    // The separator strip faces the items: on the bar's right when the bar is
    // on the menu's left, and the other way round.
    const int x0 = separator && onRight ? strip : 0;
    auto picture = canvas.CreateBitmap(width + (separator ? strip : 0), height);
    IMenuCanvas& c = picture->Canvas();

    const plat::Rect area{x0, 0, x0 + width, height};
    const plat::ColorRef from = ColorToRGB(bar.BackFrom(), c);
    if (options & opDrawGradient)
        PaintGradient(c, area, from, ColorToRGB(bar.BackTo(), c));
    else
        c.FillRect(area, from);

    const unsigned edge = InnerEdge(bar.BevelInner()) | OuterEdge(bar.BevelOuter());
    if ((options & opDrawBevels) &&
        (bar.BevelInner() != TBevelCut::bvNone || bar.BevelOuter() != TBevelCut::bvNone))
        c.DrawEdge(area, edge, kBfRect);

    int offset = 0;
    switch (bar.CaptionAlign()) {
        case TCaptionAlign::alDown:
            offset = 0;
            break;
        case TCaptionAlign::alCenter:
            offset = (height - caption.cx - scaled(8)) / 2;
            break;
        case TCaptionAlign::alUp:
            offset = height - caption.cx - scaled(8);
            break;
    }
    c.DrawTextAt(CaptionFont(bar), ColorToRGB(bar.Font().Color, c), x0 + width - width / 4,
                 height - scaled(bar.Space()) - offset - scaled(4), bar.Caption(), kTaBaselineLeft);

    if (separator) {
        const plat::ColorRef menu = SysColor(c, kColorMenu, theme);
        const plat::ColorRef light = SysColor(c, kColorBtnHighlight, theme);
        if (!onRight) {
            const int full = width + strip;
            c.FillRect({width, 0, full, height}, menu);
            for (int i = 0; i < line; ++i) {
                c.Line(full - scaled(4) + i, 0, full - scaled(4) + i, height, kGrey);
                c.Line(full - scaled(4) + line + i, 0, full - scaled(4) + line + i, height, light);
            }
        } else {
            c.FillRect({0, 0, strip, height}, menu);
            for (int i = 0; i < line; ++i) {
                c.Line(scaled(4) + i, 0, scaled(4) + i, height, kGrey);
                c.Line(scaled(4) - line + i, 0, scaled(4) - line + i, height, light);
            }
        }
    }
    return picture;
}

// --- text shadow ---

void DrawShadowText(const TShadowText& shadow, IMenuCanvas& canvas, const TCanvasFont& font,
                    plat::ColorRef textColor, const std::string& text, bool selected, unsigned format,
                    const plat::Rect& rect, TMenuTheme theme) {
    const bool drawn = shadow.Active && !(selected && (shadow.Options & soNoShadowIfSel)) &&
                       !(!selected && (shadow.Options & soNoShadowIfNormal));
    if (!drawn) {
        canvas.DrawFormattedText(font, textColor, text, rect, format);
        return;
    }
    const TMenuColor color = selected ? shadow.SelShadowColor : shadow.ShadowColor;
    const int d = selected ? shadow.SelShadowSize : shadow.ShadowSize;
    const TShadowPosition pos = selected ? shadow.SelShadowPos : shadow.ShadowPos;

    plat::Rect textRect = rect;
    plat::Rect shadowRect = rect;
    switch (pos) {
        case TShadowPosition::spLeftTop:
            textRect = Offset(rect, d, d);
            break;
        case TShadowPosition::spLeftBottom:
            textRect = Offset(rect, d, 0);
            shadowRect = Offset(rect, 0, d);
            break;
        case TShadowPosition::spRightBottom:
            shadowRect = Offset(rect, d, d);
            break;
        case TShadowPosition::spRightTop:
            textRect = Offset(rect, 0, d);
            shadowRect = Offset(rect, d, 0);
            break;
    }
    // A shadow without a colour is invisible; the text still keeps its place.
    if (color != clNone)
        canvas.DrawFormattedText(font, ColorToRGB(color, canvas, theme), text, shadowRect, format);
    canvas.DrawFormattedText(font, textColor, text, textRect, format);
}

// --- TMenuRenderer ---

TMenuRenderer::TMenuRenderer(std::string name) : TComponent(std::move(name)) {}

TMenuRenderer::~TMenuRenderer() = default;

void TMenuRenderer::SetDpi(int dpi) {
    dpi = dpi > 0 ? dpi : 96;
    if (FDpi == dpi) return;
    FDpi = dpi;
    // A bar built for the other density would no longer fit its items.
    FBarPicture.reset();
}

int TMenuRenderer::Scaled(int pixels) const { return MulDiv(pixels, FDpi, 96); }

void TMenuRenderer::SetTheme(TMenuTheme theme) {
    if (FTheme == theme) return;
    FTheme = theme;
    // The separator strip beside the bar is in the menu's colours.
    if (FBarPicture) FBarPending = true;
}

void TMenuRenderer::SetActive(bool value) {
    if (FActive == value) return;
    FActive = value;
    if (!FActive) {
        FBarPicture.reset();
        FBarPending = false;
    }
}

TRenderedItem& TMenuRenderer::AddEntry(const TMenuItem* item, plat::Hicon icon, int pictureSize,
                                       bool drawBar) {
    if (!item) throw std::invalid_argument("TCoolMenu::AddEntry: no menu item");
    TRenderedItem entry;
    entry.MenuItem = item;
    entry.Picture = icon;
    entry.CustomImgSize = pictureSize;
    entry.Options = omFixedImgSize | (drawBar ? omDrawBarIfNeeded : 0u);
    entry.SelTextColor = 0xC6FFC6;
    entry.Shadow.Active = true;
    entry.Shadow.Options = soNoShadowIfNormal;
    entry.Shadow.ShadowColor = clNone;
    entry.Shadow.SelShadowColor = 0x808080;
    return FEntries.insert_or_assign(item, std::move(entry)).first->second;
}

void TMenuRenderer::AddEntries(const TMenuItem& root) {
    auto addBelow = [this](const TMenuItem& parent, int size, bool bar, auto& self) -> void {
        for (const auto& child : parent.Items()) {
            if (!Entry(child.get())) AddEntry(child.get(), 0, size, bar);
            self(*child, 16, false, self);
        }
    };
    addBelow(root, 24, true, addBelow);
}

bool TMenuRenderer::RemoveEntry(const TMenuItem* item) { return FEntries.erase(item) > 0; }

TRenderedItem* TMenuRenderer::Entry(const TMenuItem* item) {
    auto it = FEntries.find(item);
    return it == FEntries.end() ? nullptr : &it->second;
}

const TRenderedItem* TMenuRenderer::Entry(const TMenuItem* item) const {
    auto it = FEntries.find(item);
    return it == FEntries.end() ? nullptr : &it->second;
}

const TRenderedItem& TMenuRenderer::EntryOrDefault(const TMenuItem& item) const {
    // An item nobody gave an entry is drawn plainly rather than left blank.
    static const TRenderedItem plain;
    const TRenderedItem* entry = Entry(&item);
    return entry ? *entry : plain;
}

bool TMenuRenderer::CarriesBar(const TRenderedItem& entry) const {
    return CaptionBar.Active() && (entry.Options & omDrawBarIfNeeded) != 0;
}

int TMenuRenderer::PictureSize(IMenuCanvas& canvas, const TRenderedItem& entry, const std::string& caption,
                               const TCanvasFont& font) const {
    if (entry.Options & omFixedImgSize) return Scaled(entry.CustomImgSize);
    return canvas.TextExtent(font, caption).cy;
}

void TMenuRenderer::InitMenuPopup() { EndPass(); }

void TMenuRenderer::EndPass() {
    if (!FPass.open) return;
    FPass.open = false;
    if (!FPass.carriesBar || !CaptionBar.Active()) return;
    // Built at the first bar slice drawn, when a canvas is at hand.
    FBarPending = true;
    FBarItemsHeight = FPass.total;
    FBarHasSubmenus = FPass.hasSubmenus;
    for (auto& [item, entry] : FEntries)
        if (entry.Options & omDrawBarIfNeeded) entry.FBarColor = CaptionBar.BackFrom();
}

TItemSize TMenuRenderer::MeasureItem(IMenuCanvas& canvas, const TMenuItem& item) {
    if (!FPass.open) FPass = MeasurePass{true, 0, false, false};
    const TRenderedItem& entry = EntryOrDefault(item);
    const TCanvasFont font = EntryFont(entry, item.Default);
    const bool bar = CarriesBar(entry);
    const int barWidth = bar ? CaptionBarWidth(canvas, CaptionBar, FDpi) : 0;
    const int hspace = Scaled(HSpace);

    TItemSize size;
    if (item.IsSeparator()) {
        size.height = canvas.TextExtent(font, "-").cy;
        size.width = barWidth + 2 * hspace;
    } else {
        const CaptionParts parts = SplitCaption(item.Caption);
        const TTextSize text = canvas.TextExtent(font, parts.text);
        const int picture = PictureSize(canvas, entry, parts.text, font);
        size.height = picture + 2 * Scaled(VSpace);
        size.width =
            barWidth + picture + 2 * Scaled(kPictureMargin) + hspace + text.cx + hspace + Scaled(kArrowWidth);
        if (!parts.shortcut.empty())
            size.width += Scaled(kShortcutGap) + canvas.TextExtent(font, parts.shortcut).cx;
    }

    FPass.total += size.height;
    if (bar) FPass.carriesBar = true;
    if (!item.Items().empty()) FPass.hasSubmenus = true;
    if (TRenderedItem* own = Entry(&item)) own->FMeasuredHeight = size.height;
    return size;
}

void TMenuRenderer::DrawBarSlice(IMenuCanvas& canvas, plat::Rect& content) {
    if (FBarPending) {
        FBarPicture = PaintCaptionBar(canvas, CaptionBar, FBarItemsHeight, FDpi, FTheme);
        FBarPending = false;
    }
    if (!FBarPicture || FBarPicture->Width() <= 0 || FBarPicture->Height() <= 0) return;
    const int w = FBarPicture->Width();
    const int overlap = Scaled(kSliceOverlap);
    // The picture is as high as the popup's items together, so each item's
    // slice, taken at the item's own height, joins its neighbours' into one bar.
    if (CaptionBar.BarAlign() == TBarAlign::baLeft) {
        const plat::Rect slice{content.left, content.top - overlap, content.left + w,
                               content.bottom + overlap};
        canvas.CopyRect(slice, *FBarPicture, slice);
        content.left += w;
    } else {
        const int right = content.right - (FBarHasSubmenus ? Scaled(kArrowWidth) : 0);
        const plat::Rect dest{right - w, content.top - overlap, right, content.bottom + overlap};
        canvas.CopyRect(dest, *FBarPicture, {0, dest.top, w, dest.bottom});
        content.right = dest.left;
    }
}

void TMenuRenderer::DrawItem(IMenuCanvas& canvas, const TMenuItem& item, const plat::Rect& rect,
                             const TItemState& state) {
    EndPass();
    const TRenderedItem& entry = EntryOrDefault(item);
    plat::Rect content = rect;
    if (CarriesBar(entry)) DrawBarSlice(canvas, content);

    const plat::ColorRef background =
        ColorToRGB(state.selected ? entry.SelColor : entry.NormColor, canvas, FTheme);
    canvas.FillRect(content, background);

    if (item.IsSeparator()) {
        const int height = entry.MeasuredHeight() > 0 ? entry.MeasuredHeight() : rect.bottom - rect.top;
        const int y = rect.top + height / 2;
        // One pixel each at 96 dpi, thicker on denser screens.
        const int line = std::max(1, FDpi / 96);
        for (int i = 0; i < line; ++i)
            canvas.Line(content.left, y + i, content.right, y + i,
                        ColorToRGB(entry.SeparatorColorActive, canvas, FTheme));
        for (int i = 0; i < line; ++i)
            canvas.Line(content.left, y + line + i, content.right, y + line + i,
                        ColorToRGB(entry.SeparatorColorShadow, canvas, FTheme));
        return;
    }

    // The model knows its default item even where the system does not say so.
    const TCanvasFont font = EntryFont(entry, state.isDefault || item.Default);
    const CaptionParts parts = SplitCaption(item.Caption);
    const plat::ColorRef normalText =
        entry.Font ? ColorToRGB(entry.Font->Color, canvas, FTheme) : SysColor(canvas, kColorMenuText, FTheme);
    const plat::ColorRef textColor =
        state.selected ? ColorToRGB(entry.SelTextColor, canvas, FTheme) : normalText;

    const int picture = PictureSize(canvas, entry, parts.text, font);
    const int margin = Scaled(kPictureMargin);
    const int px = content.left + margin;
    const int py = rect.top + (rect.bottom - rect.top - picture) / 2;
    if (!(entry.Options & omNoImageAttached)) {
        if (state.checked)
            canvas.DrawCheckMark({px, py, px + picture, py + picture}, textColor);
        else if (entry.Picture)
            canvas.DrawIcon(entry.Picture, px, py, picture, state.disabled);
    }

    const plat::Rect textRect{content.left + picture + 2 * margin + Scaled(HSpace), rect.top,
                              content.right - Scaled(kArrowWidth), rect.bottom};
    // Captions go to the canvas with their '&' marks: the text drawing underlines
    // the marked letter and turns "&&" into one '&', as the system's own menus do.
    const unsigned format = kDtSingleLine | kDtVCenter | kDtNoClip | (state.hidePrefix ? kDtHidePrefix : 0u);
    if (state.disabled) {
        // The system's embossed look has a white highlight, which glares on a dark
        // menu: there the text is plainly grey.
        const auto drawDisabled = [&](const std::string& text, unsigned align) {
            if (FTheme == TMenuTheme::mtDark)
                canvas.DrawFormattedText(font, SysColor(canvas, kColorGrayText, FTheme), text, textRect,
                                         format | align);
            else
                canvas.DrawDisabledText(font, text, textRect, format | align);
        };
        drawDisabled(parts.text, kDtLeft);
        if (!parts.shortcut.empty()) drawDisabled(parts.shortcut, kDtRight);
        return;
    }
    DrawShadowText(entry.Shadow, canvas, font, textColor, parts.text, state.selected, format | kDtLeft,
                   textRect, FTheme);
    if (!parts.shortcut.empty())
        DrawShadowText(entry.Shadow, canvas, font, textColor, parts.shortcut, state.selected,
                       format | kDtRight, textRect, FTheme);
}

bool TMenuRenderer::ArrowColors(IMenuCanvas& canvas, const TMenuItem& item, const TItemState& state,
                                plat::ColorRef& text, plat::ColorRef& background) const {
    if (FTheme != TMenuTheme::mtDark) return false;
    const TRenderedItem& entry = EntryOrDefault(item);
    background = ColorToRGB(state.selected ? entry.SelColor : entry.NormColor, canvas, FTheme);
    text = state.selected ? ColorToRGB(entry.SelTextColor, canvas, FTheme)
                          : SysColor(canvas, kColorMenuText, FTheme);
    return true;
}

// --- keyboard ---

TMenuChar FindMenuChar(const TMenuItem& popup, char key) {
    const auto fold = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    // The letter after a single '&'; "&&" stands for the character itself.
    const auto mnemonic = [](const std::string& caption) -> char {
        for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
            if (caption[i] != '&') continue;
            if (caption[i + 1] != '&') return caption[i + 1];
            ++i;
        }
        return '\0';
    };
    if (key == '\0' || key == '&') return {};
    std::vector<int> marked, initial;
    int index = 0;
    for (const auto& item : popup.Items()) {
        if (!item->Visible()) continue;
        if (!item->IsSeparator()) {
            const std::string text = SplitCaption(item->Caption).text;
            const char letter = mnemonic(text);
            if (letter != '\0' && fold(letter) == fold(key)) marked.push_back(index);
            if (letter == '\0' && !text.empty() && fold(text[0]) == fold(key)) initial.push_back(index);
        }
        ++index;
    }
    const std::vector<int>& fits = !marked.empty() ? marked : initial;
    if (fits.empty()) return {};
    return {fits.front(), fits.size() == 1};
}
