#include "menu/MenuRenderer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "RecordingCanvas.h"
#include "platform/error.h"

using menutest::Drawn;
using menutest::Op;
using menutest::RecordingCanvas;
using menutest::SysColorValue;

namespace {

std::string Str(const plat::Rect& r) {
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

#define EXPECT_RECT(actual, ...)                 \
    do {                                         \
        const plat::Rect expected_{__VA_ARGS__}; \
        EXPECT_EQ(Str(actual), Str(expected_));  \
    } while (0)

// The caption font at the bar's design values: bold Arial 10 (13 pixels), so in
// the recording canvas's metrics the caption "Velant! Pro 2001" is 16 × 8 = 128
// pixels long and 16 high; the bar is 16 + 4 = 20 wide, 26 with its separator.
constexpr int kCaptionLength = 128;
constexpr int kBarWidth = 20;
constexpr int kPictureWidth = 26;
constexpr unsigned kItemFormat = menudraw::kDtSingleLine | menudraw::kDtVCenter | menudraw::kDtNoClip;

void GiveProgramDesign(TMenuRenderer& menu) {
    menu.VSpace = 0;
    TMenuCaptionBar& bar = menu.CaptionBar;
    bar.SetActive(true);
    bar.SetCaption("Velant! Pro 2001");
    bar.SetFontStyle(fsBold);
    bar.SetPaintOptions(opDrawBevels | opDrawGradient | opDrawSeparator);
    bar.SetBevelInner(TBevelCut::bvRaised);
    bar.SetBevelOuter(TBevelCut::bvRaised);
}

// The tray menu in small: top-level items (two with submenus), separators, the
// default item.
struct ProgramMenu {
    TMenuItem root{"", ""};
    TMenuItem* myComputer;
    TMenuItem* desktop;
    TMenuItem* deskFile1;
    TMenuItem* deskFile2;
    TMenuItem* controlPanel;
    TMenuItem* n1;
    TMenuItem* configure;
    TMenuItem* n2;
    TMenuItem* close;

    ProgramMenu() {
        myComputer = &Add(root, "MainPopup_MyComputer", "My Computer");
        desktop = &Add(root, "MainPopup_Desktop", "Desktop");
        deskFile1 = &Add(*desktop, "D1", "Notes.txt");
        deskFile2 = &Add(*desktop, "D2", "Pictures");
        controlPanel = &Add(root, "MainPopup_Controlpanel", "Control panel");
        n1 = &Add(root, "N1", "-");
        configure = &Add(root, "MainPop_Configure", "Configure...");
        configure->Default = true;
        n2 = &Add(root, "N2", "-");
        close = &Add(root, "MainPop_Close", "Close Velant! Pro 2001");
    }
    static TMenuItem& Add(TMenuItem& parent, const std::string& name, const std::string& caption) {
        return parent.Add(std::make_unique<TMenuItem>(name, caption));
    }
    std::vector<TMenuItem*> TopLevel() const {
        return {myComputer, desktop, controlPanel, n1, configure, n2, close};
    }
};

// The top-level items are 24 high, the separators as high as "-" in the menu
// font (13): 5 × 24 + 2 × 13.
constexpr int kTopLevelHeight = 146;

class MenuRendererTest : public ::testing::Test {
protected:
    MenuRendererTest() {
        GiveProgramDesign(menu);
        menu.AddEntries(items.root);
    }

    // Measures the popup's items, then draws them one below the other, 200 wide;
    // returns their rectangles.
    std::vector<plat::Rect> ShowPopup(const std::vector<TMenuItem*>& popup, int selected = -1) {
        menu.InitMenuPopup();
        std::vector<int> heights;
        for (TMenuItem* item : popup) heights.push_back(menu.MeasureItem(canvas, *item).height);
        std::vector<plat::Rect> rects;
        int y = 0;
        for (std::size_t i = 0; i < popup.size(); ++i) {
            const plat::Rect r{0, y, 200, y + heights[i]};
            TItemState state;
            state.selected = static_cast<int>(i) == selected;
            state.isDefault = popup[i]->Default;
            menu.DrawItem(canvas, *popup[i], r, state);
            rects.push_back(r);
            y += heights[i];
        }
        return rects;
    }
    std::vector<Op> Draw(const TMenuItem& item, const plat::Rect& rect, const TItemState& state) {
        canvas.ops.clear();
        menu.DrawItem(canvas, item, rect, state);
        return canvas.ops;
    }

    TMenuRenderer menu{"CoolMenu1"};
    ProgramMenu items;
    RecordingCanvas canvas;
};

// --- the caption bar ---

TEST(CaptionBar, GradientBandsRunFromBlackTowardsBlueRoundedAsMulDiv) {
    RecordingCanvas c;
    PaintGradient(c, {0, 0, 20, 100}, 0x000000, 0xFF0000);
    const auto bands = c.Of("FillRect");
    ASSERT_EQ(bands.size(), 33u);
    EXPECT_RECT(bands[0].rect, 0, 0, 20, 3);
    EXPECT_EQ(bands[0].color, 0x000000u);
    EXPECT_RECT(bands[1].rect, 0, 3, 20, 6);       // 100 / 32 = 3.125
    EXPECT_EQ(bands[1].color, 0x080000u);          // 255 / 32 = 7.97
    EXPECT_RECT(bands[4].rect, 0, 13, 20, 16);     // 12.5 rounds up, 15.625 too
    EXPECT_EQ(bands[16].color, 0x800000u);         // 127.5 rounds up
    EXPECT_EQ(bands[31].color, 0xF70000u);         // the last visible band is almost blue
    EXPECT_RECT(bands[32].rect, 0, 100, 20, 103);  // the extra band starts at the bottom edge
    EXPECT_EQ(bands[32].color, 0xFF0000u);
    for (std::size_t i = 1; i < bands.size(); ++i) EXPECT_EQ(bands[i].rect.top, bands[i - 1].rect.bottom);

    // Falling parts round away from zero as well, and each part goes its own way.
    RecordingCanvas down;
    PaintGradient(down, {5, 10, 6, 42}, 0x0000FF, 0x00FF00);
    const auto fall = down.Of("FillRect");
    EXPECT_RECT(fall[1].rect, 5, 11, 6, 12);
    EXPECT_EQ(fall[1].color, 0x0008F7u);
}

TEST(CaptionBar, PictureHasGradientBevelsCaptionAndSeparatorStrip) {
    TMenuRenderer menu("CoolMenu1");
    GiveProgramDesign(menu);
    RecordingCanvas c;
    auto picture = PaintCaptionBar(c, menu.CaptionBar, 146);
    ASSERT_EQ(picture->Width(), kPictureWidth);
    ASSERT_EQ(picture->Height(), 146);
    const auto& ops = Drawn(*picture).ops;
    ASSERT_EQ(ops.size(), 33u + 1 + 1 + 3);

    for (int i = 0; i < 33; ++i) {
        EXPECT_EQ(ops[i].kind, "FillRect");
        EXPECT_EQ(ops[i].rect.left, 0);
        EXPECT_EQ(ops[i].rect.right, kBarWidth);
    }
    EXPECT_EQ(ops[0].color, 0x000000u);
    EXPECT_EQ(ops[31].color, 0xF70000u);

    EXPECT_EQ(ops[33].kind, "DrawEdge");
    EXPECT_RECT(ops[33].rect, 0, 0, kBarWidth, 146);
    EXPECT_EQ(ops[33].flags, menudraw::kBdrRaisedInner | menudraw::kBdrRaisedOuter);
    EXPECT_EQ(ops[33].x1, 15);  // BF_RECT

    const Op& caption = ops[34];
    EXPECT_EQ(caption.kind, "TextAt");
    EXPECT_EQ(caption.text, "Velant! Pro 2001");
    EXPECT_EQ(caption.x1, 15);       // 20 − 20 / 4
    EXPECT_EQ(caption.y1, 146 - 4);  // starts 4 pixels above the lower end
    EXPECT_EQ(caption.flags, 24u);   // TA_BASELINE | TA_LEFT
    EXPECT_EQ(caption.color, 0xFFFFFFu);
    EXPECT_EQ(caption.font, (TCanvasFont{"Arial", -13, true, 900}));

    EXPECT_EQ(ops[35].kind, "FillRect");
    EXPECT_RECT(ops[35].rect, kBarWidth, 0, kPictureWidth, 146);
    EXPECT_EQ(ops[35].color, SysColorValue(menudraw::kColorMenu));
    EXPECT_EQ(ops[36].kind, "Line");
    EXPECT_EQ(ops[36].x1, 22);
    EXPECT_EQ(ops[36].x2, 22);
    EXPECT_EQ(ops[36].y1, 0);
    EXPECT_EQ(ops[36].y2, 146);
    EXPECT_EQ(ops[36].color, 0x808080u);
    EXPECT_EQ(ops[37].x1, 23);
    EXPECT_EQ(ops[37].color, SysColorValue(menudraw::kColorBtnHighlight));
}

TEST(CaptionBar, CaptionOffsetFollowsAlignmentSpaceAndShortMenus) {
    TMenuRenderer menu("CoolMenu1");
    GiveProgramDesign(menu);
    TMenuCaptionBar& bar = menu.CaptionBar;
    auto captionY = [&bar](int itemsHeight) {
        RecordingCanvas c;
        auto picture = PaintCaptionBar(c, bar, itemsHeight);
        return Drawn(*picture).Of("TextAt").at(0).y1;
    };
    EXPECT_EQ(captionY(301), 297);
    bar.SetSpace(3);
    EXPECT_EQ(captionY(301), 294);
    bar.SetSpace(0);
    bar.SetCaptionAlign(TCaptionAlign::alCenter);
    EXPECT_EQ(captionY(301), 301 - (301 - kCaptionLength - 8) / 2 - 4);  // 82.5 rounds toward zero
    EXPECT_EQ(captionY(301), 215);
    bar.SetCaptionAlign(TCaptionAlign::alUp);
    EXPECT_EQ(captionY(301), kCaptionLength + 4);  // the caption ends 4 pixels below the top
    // A menu lower than the caption is long: the bar is as high as the caption + 8.
    bar.SetCaptionAlign(TCaptionAlign::alDown);
    RecordingCanvas c;
    auto picture = PaintCaptionBar(c, bar, 48);
    EXPECT_EQ(picture->Height(), kCaptionLength + 8);
    EXPECT_EQ(Drawn(*picture).Of("TextAt").at(0).y1, kCaptionLength + 8 - 4);
}

TEST(CaptionBar, PlainBarWithoutGradientBevelCutsOrSeparator) {
    TMenuCaptionBar bar;
    bar.SetActive(true);
    bar.SetCaption("Velant! Pro 2001");
    bar.SetBackFrom(0x123456);
    bar.SetPaintOptions(opDrawBevels);  // but both cuts are none
    RecordingCanvas c;
    auto picture = PaintCaptionBar(c, bar, 200);
    EXPECT_EQ(picture->Width(), 13 + 3 + 4);  // Arial 10, not bold: 13 + 3 high
    const auto& drawn = Drawn(*picture);
    ASSERT_EQ(drawn.Of("FillRect").size(), 1u);
    EXPECT_RECT(drawn.Of("FillRect")[0].rect, 0, 0, 20, 200);
    EXPECT_EQ(drawn.Of("FillRect")[0].color, 0x123456u);
    EXPECT_TRUE(drawn.Of("DrawEdge").empty());
    EXPECT_TRUE(drawn.Of("Line").empty());
    EXPECT_EQ(drawn.Of("TextAt")[0].font.bold, false);

    // One lowered cut alone is enough for a frame, and system colours resolve.
    bar.SetBevelOuter(TBevelCut::bvLowered);
    bar.SetBackFrom(SystemColor(menudraw::kColorHighlight));
    RecordingCanvas c2;
    auto framed = PaintCaptionBar(c2, bar, 200);
    EXPECT_EQ(Drawn(*framed).Of("DrawEdge").at(0).flags, menudraw::kBdrSunkenOuter);
    EXPECT_EQ(Drawn(*framed).Of("FillRect").at(0).color, SysColorValue(menudraw::kColorHighlight));
}

TEST(CaptionBar, BarOnTheRightHasItsStripOnTheLeft) {
    TMenuRenderer menu("CoolMenu1");
    GiveProgramDesign(menu);
    menu.CaptionBar.SetBarAlign(TBarAlign::baRight);
    RecordingCanvas c;
    auto picture = PaintCaptionBar(c, menu.CaptionBar, 146);
    EXPECT_EQ(picture->Width(), kPictureWidth);
    const auto& drawn = Drawn(*picture);
    const auto fills = drawn.Of("FillRect");
    EXPECT_EQ(fills.front().rect.left, 6);
    EXPECT_EQ(fills.front().rect.right, kPictureWidth);
    EXPECT_RECT(fills.back().rect, 0, 0, 6, 146);
    EXPECT_RECT(drawn.Of("DrawEdge").at(0).rect, 6, 0, kPictureWidth, 146);
    EXPECT_EQ(drawn.Of("TextAt").at(0).x1, 6 + 15);
    const auto lines = drawn.Of("Line");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].x1, 4);
    EXPECT_EQ(lines[0].color, 0x808080u);
    EXPECT_EQ(lines[1].x1, 3);
    EXPECT_EQ(lines[1].color, SysColorValue(menudraw::kColorBtnHighlight));
}

TEST(CaptionBar, SettersRaiseChangedForNewValuesAndFontMustBeTrueType) {
    TMenuCaptionBar bar;
    EXPECT_FALSE(bar.Active());
    EXPECT_EQ(bar.Font().Name, "Arial");
    EXPECT_EQ(bar.Font().Size(), 10);
    EXPECT_EQ(bar.Font().Color, 0xFFFFFFu);
    EXPECT_EQ(bar.BackFrom(), 0x000000u);
    EXPECT_EQ(bar.BackTo(), 0xFF0000u);
    EXPECT_EQ(bar.CaptionAlign(), TCaptionAlign::alDown);
    EXPECT_EQ(bar.BarAlign(), TBarAlign::baLeft);

    int changes = 0;
    bar.OnChanged = [&changes](const TMenuCaptionBar&) { ++changes; };
    bar.SetCaption("Velant! Pro 2001");
    bar.SetCaption("Velant! Pro 2001");
    bar.SetSpace(0);
    bar.SetBackTo(0xFF0000);
    bar.SetPaintOptions(opDrawGradient);
    bar.SetPaintOptions(opDrawGradient);
    EXPECT_EQ(changes, 2);

    RecordingCanvas metrics;
    TFont tahoma;
    tahoma.Name = "Tahoma";
    tahoma.SetSize(12);
    bar.SetFont(tahoma, metrics);
    bar.SetFont(tahoma, metrics);  // the font setter always raises it
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(bar.Font().Name, "Tahoma");

    TFont raster;
    raster.Name = "MS Sans Serif";
    try {
        bar.SetFont(raster, metrics);
        FAIL() << "a raster font was taken";
    } catch (const EVelantError& e) {
        EXPECT_STREQ(e.what(), "Use True Type fonts for TCoolMenuBar");
    }
    EXPECT_EQ(bar.Font().Name, "Tahoma");
    EXPECT_EQ(changes, 4);
}

// --- text shadow ---

TEST(MenuRendererShadow, OptionsDecideWhichStateHasAShadow) {
    const TCanvasFont font;
    auto texts = [&font](const TShadowText& shadow, bool selected) {
        RecordingCanvas c;
        DrawShadowText(shadow, c, font, 0x111111, "Configure...", selected, kItemFormat, {10, 20, 110, 44});
        return c.Of("Text");
    };
    TShadowText program;
    program.Active = true;
    program.Options = soNoShadowIfNormal;
    program.ShadowColor = clNone;
    program.SelShadowColor = 0x808080;

    const auto normal = texts(program, false);
    ASSERT_EQ(normal.size(), 1u);
    EXPECT_RECT(normal[0].rect, 10, 20, 110, 44);
    EXPECT_EQ(normal[0].color, 0x111111u);

    const auto selected = texts(program, true);
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0].color, 0x808080u);  // the shadow first, at the place
    EXPECT_RECT(selected[0].rect, 10, 20, 110, 44);
    EXPECT_EQ(selected[1].color, 0x111111u);  // the text one pixel right and down
    EXPECT_RECT(selected[1].rect, 11, 21, 111, 45);
    EXPECT_EQ(selected[1].flags, kItemFormat);

    TShadowText both = program;
    both.Options = soNoShadowIfNormal | soNoShadowIfSel;
    EXPECT_EQ(texts(both, true).size(), 1u);
    EXPECT_EQ(texts(both, false).size(), 1u);
    TShadowText off = program;
    off.Active = false;
    EXPECT_EQ(texts(off, true).size(), 1u);

    // The record's own defaults: no shadow for a selected item, a button-highlight
    // one for a normal item once active.
    TShadowText defaults;
    defaults.Active = true;
    EXPECT_EQ(texts(defaults, true).size(), 1u);
    const auto plain = texts(defaults, false);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0].color, SysColorValue(menudraw::kColorBtnHighlight));
}

TEST(MenuRendererShadow, DirectionMovesTextOrShadow) {
    const plat::Rect r{10, 20, 110, 44};
    auto draw = [&r](TShadowPosition pos, int size) {
        TShadowText s;
        s.Active = true;
        s.Options = 0;
        s.ShadowColor = 0x808080;
        s.ShadowPos = pos;
        s.ShadowSize = static_cast<std::uint8_t>(size);
        RecordingCanvas c;
        DrawShadowText(s, c, TCanvasFont{}, 0, "x", false, kItemFormat, r);
        return c.Of("Text");  // [shadow, text]
    };
    auto rb = draw(TShadowPosition::spRightBottom, 1);
    EXPECT_RECT(rb[0].rect, 11, 21, 111, 45);
    EXPECT_RECT(rb[1].rect, 10, 20, 110, 44);
    auto lt = draw(TShadowPosition::spLeftTop, 1);
    EXPECT_RECT(lt[0].rect, 10, 20, 110, 44);
    EXPECT_RECT(lt[1].rect, 11, 21, 111, 45);
    auto lb = draw(TShadowPosition::spLeftBottom, 2);
    EXPECT_RECT(lb[0].rect, 10, 22, 110, 46);
    EXPECT_RECT(lb[1].rect, 12, 20, 112, 44);
    auto rt = draw(TShadowPosition::spRightTop, 2);
    EXPECT_RECT(rt[0].rect, 12, 20, 112, 44);
    EXPECT_RECT(rt[1].rect, 10, 22, 110, 46);
}

// --- entries ---

TEST_F(MenuRendererTest, EntriesAreKeptPerItem) {
    // AddEntries (fixture) gave every item one: 7 top-level, 2 in the submenu.
    EXPECT_EQ(menu.EntryCount(), 9u);
    const TRenderedItem* top = menu.Entry(items.configure);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->MenuItem, items.configure);
    EXPECT_EQ(top->CustomImgSize, 24);
    EXPECT_TRUE(top->Options & omDrawBarIfNeeded);
    EXPECT_TRUE(top->Options & omFixedImgSize);
    EXPECT_EQ(top->SelTextColor, 0xC6FFC6u);
    EXPECT_TRUE(top->Shadow.Active);
    EXPECT_EQ(top->Shadow.Options, unsigned{soNoShadowIfNormal});
    EXPECT_EQ(top->Shadow.ShadowColor, clNone);
    EXPECT_EQ(top->Shadow.SelShadowColor, 0x808080u);
    const TRenderedItem* sub = menu.Entry(items.deskFile1);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->CustomImgSize, 16);
    EXPECT_FALSE(sub->Options & omDrawBarIfNeeded);

    // The folder menu replaces the desktop entries with ones that carry icons.
    TRenderedItem& withIcon = menu.AddEntry(items.deskFile1, plat::Hicon{0x4711}, 16);
    EXPECT_EQ(&withIcon, menu.Entry(items.deskFile1));
    EXPECT_EQ(withIcon.Picture, plat::Hicon{0x4711});
    EXPECT_EQ(menu.EntryCount(), 9u);
    // Filling in again keeps what is there.
    menu.AddEntries(items.root);
    EXPECT_EQ(menu.Entry(items.deskFile1)->Picture, plat::Hicon{0x4711});

    EXPECT_TRUE(menu.RemoveEntry(items.deskFile1));
    EXPECT_FALSE(menu.RemoveEntry(items.deskFile1));
    EXPECT_EQ(menu.Entry(items.deskFile1), nullptr);
    EXPECT_EQ(menu.EntryCount(), 8u);
    TMenuItem stranger("X", "Elsewhere");
    EXPECT_FALSE(menu.RemoveEntry(&stranger));
    EXPECT_THROW(menu.AddEntry(nullptr, 0, 16), std::invalid_argument);
}

// --- measuring ---

TEST_F(MenuRendererTest, ItemHeightsAndWidths) {
    menu.InitMenuPopup();
    // Top level: 24-pixel pictures, the bar's 26 pixels in front, 16 at the end.
    const TItemSize computer = menu.MeasureItem(canvas, *items.myComputer);
    EXPECT_EQ(computer.height, 24);
    EXPECT_EQ(computer.width, kPictureWidth + 24 + 4 + 5 + 11 * 7 + 5 + 16);
    // The default item is measured in bold.
    EXPECT_EQ(menu.MeasureItem(canvas, *items.configure).width, kPictureWidth + 24 + 4 + 5 + 12 * 8 + 5 + 16);
    // A separator is as high as "-" in the menu font.
    EXPECT_EQ(menu.MeasureItem(canvas, *items.n1).height, 13);
    EXPECT_EQ(menu.Entry(items.n1)->MeasuredHeight(), 13);

    menu.InitMenuPopup();
    const TItemSize file = menu.MeasureItem(canvas, *items.deskFile1);
    EXPECT_EQ(file.height, 16);
    EXPECT_EQ(file.width, 16 + 4 + 5 + 9 * 7 + 5 + 16);  // no bar in a submenu
    EXPECT_EQ(menu.ItemsHeight(), 16);

    // A shortcut after a tab gets its own room.
    TMenuItem change("C", "Change\tWin+W");
    menu.AddEntry(&change, 0, 16);
    EXPECT_EQ(menu.MeasureItem(canvas, change).width, 16 + 4 + 5 + 6 * 7 + 5 + 16 + 16 + 5 * 7);

    // Spacing above and below, and pictures as high as the text without a fixed size.
    menu.VSpace = 2;
    EXPECT_EQ(menu.MeasureItem(canvas, *items.deskFile2).height, 20);
    menu.Entry(items.deskFile2)->Options &= ~omFixedImgSize;
    EXPECT_EQ(menu.MeasureItem(canvas, *items.deskFile2).height, 13 + 4);
    TFont big;
    big.Name = "Tahoma";
    big.SetHeight(-20);
    menu.Entry(items.deskFile2)->Font = big;
    EXPECT_EQ(menu.MeasureItem(canvas, *items.deskFile2).height, 23 + 4);
}

TEST_F(MenuRendererTest, SizesGrowWithTheScreensDpi) {
    items.myComputer->SetChecked(true);
    menu.Entry(items.controlPanel)->Picture = plat::Hicon{0x4711};
    struct Sizes {
        std::vector<int> heights;  // the top-level items, then the submenu's
        int barWidth = 0, picture = 0, check = 0, separatorLines = 0;
    };
    auto measure = [&](int dpi) {
        canvas.dpi = dpi;
        menu.SetDpi(dpi);
        Sizes sizes;
        ShowPopup(items.TopLevel());
        for (TMenuItem* item : items.TopLevel()) sizes.heights.push_back(menu.Entry(item)->MeasuredHeight());
        sizes.barWidth = menu.BarPicture() ? menu.BarPicture()->Width() : 0;
        ShowPopup({items.deskFile1, items.deskFile2});
        for (TMenuItem* item : {items.deskFile1, items.deskFile2})
            sizes.heights.push_back(menu.Entry(item)->MeasuredHeight());
        const int h = sizes.heights[0];
        TItemState checked;
        checked.checked = true;
        const auto check = Draw(*items.myComputer, {0, 0, 300, h}, checked);
        for (const Op& op : check)
            if (op.kind == "Check") sizes.check = op.rect.bottom - op.rect.top;
        for (const Op& op : Draw(*items.controlPanel, {0, 0, 300, h}, TItemState{}))
            if (op.kind == "Icon") sizes.picture = op.x2;
        for (const Op& op : Draw(*items.n1, {0, 0, 300, sizes.heights[3]}, TItemState{}))
            if (op.kind == "Line") ++sizes.separatorLines;
        return sizes;
    };
    const Sizes base = measure(96);
    EXPECT_EQ(base.heights, (std::vector<int>{24, 24, 24, 13, 24, 13, 24, 16, 16}));
    EXPECT_EQ(base.barWidth, kPictureWidth);
    EXPECT_EQ(base.picture, 24);
    EXPECT_EQ(base.check, 24);
    EXPECT_EQ(base.separatorLines, 2);
    // 1.5 and 2 times (twice the factor, to stay in integers).
    for (const auto& [dpi, times2] : {std::pair{144, 3}, std::pair{192, 4}}) {
        SCOPED_TRACE(dpi);
        const Sizes at = measure(dpi);
        ASSERT_EQ(at.heights.size(), base.heights.size());
        for (std::size_t i = 0; i < base.heights.size(); ++i)
            EXPECT_EQ(at.heights[i], (base.heights[i] * times2 + 1) / 2) << i;  // halves round up
        EXPECT_EQ(2 * at.barWidth, base.barWidth * times2);
        EXPECT_EQ(2 * at.picture, base.picture * times2);
        EXPECT_EQ(2 * at.check, base.check * times2);
        EXPECT_EQ(at.separatorLines, 2 * (dpi / 96));
    }
}

TEST_F(MenuRendererTest, ItemsHeightAddsUpPerPopup) {
    ShowPopup(items.TopLevel());
    EXPECT_EQ(menu.ItemsHeight(), kTopLevelHeight);
    ShowPopup({items.deskFile1, items.deskFile2});
    EXPECT_EQ(menu.ItemsHeight(), 32);
    // Without the popup's own notice a measure after drawing starts afresh too.
    menu.MeasureItem(canvas, *items.myComputer);
    EXPECT_EQ(menu.ItemsHeight(), 24);
}

// --- drawing ---

TEST_F(MenuRendererTest, BarSlicesLineUpIntoOneBar) {
    const auto rects = ShowPopup(items.TopLevel());
    ASSERT_EQ(canvas.Of("Bitmap").size(), 1u);  // built once, at the first slice
    const IMenuBitmap* picture = menu.BarPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), kPictureWidth);
    EXPECT_EQ(picture->Height(), kTopLevelHeight);
    // The picture was painted for the whole popup: the caption at its lower end.
    EXPECT_EQ(Drawn(*picture).Of("TextAt").at(0).y1, kTopLevelHeight - 4);

    const auto copies = canvas.Of("Copy");
    ASSERT_EQ(copies.size(), rects.size());
    for (std::size_t i = 0; i < rects.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(copies[i].source, picture);
        EXPECT_RECT(copies[i].rect, 0, rects[i].top - 10, kPictureWidth, rects[i].bottom + 10);
        EXPECT_EQ(Str(copies[i].sourceRect), Str(copies[i].rect));
        if (i > 0) {
            EXPECT_EQ(rects[i].top, rects[i - 1].bottom);
        }
    }
    // Every bar-carrying entry now knows the bar's colour.
    EXPECT_EQ(menu.Entry(items.close)->BarColor(), 0x000000u);
    EXPECT_EQ(menu.Entry(items.deskFile1)->BarColor(), clNone);

    // The item's own background starts after the bar.
    const auto fills = canvas.Of("FillRect");
    EXPECT_RECT(fills.at(0).rect, kPictureWidth, 0, 200, 24);
    EXPECT_EQ(fills.at(0).color, SysColorValue(menudraw::kColorMenu));
}

TEST_F(MenuRendererTest, SubmenuKeepsTheTopLevelBarAndDrawsNoSlice) {
    ShowPopup(items.TopLevel());
    const IMenuBitmap* picture = menu.BarPicture();
    canvas.ops.clear();
    ShowPopup({items.deskFile1, items.deskFile2});
    EXPECT_TRUE(canvas.Of("Copy").empty());
    EXPECT_TRUE(canvas.Of("Bitmap").empty());
    EXPECT_RECT(canvas.Of("FillRect").at(0).rect, 0, 0, 200, 16);
    // Back in the top level, hovering redraws its items with the same bar.
    Draw(*items.configure, {0, 85, 200, 109}, TItemState{true, false, false, true});
    EXPECT_EQ(menu.BarPicture(), picture);
    ASSERT_EQ(canvas.Of("Copy").size(), 1u);
    EXPECT_RECT(canvas.Of("Copy")[0].rect, 0, 75, kPictureWidth, 119);
}

TEST_F(MenuRendererTest, EachPopupOfTheMenuRebuildsTheBar) {
    ShowPopup(items.TopLevel());
    // With items hidden the menu is lower than the caption is long.
    canvas.ops.clear();
    ShowPopup({items.configure, items.n2, items.close});
    ASSERT_EQ(canvas.Of("Bitmap").size(), 1u);
    EXPECT_EQ(menu.BarPicture()->Height(), kCaptionLength + 8);
    EXPECT_EQ(menu.ItemsHeight(), 24 + 13 + 24);
}

TEST_F(MenuRendererTest, InactiveBarOrRendererDrawsNoSlice) {
    menu.CaptionBar.SetActive(false);
    EXPECT_EQ(menu.MeasureItem(canvas, *items.myComputer).width, 24 + 4 + 5 + 11 * 7 + 5 + 16);
    ShowPopup(items.TopLevel());
    EXPECT_TRUE(canvas.Of("Copy").empty());
    EXPECT_EQ(menu.BarPicture(), nullptr);
    EXPECT_RECT(canvas.Of("FillRect").at(0).rect, 0, 0, 200, 24);

    menu.CaptionBar.SetActive(true);
    ShowPopup(items.TopLevel());
    EXPECT_NE(menu.BarPicture(), nullptr);
    menu.SetActive(false);
    EXPECT_FALSE(menu.Active());
    EXPECT_EQ(menu.BarPicture(), nullptr);
}

TEST_F(MenuRendererTest, SelectedItemHasHighlightShadowAndItsTextColour) {
    ShowPopup(items.TopLevel());
    const plat::Rect r{0, 0, 200, 24};
    // Text starts after the bar, the picture's 24 + 2 × 2 and HSpace; it ends
    // before the room for a submenu arrow.
    const plat::Rect text{kPictureWidth + 24 + 4 + 5, 0, 200 - 16, 24};

    Draw(*items.myComputer, r, TItemState{true, false, false, false});
    EXPECT_EQ(canvas.Of("FillRect").at(0).color, SysColorValue(menudraw::kColorHighlight));
    auto texts = canvas.Of("Text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].color, 0x808080u);
    EXPECT_EQ(Str(texts[0].rect), Str(text));
    EXPECT_EQ(texts[1].color, 0xC6FFC6u);
    EXPECT_RECT(texts[1].rect, text.left + 1, 1, text.right + 1, 25);
    EXPECT_EQ(texts[1].text, "My Computer");
    EXPECT_EQ(texts[1].flags, kItemFormat);
    EXPECT_EQ(texts[1].font, TCanvasFont{});  // the system's menu font

    Draw(*items.myComputer, r, TItemState{});
    EXPECT_EQ(canvas.Of("FillRect").at(0).color, SysColorValue(menudraw::kColorMenu));
    texts = canvas.Of("Text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].color, SysColorValue(menudraw::kColorMenuText));
    EXPECT_EQ(Str(texts[0].rect), Str(text));
}

TEST_F(MenuRendererTest, DefaultDisabledCheckedAndPictureStates) {
    ShowPopup(items.TopLevel());
    const plat::Rect r{0, 0, 200, 24};

    Draw(*items.configure, r, TItemState{false, false, false, true});
    ASSERT_EQ(canvas.Of("Text").size(), 1u);
    EXPECT_TRUE(canvas.Of("Text")[0].font.bold);
    Draw(*items.close, r, TItemState{});
    EXPECT_FALSE(canvas.Of("Text")[0].font.bold);

    Draw(*items.close, r, TItemState{true, false, true, false});
    EXPECT_TRUE(canvas.Of("Text").empty());
    ASSERT_EQ(canvas.Of("DisabledText").size(), 1u);
    EXPECT_EQ(canvas.Of("DisabledText")[0].text, "Close Velant! Pro 2001");

    // The check mark sits in the picture's square, in the text's colour.
    menu.Entry(items.controlPanel)->Picture = plat::Hicon{0x77};
    Draw(*items.controlPanel, r, TItemState{true, true, false, false});
    ASSERT_EQ(canvas.Of("Check").size(), 1u);
    EXPECT_RECT(canvas.Of("Check")[0].rect, kPictureWidth + 2, 0, kPictureWidth + 26, 24);
    EXPECT_EQ(canvas.Of("Check")[0].color, 0xC6FFC6u);
    EXPECT_TRUE(canvas.Of("Icon").empty());

    Draw(*items.controlPanel, r, TItemState{});
    auto icons = canvas.Of("Icon");
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].icon, plat::Hicon{0x77});
    EXPECT_EQ(icons[0].x1, kPictureWidth + 2);
    EXPECT_EQ(icons[0].y1, 0);
    EXPECT_EQ(icons[0].x2, 24);
    EXPECT_FALSE(icons[0].disabled);
    Draw(*items.controlPanel, r, TItemState{false, false, true, false});
    EXPECT_TRUE(canvas.Of("Icon").at(0).disabled);
    menu.Entry(items.controlPanel)->Options |= omNoImageAttached;
    Draw(*items.controlPanel, r, TItemState{false, true, false, false});
    EXPECT_TRUE(canvas.Of("Icon").empty());
    EXPECT_TRUE(canvas.Of("Check").empty());

    // '&' marks reach the text drawing, which underlines the letter and shows "&&"
    // as '&'; the underline hides only when the state asks.
    items.close->Caption = "&Close && exit";
    for (const TItemState& state : {TItemState{}, TItemState{true, false, false, false, true},
                                    TItemState{false, false, true, false, true}}) {
        Draw(*items.close, r, state);
        const std::vector<Op> texts = canvas.Of(state.disabled ? "DisabledText" : "Text");
        ASSERT_FALSE(texts.empty());
        for (const Op& text : texts)
            EXPECT_EQ(std::make_pair(text.text, text.flags),
                      std::make_pair(std::string("&Close && exit"),
                                     kItemFormat | (state.hidePrefix ? menudraw::kDtHidePrefix : 0u)));
    }

    // A 16-pixel picture is centred in a taller item of the submenu.
    menu.Entry(items.deskFile2)->Picture = plat::Hicon{0x99};
    Draw(*items.deskFile2, {0, 40, 150, 60}, TItemState{});
    EXPECT_EQ(canvas.Of("Icon").at(0).x1, 2);
    EXPECT_EQ(canvas.Of("Icon").at(0).y1, 42);
    EXPECT_EQ(canvas.Of("Icon").at(0).x2, 16);
}

TEST_F(MenuRendererTest, SeparatorIsTwoLinesAfterTheBar) {
    const auto rects = ShowPopup(items.TopLevel());
    const plat::Rect r = rects[3];  // N1, 13 high, below three items
    ASSERT_EQ(r.top, 72);
    Draw(*items.n1, r, TItemState{});
    EXPECT_EQ(canvas.Of("Copy").size(), 1u);
    EXPECT_TRUE(canvas.Of("Text").empty());
    const auto lines = canvas.Of("Line");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].x1, kPictureWidth);
    EXPECT_EQ(lines[0].x2, 200);
    EXPECT_EQ(lines[0].y1, 72 + 6);
    EXPECT_EQ(lines[0].y2, 72 + 6);
    EXPECT_EQ(lines[0].color, SysColorValue(menudraw::kColorBtnShadow));
    EXPECT_EQ(lines[1].y1, 72 + 7);
    EXPECT_EQ(lines[1].color, SysColorValue(menudraw::kColorBtnHighlight));
}

TEST_F(MenuRendererTest, DarkThemeDrawsDarkShadesAndKeepsTheGradientAndGivenColours) {
    const auto rects = ShowPopup(items.TopLevel());
    menu.SetTheme(TMenuTheme::mtDark);
    const plat::Rect r{0, 0, 200, 24};
    Draw(*items.myComputer, r, TItemState{});
    // The bar is painted again: its gradient as before, its strip on the dark menu.
    ASSERT_EQ(canvas.Of("Bitmap").size(), 1u);
    const auto bar = Drawn(*menu.BarPicture()).Of("FillRect");
    EXPECT_EQ(bar.front().color, 0x000000u);
    EXPECT_EQ(bar.back().color, 0x2B2B2Bu);
    EXPECT_EQ(canvas.Of("FillRect").at(0).color, 0x2B2B2Bu);
    EXPECT_EQ(canvas.Of("Text").at(0).color, 0xF2F2F2u);
    Draw(*items.myComputer, r, TItemState{true, false, false, false});
    EXPECT_EQ(canvas.Of("FillRect").at(0).color, 0x4D4D4Du);
    EXPECT_EQ(canvas.Of("Text").at(1).color, 0xC6FFC6u);
    plat::ColorRef arrow = 0, arrowBack = 0;
    ASSERT_TRUE(
        menu.ArrowColors(canvas, *items.myComputer, TItemState{true, false, false, false}, arrow, arrowBack));
    EXPECT_EQ(std::make_pair(arrow, arrowBack), std::make_pair(0xC6FFC6u, 0x4D4D4Du));
    Draw(*items.n1, rects[3], TItemState{});
    EXPECT_EQ(canvas.Of("Line").at(0).color, 0x1A1A1Au);
    EXPECT_EQ(canvas.Of("Line").at(1).color, 0x484848u);
    Draw(*items.close, r, TItemState{false, false, true, false});
    EXPECT_TRUE(canvas.Of("DisabledText").empty());
    EXPECT_EQ(canvas.Of("Text").at(0).color, 0x8A8A8Au);

    menu.SetTheme(TMenuTheme::mtSystem);
    EXPECT_FALSE(menu.ArrowColors(canvas, *items.myComputer, TItemState{}, arrow, arrowBack));
    Draw(*items.myComputer, r, TItemState{});
    EXPECT_EQ(canvas.Of("FillRect").at(0).color, SysColorValue(menudraw::kColorMenu));
    EXPECT_EQ(canvas.Of("Text").at(0).color, SysColorValue(menudraw::kColorMenuText));
}

TEST_F(MenuRendererTest, ItemWithoutEntryIsDrawnPlainly) {
    TMenuItem loose("Loose", "Loose end");
    menu.InitMenuPopup();
    EXPECT_EQ(menu.MeasureItem(canvas, loose).height, 16 + 2 * menu.VSpace);
    Draw(loose, {0, 0, 150, 16}, TItemState{true, false, false, false});
    EXPECT_TRUE(canvas.Of("Copy").empty());
    ASSERT_EQ(canvas.Of("Text").size(), 1u);
    EXPECT_EQ(canvas.Of("Text")[0].color, SysColorValue(menudraw::kColorHighlightText));
}

}  // namespace

namespace {

TEST(MenuRendererKeyboard, TypedLetterFindsTheItemByMnemonicOrInitial) {
    TMenuItem popup("", "");
    auto add = [&](const std::string& caption) -> TMenuItem& {
        return popup.Add(std::make_unique<TMenuItem>("", caption));
    };
    add("My Computer");
    add("&Desktop");
    TMenuItem& hidden = add("&Hidden");
    hidden.SetVisible(false);
    add("-");
    add("Con&trol panel");
    add("Clear recent docs");
    add("Fish && &Chips\tCtrl+F");
    add("Close");

    struct Case {
        char key;
        int index;
        bool execute;
    };
    // Hidden items take no place among the system's items; separators do.
    for (const Case& c :
         {Case{'d', 1, true}, Case{'D', 1, true}, Case{'t', 3, true}, Case{'c', 5, true}, Case{'m', 0, true},
          Case{'h', -1, false}, Case{'x', -1, false}, Case{'&', -1, false}, Case{'-', -1, false}}) {
        const TMenuChar found = FindMenuChar(popup, c.key);
        EXPECT_EQ(found.index, c.index) << c.key;
        EXPECT_EQ(found.execute, c.execute) << c.key;
    }
    // Without "&Chips" the letter is only the initial of "Clear recent docs" and "Close".
    popup.Items()[6]->SetCaption("Fish && Chips");
    const TMenuChar shared = FindMenuChar(popup, 'c');
    EXPECT_EQ(shared.index, 4);
    EXPECT_FALSE(shared.execute) << "a letter several items start with only selects";
}

}  // namespace
