// The bindings of the view's controls, one class per kind of control.
#include <functional>
#include <utility>

#include "ui/Bitmap.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/FormViewBinding.h"

namespace win32 {

namespace {

// Wide enough to scroll to the end of the longest entry in the list's own font,
// and never narrower than the model asks.
int ListExtent(HWND list, const std::vector<std::string>& items, int minimum) {
    int extent = minimum;
    WindowDC dc(list);
    if (!dc) return extent;
    SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(list, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc.get(), &metrics);
    // The box draws its text a little in from the left; room for that and a
    // character more keeps the last letter clear of the edge.
    const int margin = 2 * metrics.tmAveCharWidth;
    // Measuring every entry costs a call each, too slow for tens of thousands.
    // An ASCII entry is as wide as its characters' advance widths together;
    // the widest few by that sum are measured too, in case the font's own
    // measure comes out a little wider. An entry with a byte above 127 (part
    // of a UTF-8 character) is always measured.
    INT widths[128] = {};
    const bool summed = ::GetCharWidth32A(dc.get(), 0, 127, widths);
    std::vector<std::pair<int, std::size_t>> sums;  // width by the sum, entry
    auto measure = [&](const std::string& item) {
        SIZE size{};
        if (::GetTextExtentPoint32A(dc.get(), item.c_str(), static_cast<int>(item.size()), &size))
            extent = std::max(extent, static_cast<int>(size.cx) + margin);
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        int sum = 0;
        for (unsigned char c : items[i]) {
            if (c > 127 || !summed) {
                sum = -1;
                break;
            }
            sum += widths[c];
        }
        if (sum < 0) {
            measure(items[i]);
            continue;
        }
        sums.emplace_back(sum, i);
        extent = std::max(extent, sum + margin);
    }
    constexpr std::size_t kMeasured = 16;
    const auto top = sums.begin() + static_cast<std::ptrdiff_t>(std::min(kMeasured, sums.size()));
    std::partial_sort(sums.begin(), top, sums.end(), std::greater<>());
    for (auto it = sums.begin(); it != top; ++it) measure(items[it->second]);
    return extent;
}

// The picture box: the picture at the top left at its own size, clipped to the
// model's box, or scaled to fill that box; the rest of the control, and the
// whole of it when there is no picture, shows the page's background. The box
// is the model's size in pixels at 96 dpi, scaled to the window's dpi.
void PaintImage(HWND wnd, HDC dc, const TImage& image, int dpi) {
    RECT client;
    ::GetClientRect(wnd, &client);
    HBRUSH back = reinterpret_cast<HBRUSH>(::SendMessageA(
        ::GetParent(wnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd)));
    if (!back) back = ::GetSysColorBrush(COLOR_BTNFACE);

    const int saved = ::SaveDC(dc);
    const TBitmap* picture = image.Picture();
    if (picture && !picture->Empty()) {
        const int boxW = ScaleToDpi(image.Width, dpi);
        const int boxH = ScaleToDpi(image.Height, dpi);
        const int w = picture->Width(), h = picture->Height();
        const int destW = image.Stretch() ? boxW : w, destH = image.Stretch() ? boxH : h;
        RECT shown{0, 0, std::min({destW, boxW, static_cast<int>(client.right)}),
                   std::min({destH, boxH, static_cast<int>(client.bottom)})};

        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;  // positive: bottom-up rows, as the bitmap keeps them
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = static_cast<WORD>(picture->BitCount());
        info.bmiHeader.biCompression = BI_RGB;
        ::IntersectClipRect(dc, shown.left, shown.top, shown.right, shown.bottom);
        // Averaging keeps a downscaled photo readable; point sampling would drop lines.
        ::SetStretchBltMode(dc, HALFTONE);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
        ::StretchDIBits(dc, 0, 0, destW, destH, 0, 0, w, h, picture->Pixels().data(), &info, DIB_RGB_COLORS,
                        SRCCOPY);
        // The background goes around the picture, never under it: no flicker.
        ::RestoreDC(dc, saved);
        ::SaveDC(dc);
        ::ExcludeClipRect(dc, shown.left, shown.top, shown.right, shown.bottom);
        ::FillRect(dc, &client, back);
    } else {
        ::FillRect(dc, &client, back);
        ::DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
    }
    ::RestoreDC(dc, saved);
}

}  // namespace

namespace {

class CheckBoxBinding final : public FormView::Binding {
public:
    CheckBoxBinding(FormView& owner, TCheckBox& box, HWND wnd, unsigned look)
        : Binding(owner, box, wnd, look), FBox(box) {}
    void SyncState() override {
        SetText(wnd, FBox.Caption);
        ::SendMessageA(wnd, BM_SETCHECK, FBox.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void Command(int, int code, HWND control) override {
        if (code != BN_CLICKED) return;
        const bool checked = ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        Dispatch([&] { FBox.SetChecked(checked); });
        Resync();
    }

private:
    TCheckBox& FBox;
};

// An edit, or the edit of a spin edit: the text goes both ways.
template <class M>
class TextBinding : public FormView::Binding {
public:
    TextBinding(FormView& owner, M& edit, HWND wnd, unsigned look)
        : Binding(owner, edit, wnd, look), FEdit(edit) {}
    void SyncState() override { SetText(wnd, FEdit.Text()); }
    void Command(int, int code, HWND control) override {
        if (code != EN_CHANGE) return;
        std::string text = WindowText(control);
        Dispatch([&] { FEdit.SetText(text); });
    }

protected:
    M& FEdit;
};

class SpinEditBinding final : public TextBinding<TSpinEdit> {
public:
    using TextBinding::TextBinding;
    void Setup(HWND page, int id) override {
        HWND spin = ::GetDlgItem(page, id + 1);
        if (!spin) return;
        parts.push_back(spin);
        int lo = FEdit.MinValue, hi = FEdit.MaxValue;
        if (lo == 0 && hi == 0) hi = 0x7FFFFFFF;  // no bounds
        ::SendMessageA(spin, UDM_SETRANGE32, static_cast<WPARAM>(lo), hi);
    }
};

class RadioGroupBinding final : public FormView::Binding {
public:
    RadioGroupBinding(FormView& owner, TRadioGroup& group, HWND wnd, unsigned look)
        : Binding(owner, group, wnd, look), FGroup(group) {}
    void Setup(HWND page, int id) override {
        const auto& items = FGroup.Items();
        for (size_t i = 0; i < items.size(); ++i) {
            HWND radio = ::GetDlgItem(page, id + 1 + static_cast<int>(i));
            if (!radio) break;
            parts.push_back(radio);
            partIds.push_back(id + 1 + static_cast<int>(i));
        }
        // Radio buttons the model has no item for stay out of sight.
        for (int i = static_cast<int>(items.size());; ++i) {
            HWND extra = ::GetDlgItem(page, id + 1 + i);
            if (!extra || i > 16) break;
            char cls[16] = {};
            ::GetClassNameA(extra, cls, sizeof cls);
            if (lstrcmpiA(cls, "Button") != 0) break;
            ::ShowWindow(extra, SW_HIDE);
        }
    }
    void SyncState() override {
        SetText(wnd, FGroup.Caption);
        for (size_t i = 0; i < parts.size(); ++i) {
            if (i < FGroup.Items().size()) SetText(parts[i], FGroup.Items()[i]);
            ::SendMessageA(parts[i], BM_SETCHECK,
                           static_cast<int>(i) == FGroup.ItemIndex() ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        KeepReachable();
    }
    // A radio button takes the tab stop when it is checked and gives it up when
    // not, so a group with nothing chosen would have none: its first button keeps it.
    void KeepReachable() {
        if (FGroup.ItemIndex() >= 0 || parts.empty()) return;
        const LONG_PTR style = ::GetWindowLongPtrA(parts.front(), GWL_STYLE);
        if (!(style & WS_TABSTOP)) ::SetWindowLongPtrA(parts.front(), GWL_STYLE, style | WS_TABSTOP);
    }
    void Command(int part, int code, HWND control) override {
        if (code != BN_CLICKED || part < 0 || ::SendMessageA(control, BM_GETCHECK, 0, 0) != BST_CHECKED)
            return;
        Dispatch([&] { FGroup.SetItemIndex(part); });
        Resync();
    }
    HWND FocusTarget() const override {
        if (parts.empty()) return wnd;
        const int index = FGroup.ItemIndex();
        return parts[index >= 0 && index < static_cast<int>(parts.size()) ? index : 0];
    }

private:
    TRadioGroup& FGroup;
};

class ListBoxBinding final : public FormView::Binding {
public:
    ListBoxBinding(FormView& owner, TListBox& list, HWND wnd, unsigned look)
        : Binding(owner, list, wnd, look), FList(list) {}
    void Setup(HWND, int) override {
        if (look & kHorizontalExtent) ::SendMessageA(wnd, LB_SETHORIZONTALEXTENT, Extent(), 0);
    }
    void DpiChanged(int) override { Setup(nullptr, 0); }
    void SyncState() override {
        // Messages that run during a fill may change the list and change it
        // back: the list box, half filled, holds neither.
        if (FFilling || FItems != FList.Items()) {
            if (!Fill()) return;
            if (look & kHorizontalExtent) ::SendMessageA(wnd, LB_SETHORIZONTALEXTENT, Extent(), 0);
        }
        if (::SendMessageA(wnd, LB_GETCURSEL, 0, 0) != FList.ItemIndex())
            ::SendMessageA(wnd, LB_SETCURSEL, static_cast<WPARAM>(FList.ItemIndex()), 0);
    }
    void Command(int, int code, HWND control) override {
        if (code != LBN_SELCHANGE) return;
        const int index = static_cast<int>(::SendMessageA(control, LB_GETCURSEL, 0, 0));
        Dispatch([&] { FList.Click(index); });
    }

private:
    // The model's entries, drawn once at the end. Tens of thousands of them
    // go in slices, with window messages in between; a handler among those
    // may change the list again, and then its own fill replaces this one,
    // which returns false.
    bool Fill() {
        const unsigned fill = ++FFills;
        std::vector<std::string> items = FList.Items();
        ::SendMessageA(wnd, WM_SETREDRAW, FALSE, 0);
        std::size_t bytes = 0;
        for (const auto& item : items) bytes += item.size() + 1;
        WithoutSubclass([&] {
            ::SendMessageA(wnd, LB_RESETCONTENT, 0, 0);
            // Room for every entry at once, where the list box would otherwise
            // grow its table a few entries at a time.
            ::SendMessageA(wnd, LB_INITSTORAGE, items.size(), static_cast<LPARAM>(bytes));
        });
        FFilling = true;
        for (std::size_t done = 0; done < items.size();) {
            const std::size_t end = std::min(items.size(), done + kFillSlice);
            WithoutSubclass([&] {
                for (; done < end; ++done)
                    ::SendMessageA(wnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[done].c_str()));
            });
            if (!Pause(fill)) return false;
        }
        FFilling = false;
        ::SendMessageA(wnd, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(wnd, nullptr, TRUE);
        FItems = std::move(items);
        return true;
    }
    // Lets window messages run; false when a newer fill has begun meanwhile.
    // Once the program is ending, the rest goes in at once.
    bool Pause(unsigned fill) {
        LetMessagesRun();
        return fill == FFills;
    }
    // The model's least extent is in pixels at 96 dpi.
    int Extent() const { return ListExtent(wnd, FList.Items(), ScaleToDpi(FList.HorizontalExtent, Dpi())); }
    // Entries added between two rounds of window messages: a few milliseconds.
    static constexpr std::size_t kFillSlice = 1024;
    TListBox& FList;
    std::vector<std::string> FItems;  // what the list box holds now
    unsigned FFills = 0;              // fills begun
    bool FFilling = false;            // the list box holds part of a fill
};

class ButtonBinding final : public FormView::Binding {
public:
    ButtonBinding(FormView& owner, TButton& button, HWND wnd, unsigned look)
        : Binding(owner, button, wnd, look), FButton(button) {}
    void SyncState() override { SetText(wnd, FButton.Caption); }
    void Command(int, int code, HWND) override {
        if (code == BN_CLICKED) Dispatch([&] { FButton.Click(); });
    }

private:
    TButton& FButton;
};

class LabelBinding final : public FormView::Binding {
public:
    LabelBinding(FormView& owner, TLabel& label, HWND wnd, unsigned look)
        : Binding(owner, label, wnd, look), FLabel(label) {}
    void SyncState() override {
        SetText(wnd, FLabel.Caption);
        if (look & kColorSample) ::InvalidateRect(wnd, nullptr, TRUE);
    }
    HBRUSH CtlColor(HDC dc) override {
        if (!(look & kColorSample)) return nullptr;
        if (FLabel.Transparent()) {
            // The page's own background (a themed texture on current Windows)
            // comes from the dialog manager; only the text colour is ours.
            HBRUSH brush = PageCtlColor(dc);
            ::SetTextColor(dc, ToColorRef(FLabel.Font.Color));
            ::SetBkMode(dc, TRANSPARENT);
            return brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE);
        }
        ::SetTextColor(dc, ToColorRef(FLabel.Font.Color));
        const COLORREF back = ToColorRef(FLabel.Color());
        ::SetBkColor(dc, back);
        if (!FBrush || FBrushColor != back) {
            FBrush.reset(::CreateSolidBrush(back));
            FBrushColor = back;
        }
        return FBrush.get();
    }

private:
    TLabel& FLabel;
    UniqueHbrush FBrush;
    COLORREF FBrushColor = CLR_INVALID;
};

class ImageBinding final : public FormView::Binding {
public:
    ImageBinding(FormView& owner, TImage& image, HWND wnd, unsigned look)
        : Binding(owner, image, wnd, look), FImage(image) {}
    void Setup(HWND, int) override {
        // The box is the model's size, whatever the dialog units make of the
        // template's: the frame of an empty preview and a stretched picture
        // then cover the same pixels.
        const int dpi = Dpi();
        ::SetWindowPos(wnd, nullptr, 0, 0, ScaleToDpi(FImage.Width, dpi), ScaleToDpi(FImage.Height, dpi),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void DpiChanged(int) override { Setup(nullptr, 0); }
    // A new picture or a new stretch mode: the control paints it.
    void SyncState() override { ::InvalidateRect(wnd, nullptr, FALSE); }
    bool Paints() const override { return true; }
    void Paint(HDC dc) override { PaintImage(wnd, dc, FImage, Dpi()); }

private:
    TImage& FImage;
};

class ShellIconBinding final : public FormView::Binding {
public:
    ShellIconBinding(FormView& owner, TShellIcon& icon, HWND wnd, unsigned look)
        : Binding(owner, icon, wnd, look), FShellIcon(icon) {}
    void Setup(HWND, int) override { DpiChanged(Dpi()); }
    void DpiChanged(int dpi) override {
        UniqueHicon icon = ShellSmallIcon(FShellIcon.ShellObject, SystemMetricForDpi(SM_CXSMICON, dpi));
        if (icon) ::SendMessageA(wnd, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
        FIcon = std::move(icon);
    }

private:
    TShellIcon& FShellIcon;
    UniqueHicon FIcon;  // the shell object's picture, owned while shown
};

}  // namespace

// Makes the binding of a control's kind; kinds the view cannot show make none.
class FormView::BindingMaker final : public TControlVisitor {
public:
    BindingMaker(FormView& owner, HWND wnd, unsigned look) : FOwner(owner), FWnd(wnd), FLook(look) {}
    std::unique_ptr<Binding> made;

    void Visit(TCheckBox& c) override { Make<CheckBoxBinding>(c); }
    void Visit(TEdit& c) override { Make<TextBinding<TEdit>>(c); }
    void Visit(TSpinEdit& c) override { Make<SpinEditBinding>(c); }
    void Visit(TRadioGroup& c) override { Make<RadioGroupBinding>(c); }
    void Visit(TListBox& c) override { Make<ListBoxBinding>(c); }
    void Visit(TButton& c) override { Make<ButtonBinding>(c); }
    void Visit(TLabel& c) override { Make<LabelBinding>(c); }
    void Visit(TImage& c) override { Make<ImageBinding>(c); }
    void Visit(TShellIcon& c) override { Make<ShellIconBinding>(c); }

private:
    template <class B, class M>
    void Make(M& model) {
        made = std::make_unique<B>(FOwner, model, FWnd, FLook);
    }
    FormView& FOwner;
    HWND FWnd;
    unsigned FLook;
};

std::unique_ptr<FormView::Binding> FormView::MakeBinding(HWND wnd, const TControlRow& row) {
    BindingMaker maker(*this, wnd, row.Look());
    row.Accept(maker);
    return std::move(maker.made);
}

}  // namespace win32
