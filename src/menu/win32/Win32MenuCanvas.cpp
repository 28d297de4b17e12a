#include "menu/win32/Win32MenuCanvas.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "ui/win32/Dpi.h"

namespace win32 {

static_assert(menudraw::kDtLeft == DT_LEFT && menudraw::kDtRight == DT_RIGHT &&
              menudraw::kDtVCenter == DT_VCENTER && menudraw::kDtSingleLine == DT_SINGLELINE &&
              menudraw::kDtNoClip == DT_NOCLIP && menudraw::kDtHidePrefix == DT_HIDEPREFIX);
static_assert(menudraw::kBdrRaisedOuter == BDR_RAISEDOUTER && menudraw::kBdrSunkenOuter == BDR_SUNKENOUTER &&
              menudraw::kBdrRaisedInner == BDR_RAISEDINNER && menudraw::kBdrSunkenInner == BDR_SUNKENINNER &&
              menudraw::kBfRect == BF_RECT);
static_assert(menudraw::kTaBaselineLeft == (TA_BASELINE | TA_LEFT));
static_assert(menudraw::kColorMenu == COLOR_MENU && menudraw::kColorMenuText == COLOR_MENUTEXT &&
              menudraw::kColorHighlight == COLOR_HIGHLIGHT &&
              menudraw::kColorHighlightText == COLOR_HIGHLIGHTTEXT &&
              menudraw::kColorBtnShadow == COLOR_BTNSHADOW && menudraw::kColorGrayText == COLOR_GRAYTEXT &&
              menudraw::kColorBtnHighlight == COLOR_BTNHIGHLIGHT);

namespace {

RECT ToRect(const plat::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// Text drawn over what is already there, in a colour, put back afterwards.
class TextState {
public:
    TextState(HDC dc, COLORREF color)
        : FDC(dc), FColor(::SetTextColor(dc, color)), FMode(::SetBkMode(dc, TRANSPARENT)) {}
    ~TextState() {
        ::SetBkMode(FDC, FMode);
        ::SetTextColor(FDC, FColor);
    }
    TextState(const TextState&) = delete;
    TextState& operator=(const TextState&) = delete;

private:
    HDC FDC;
    COLORREF FColor;
    int FMode;
};

bool KeyboardCues() {
    BOOL always = FALSE;
    // Read at each drawing: the user may change it while the program runs.
    if (!::SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &always, 0)) return false;
    return always != FALSE;
}

}  // namespace

Win32MenuCanvas::Win32MenuCanvas(HDC dc, int dpi) : FDC(dc), FDpi(dpi) {
    if (FDpi <= 0) FDpi = std::max(96, ::GetDeviceCaps(dc, LOGPIXELSY));
}

plat::ColorRef Win32MenuCanvas::GetSysColor(int index) { return ::GetSysColor(index); }

HFONT Win32MenuCanvas::Font(const TCanvasFont& font) {
    for (const auto& [key, handle] : FFonts)
        if (key == font) return handle.get();

    LOGFONTA lf{};
    if (font.name.empty()) {
        lf = MenuFontForDpi(FDpi);
    } else {
        std::strncpy(lf.lfFaceName, font.name.c_str(), LF_FACESIZE - 1);
        lf.lfCharSet = DEFAULT_CHARSET;
    }
    if (font.height != 0) {
        // Heights are designed at 96 pixels per inch.
        lf.lfHeight = ::MulDiv(font.height, FDpi, 96);
    }
    if (font.bold) lf.lfWeight = FW_BOLD;
    lf.lfEscapement = font.escapement;
    lf.lfOrientation = font.escapement;
    // Only outline fonts turn; ask for one when the text is to run upwards.
    if (font.escapement != 0) lf.lfOutPrecision = OUT_TT_PRECIS;

    UniqueHfont created(::CreateFontIndirectA(&lf));
    HFONT result = created.get();
    FFonts.emplace_back(font, std::move(created));
    return result;
}

TTextSize Win32MenuCanvas::TextExtent(const TCanvasFont& font, const std::string& text) {
    SelectGuard selected(FDC, Font(font));
    RECT r{0, 0, 0, 0};
    // DrawText rather than GetTextExtentPoint32, so a mnemonic's '&' takes no room.
    ::DrawTextA(FDC, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    if (text.empty()) {
        TEXTMETRICA tm{};
        ::GetTextMetricsA(FDC, &tm);
        return {0, tm.tmHeight};
    }
    return {r.right - r.left, r.bottom - r.top};
}

bool Win32MenuCanvas::IsTrueType(const TCanvasFont& font) {
    SelectGuard selected(FDC, Font(font));
    TEXTMETRICA tm{};
    if (!::GetTextMetricsA(FDC, &tm)) return false;
    return (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

void Win32MenuCanvas::FillRect(const plat::Rect& rect, plat::ColorRef color) {
    const RECT r = ToRect(rect);
    const COLORREF old = ::SetDCBrushColor(FDC, color);
    ::FillRect(FDC, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::SetDCBrushColor(FDC, old);
}

void Win32MenuCanvas::Line(int x1, int y1, int x2, int y2, plat::ColorRef color) {
    SelectGuard pen(FDC, ::GetStockObject(DC_PEN));
    const COLORREF old = ::SetDCPenColor(FDC, color);
    POINT previous{};
    ::MoveToEx(FDC, x1, y1, &previous);
    ::LineTo(FDC, x2, y2);
    ::MoveToEx(FDC, previous.x, previous.y, nullptr);
    ::SetDCPenColor(FDC, old);
}

void Win32MenuCanvas::DrawEdge(const plat::Rect& rect, unsigned edge, unsigned sides) {
    RECT r = ToRect(rect);
    ::DrawEdge(FDC, &r, edge, sides);
}

void Win32MenuCanvas::DrawFormattedText(const TCanvasFont& font, plat::ColorRef color,
                                        const std::string& text, const plat::Rect& rect, unsigned format) {
    SelectGuard selected(FDC, Font(font));
    TextState state(FDC, color);
    RECT r = ToRect(rect);
    ::DrawTextA(FDC, text.c_str(), static_cast<int>(text.size()), &r, format);
}

void Win32MenuCanvas::DrawDisabledText(const TCanvasFont& font, const std::string& text,
                                       const plat::Rect& rect, unsigned format) {
    // The classic engraved look: a highlight one pixel down and right, the grey
    // text over it.
    plat::Rect light = rect;
    ++light.left, ++light.top, ++light.right, ++light.bottom;
    DrawFormattedText(font, ::GetSysColor(COLOR_BTNHIGHLIGHT), text, light, format);
    DrawFormattedText(font, ::GetSysColor(COLOR_GRAYTEXT), text, rect, format);
}

void Win32MenuCanvas::DrawTextAt(const TCanvasFont& font, plat::ColorRef color, int x, int y,
                                 const std::string& text, unsigned align) {
    SelectGuard selected(FDC, Font(font));
    TextState state(FDC, color);
    const UINT oldAlign = ::SetTextAlign(FDC, align);
    ::TextOutA(FDC, x, y, text.c_str(), static_cast<int>(text.size()));
    ::SetTextAlign(FDC, oldAlign);
}

void Win32MenuCanvas::DrawIcon(plat::Hicon icon, int x, int y, int size, bool disabled) {
    const HICON h = ToWin(icon);
    if (disabled)
        ::DrawStateA(FDC, nullptr, nullptr, reinterpret_cast<LPARAM>(h), 0, x, y, size, size,
                     DST_ICON | DSS_DISABLED);
    else
        ::DrawIconEx(FDC, x, y, h, size, size, 0, nullptr, DI_NORMAL);
}

void Win32MenuCanvas::DrawCheckMark(const plat::Rect& rect, plat::ColorRef color) {
    // Drawn as lines rather than with the symbol font's glyph: a system without
    // that font would show its letter instead of a tick.
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    const int size = std::max(6, std::min(w, h) / 2);
    const int x = rect.left + (w - size) / 2, y = rect.top + (h - size) / 2;
    UniqueHpen pen(::CreatePen(PS_SOLID, std::max(2, size / 5), color));
    SelectGuard select(FDC, pen.get());
    const POINT tick[] = {{x, y + size / 2}, {x + size / 3, y + size - 1}, {x + size, y}};
    ::Polyline(FDC, tick, 3);
}

std::unique_ptr<IMenuBitmap> Win32MenuCanvas::CreateBitmap(int width, int height) {
    return std::make_unique<Win32MenuBitmap>(FDC, width, height, FDpi);
}

void Win32MenuCanvas::CopyRect(const plat::Rect& dest, const IMenuBitmap& source,
                               const plat::Rect& sourceRect) {
    const auto* bitmap = dynamic_cast<const Win32MenuBitmap*>(&source);
    if (!bitmap || !bitmap->DC()) return;
    // Only what lies inside the picture: outside it a blit copies undefined pixels.
    const int dx = dest.left - sourceRect.left;
    const int dy = dest.top - sourceRect.top;
    const int left = std::max(sourceRect.left, 0);
    const int top = std::max(sourceRect.top, 0);
    const int right = std::min(sourceRect.right, bitmap->Width());
    const int bottom = std::min(sourceRect.bottom, bitmap->Height());
    if (right <= left || bottom <= top) return;
    ::BitBlt(FDC, left + dx, top + dy, right - left, bottom - top, bitmap->DC(), left, top, SRCCOPY);
}

Win32MenuBitmap::Win32MenuBitmap(HDC compatible, int width, int height, int dpi)
    : FWidth(width),
      FHeight(height),
      FDC(::CreateCompatibleDC(compatible)),
      FBitmap(::CreateCompatibleBitmap(compatible, std::max(width, 1), std::max(height, 1))),
      FSelected(FDC.get(), FBitmap.get()),
      FCanvas(FDC.get(), dpi) {}

TItemState MenuItemState(UINT itemState, bool keyboardCues) {
    TItemState state;
    // The system marks a menu opened with the mouse; the underlines show there
    // only while the user has asked for keyboard cues always.
    state.hidePrefix = (itemState & ODS_NOACCEL) != 0 && !keyboardCues;
    state.selected = (itemState & ODS_SELECTED) != 0;
    state.checked = (itemState & ODS_CHECKED) != 0;
    state.disabled = (itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    state.isDefault = (itemState & ODS_DEFAULT) != 0;
    return state;
}

bool RouteMenuRendererMessage(TMenuRenderer& menu, HWND owner, UINT msg, WPARAM wParam, LPARAM lParam,
                          LRESULT& result) {
    // Nothing may unwind through the system's menu loop: an item that cannot be
    // drawn is left to the system.
    try {
        switch (msg) {
            case WM_INITMENUPOPUP:
                menu.SetDpi(WindowDpi(owner));
                menu.InitMenuPopup();
                return false;
            case WM_MEASUREITEM: {
                auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
                if (wParam != 0 || !mis || mis->CtlType != ODT_MENU || !mis->itemData) return false;
                WindowDC dc(owner);
                if (!dc) return false;
                menu.SetDpi(WindowDpi(owner));
                Win32MenuCanvas canvas(dc.get(), menu.Dpi());
                const TItemSize size =
                    menu.MeasureItem(canvas, *reinterpret_cast<const TMenuItem*>(mis->itemData));
                mis->itemWidth = static_cast<UINT>(std::max(size.width, 0));
                mis->itemHeight = static_cast<UINT>(std::max(size.height, 0));
                result = TRUE;
                return true;
            }
            case WM_DRAWITEM: {
                auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
                if (wParam != 0 || !dis || dis->CtlType != ODT_MENU || !dis->itemData) return false;
                Win32MenuCanvas canvas(dis->hDC, menu.Dpi());
                const plat::Rect rect{dis->rcItem.left, dis->rcItem.top, dis->rcItem.right,
                                      dis->rcItem.bottom};
                const auto& item = *reinterpret_cast<const TMenuItem*>(dis->itemData);
                const TItemState state = MenuItemState(dis->itemState, KeyboardCues());
                menu.DrawItem(canvas, item, rect, state);
                // A submenu's arrow comes after the item, blitted in the DC's colours.
                plat::ColorRef text = 0, background = 0;
                if (menu.ArrowColors(canvas, item, state, text, background)) {
                    ::SetTextColor(dis->hDC, text);
                    ::SetBkColor(dis->hDC, background);
                }
                result = TRUE;
                return true;
            }
            default:
                return false;
        }
    } catch (const std::exception& error) {
        // The menu is drawn by the system's default then; the cause goes to the debugger.
        ::OutputDebugStringA((std::string("Menu drawing: ") + error.what()).c_str());
        return false;
    }
}

LRESULT MenuCharResult(const TMenuItem& popup, WPARAM wParam) {
    const UINT ch = LOWORD(wParam);
    if (ch == 0 || ch > 0x7F) return MAKELRESULT(0, MNC_IGNORE);
    const TMenuChar found = FindMenuChar(popup, static_cast<char>(ch));
    if (found.index < 0) return MAKELRESULT(0, MNC_IGNORE);
    return MAKELRESULT(found.index, found.execute ? MNC_EXECUTE : MNC_SELECT);
}

}  // namespace win32
