#pragma once
// The owner-drawn renderer of the tray popup menu and its submenus: a vertical
// caption bar on a gradient along the menu's side, a picture per item, and the
// selected item's text with a shadow. It only measures and draws; which items
// exist, their captions, check marks and handlers stay with the menu.
//
// Drawing goes through IMenuCanvas, so the owner window hands over its
// WM_MEASUREITEM / WM_DRAWITEM work (menu/win32/MenuMessages.h has the
// router) and tests record the calls.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "menu/MenuCanvas.h"
#include "menu/MenuEntryRenderer.h"
#include "platform/types.h"
#include "ui/Component.h"
#include "ui/Controls.h"

// A colour as the renderer's properties hold it: 0x00BBGGRR, a system colour
// (its GetSysColor index with the top bit set), or none.
using TMenuColor = std::uint32_t;
constexpr TMenuColor clNone = 0x1FFFFFFF;
constexpr TMenuColor SystemColor(int index) { return 0x80000000u | static_cast<unsigned>(index); }
// Where the system colours come from: the system itself, or, while Windows' apps
// are in dark mode, dark counterparts of the ones a menu uses (others stay the
// system's). Colours given as RGB, such as the bar's gradient, are the same in both.
enum class TMenuTheme { mtSystem, mtDark };
// The colour to draw with; none stays none.
plat::ColorRef ColorToRGB(TMenuColor color, IMenuCanvas& canvas, TMenuTheme theme = TMenuTheme::mtSystem);

// --- the caption bar ---

enum class TCaptionAlign { alUp, alDown, alCenter };
enum class TBarAlign { baLeft, baRight };
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
// Bits of TMenuCaptionBar::PaintOptions.
enum TPaintOption : unsigned { opDrawBevels = 1, opDrawGradient = 2, opDrawSeparator = 4 };

// What the bar along the side of a menu looks like. Setters store the value
// and raise OnChanged only when it differs; the font setter always raises it.
class TMenuCaptionBar {
public:
    TMenuCaptionBar();

    bool Active() const { return FActive; }
    void SetActive(bool value) { Set(FActive, value); }
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value) { Set(FCaption, value); }
    const TFont& Font() const { return FFont; }
    // Rotated text needs an outline font: anything else is refused with an
    // error and the bar keeps its font. The canvas tells the font's kind.
    void SetFont(const TFont& font, IMenuCanvas& metrics);
    // Restyles the font in place (bold for the program); the face, and with it
    // the TrueType kind, stays.
    void SetFontStyle(unsigned style);
    std::uint16_t Space() const { return FSpace; }
    void SetSpace(std::uint16_t value) { Set(FSpace, value); }
    TMenuColor BackFrom() const { return FBackFrom; }
    void SetBackFrom(TMenuColor value) { Set(FBackFrom, value); }
    TMenuColor BackTo() const { return FBackTo; }
    void SetBackTo(TMenuColor value) { Set(FBackTo, value); }
    TCaptionAlign CaptionAlign() const { return FCaptionAlign; }
    void SetCaptionAlign(TCaptionAlign value) { Set(FCaptionAlign, value); }
    TBarAlign BarAlign() const { return FBarAlign; }
    void SetBarAlign(TBarAlign value) { Set(FBarAlign, value); }
    unsigned PaintOptions() const { return FPaintOptions; }
    void SetPaintOptions(unsigned value) { Set(FPaintOptions, value); }
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value) { Set(FBevelInner, value); }
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value) { Set(FBevelOuter, value); }

    std::function<void(const TMenuCaptionBar& sender)> OnChanged;

private:
    template <class T>
    void Set(T& field, const T& value) {
        if (field == value) return;
        field = value;
        Changed();
    }
    void Changed() const {
        if (OnChanged) OnChanged(*this);
    }

    bool FActive = false;
    std::string FCaption;
    TFont FFont;
    std::uint16_t FSpace = 0;
    TMenuColor FBackFrom = 0x000000;  // black
    TMenuColor FBackTo = 0xFF0000;    // blue
    TCaptionAlign FCaptionAlign = TCaptionAlign::alDown;
    TBarAlign FBarAlign = TBarAlign::baLeft;
    unsigned FPaintOptions = 0;
    TBevelCut FBevelInner = TBevelCut::bvNone;
    TBevelCut FBevelOuter = TBevelCut::bvNone;
};

// The font of the bar's caption as the canvas creates it, running upwards.
TCanvasFont CaptionFont(const TMenuCaptionBar& bar);
// Width of the bar picture beside the items, separator strip included. Lengths
// the bar adds of its own are given at 96 pixels per inch and scaled to dpi; the
// canvas measures the caption at the same dpi.
int CaptionBarWidth(IMenuCanvas& canvas, const TMenuCaptionBar& bar, int dpi = 96);
// Fills the rectangle with 33 bands from one colour (top) towards the other.
void PaintGradient(IMenuCanvas& canvas, const plat::Rect& rect, plat::ColorRef from, plat::ColorRef to);
// The bar picture for a popup whose items are itemsHeight pixels high together:
// at least as high as the caption is long, so the caption always fits.
std::unique_ptr<IMenuBitmap> PaintCaptionBar(IMenuCanvas& canvas, const TMenuCaptionBar& bar, int itemsHeight,
                                             int dpi = 96, TMenuTheme theme = TMenuTheme::mtSystem);

// --- text shadow ---

enum class TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
// Bits of TShadowText::Options.
enum TShadowOption : unsigned { soNoShadowIfNormal = 1, soNoShadowIfSel = 2 };

struct TShadowText {
    bool Active = false;
    unsigned Options = soNoShadowIfSel;
    TMenuColor ShadowColor = SystemColor(menudraw::kColorBtnHighlight);
    TMenuColor SelShadowColor = SystemColor(menudraw::kColorBtnHighlight);
    std::uint8_t ShadowSize = 1;
    std::uint8_t SelShadowSize = 1;
    TShadowPosition ShadowPos = TShadowPosition::spLeftTop;
    TShadowPosition SelShadowPos = TShadowPosition::spLeftTop;
};

// One line of item text in textColor, with the shadow the record asks for in
// the item's state.
void DrawShadowText(const TShadowText& shadow, IMenuCanvas& canvas, const TCanvasFont& font,
                    plat::ColorRef textColor, const std::string& text, bool selected, unsigned format,
                    const plat::Rect& rect, TMenuTheme theme = TMenuTheme::mtSystem);

// --- rendering entries ---

// Bits of TRenderedItem::Options.
enum TMenuOption : unsigned {
    omFixedImgSize = 1,     // the picture is CustomImgSize square, not as high as the text
    omDrawBarIfNeeded = 2,  // the item carries a slice of the caption bar
    omNoImageAttached = 4,  // no picture (nor check mark) is drawn
};

// How one menu item is drawn.
class TRenderedItem {
public:
    const TMenuItem* MenuItem = nullptr;
    std::optional<TFont> Font;  // none: the system's menu font
    plat::Hicon Picture = 0;    // not owned: its giver keeps it alive while the entry exists
    TMenuColor SelColor = SystemColor(menudraw::kColorHighlight);
    TMenuColor NormColor = SystemColor(menudraw::kColorMenu);
    TMenuColor SeparatorColorActive = SystemColor(menudraw::kColorBtnShadow);
    TMenuColor SeparatorColorShadow = SystemColor(menudraw::kColorBtnHighlight);
    unsigned Options = omFixedImgSize;
    int CustomImgSize = 16;
    TMenuColor SelTextColor = SystemColor(menudraw::kColorHighlightText);
    TShadowText Shadow;

    // Given by the renderer when it rebuilds the bar: the bar's start colour.
    TMenuColor BarColor() const { return FBarColor; }
    // The height the item was last measured at; 0 before.
    int MeasuredHeight() const { return FMeasuredHeight; }

private:
    friend class TMenuRenderer;
    TMenuColor FBarColor = clNone;
    int FMeasuredHeight = 0;
};

// The state of an item as the system draws it.
struct TItemState {
    bool selected = false;
    bool checked = false;
    bool disabled = false;
    bool isDefault = false;
    // The mnemonic letters' underlines stay hidden: the menu was opened with the
    // mouse and the user keeps keyboard cues off.
    bool hidePrefix = false;
};

struct TItemSize {
    int width = 0;
    int height = 0;
};

// --- keyboard ---

// What a key typed in an open popup picks among the popup's shown items,
// numbered as the system's menu has them (hidden items left out): the item
// whose '&' letter it is, else an item whose caption starts with it. Owner-drawn
// items leave this to their owner (WM_MENUCHAR). A letter that fits one item
// chooses it; one that fits several only moves the selection to the first.
struct TMenuChar {
    int index = -1;  // -1: no item fits
    bool execute = false;
};
TMenuChar FindMenuChar(const TMenuItem& popup, char key);

class TMenuRenderer : public TComponent, public IMenuEntryRenderer {
public:
    explicit TMenuRenderer(std::string name);
    ~TMenuRenderer() override;

    TMenuCaptionBar CaptionBar;
    int HSpace = 5;  // pixels between picture, text and the item's edges
    int VSpace = 2;  // pixels above and below an item's picture

    // Pixels per inch of the screen the menu shows on. Sizes above and in the
    // entries are designed at 96 and drawn scaled; the canvas is expected to
    // measure text at the same dpi.
    int Dpi() const { return FDpi; }
    void SetDpi(int dpi);
    // A length designed at 96 pixels per inch, at the menu's dpi.
    int Scaled(int pixels) const;

    // The colours the menus are drawn in; a change repaints the bar picture at its
    // next slice.
    TMenuTheme Theme() const { return FTheme; }
    void SetTheme(TMenuTheme theme);

    // Whether the menus are to be owner-drawn at all; switching off drops the
    // bar picture.
    bool Active() const { return FActive; }
    void SetActive(bool value);

    // --- entries, one per menu item ---

    // Creates the item's entry, replacing one it has, with the look every entry
    // of this program shares: the selected text in 0xC6FFC6 with a grey shadow,
    // no shadow for normal items. pictureSize is the square of the icon (which
    // may be 0); drawBar makes the item carry the caption bar.
    TRenderedItem& AddEntry(const TMenuItem* item, plat::Hicon icon, int pictureSize, bool drawBar = false);
    // Entries for every item below root that has none yet: its direct items
    // carry the bar at 24 pixels, the items of their submenus are 16 pixels.
    void AddEntries(const TMenuItem& root);
    // Forgets the item's entry; false when it had none. Call it before the item
    // goes away.
    bool RemoveEntry(const TMenuItem* item);
    // The folder menu's items, with 16-pixel pictures.
    void CreateEntry(TMenuItem& item, plat::Hicon icon) override { AddEntry(&item, icon, 16); }
    void DestroyEntry(TMenuItem& item) override { RemoveEntry(&item); }
    TRenderedItem* Entry(const TMenuItem* item);
    const TRenderedItem* Entry(const TMenuItem* item) const;
    std::size_t EntryCount() const { return FEntries.size(); }

    // --- owner drawing ---

    // A popup is about to be shown (WM_INITMENUPOPUP): the next measured item
    // starts its total height again.
    void InitMenuPopup();
    // Size of one item (WM_MEASUREITEM). The items of one popup are measured
    // one after the other before any of them is drawn.
    TItemSize MeasureItem(IMenuCanvas& canvas, const TMenuItem& item);
    // Draws one item (WM_DRAWITEM) into its rectangle, in the menu window's
    // coordinates; a bar-carrying item also gets its slice of the bar.
    void DrawItem(IMenuCanvas& canvas, const TMenuItem& item, const plat::Rect& rect,
                  const TItemState& state);

    // The colours to leave in the item's device context for the submenu arrow the
    // system draws after the item: the item's text and background. Only the dark
    // theme asks for them; in the system's the arrow stays as the system has it.
    bool ArrowColors(IMenuCanvas& canvas, const TMenuItem& item, const TItemState& state,
                     plat::ColorRef& text, plat::ColorRef& background) const;

    // The items' total height of the popup measured last.
    int ItemsHeight() const { return FPass.total; }
    // The bar picture the bar-carrying items copy from; null before it is built.
    const IMenuBitmap* BarPicture() const { return FBarPicture.get(); }

private:
    // The popup whose items are being measured.
    struct MeasurePass {
        bool open = false;
        int total = 0;
        bool carriesBar = false;
        bool hasSubmenus = false;
    };

    const TRenderedItem& EntryOrDefault(const TMenuItem& item) const;
    bool CarriesBar(const TRenderedItem& entry) const;
    int PictureSize(IMenuCanvas& canvas, const TRenderedItem& entry, const std::string& caption,
                    const TCanvasFont& font) const;
    void EndPass();
    void DrawBarSlice(IMenuCanvas& canvas, plat::Rect& content);

    bool FActive = true;
    int FDpi = 96;
    TMenuTheme FTheme = TMenuTheme::mtSystem;
    std::map<const TMenuItem*, TRenderedItem> FEntries;
    MeasurePass FPass;
    // What the next bar picture is built for, once a bar-carrying popup is measured.
    bool FBarPending = false;
    int FBarItemsHeight = 0;
    bool FBarHasSubmenus = false;
    std::unique_ptr<IMenuBitmap> FBarPicture;
};
