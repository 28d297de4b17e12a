#include "ui/win32/FormView.h"

#include <functional>
#include <utility>

#include "ui/win32/Dpi.h"

// The preview's picture: its rows are laid out as in a BMP file, which GDI
// draws as they stand.
#include "ui/Bitmap.h"

namespace win32 {

namespace {

// Hints span several lines; wider tips would run across the screen.
constexpr int kTipWidth = 360;
// Posted to the frame: hide the controls whose models were hidden.
constexpr UINT kApplyHides = WM_APP + 1;

std::string WindowText(HWND wnd) {
    int n = ::GetWindowTextLengthA(wnd);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    n = ::GetWindowTextA(wnd, text.data(), n + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

// A model's colour: an RGB value, or, when its high byte is 0x80, the system
// colour whose index is in its low byte.
COLORREF ToColorRef(unsigned color) {
    if ((color & 0xFF000000u) == 0x80000000u) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0x00FFFFFFu;
}

// The shell's small icon for a shell object named as the shell parses it
// ("::{CLSID}"); a folder's icon when this shell does not know the object, so
// that no row of the page stands without a picture.
UniqueHicon ShellSmallIcon(const std::string& object, int size) {
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    SHFILEINFOA info{};
    const std::wstring name(object.begin(), object.end());  // parsing names are ASCII
    UniqueIdList pidl;
    if (SUCCEEDED(::SHParseDisplayName(name.c_str(), nullptr, pidl.put(), 0, nullptr)) && pidl)
        ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl.get()), 0, &info, sizeof info,
                         SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON);
    if (!info.hIcon)
        ::SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                         SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON);
    if (SUCCEEDED(com)) ::CoUninitialize();
    UniqueHicon icon(info.hIcon);
    // The shell hands out its small size for the system's density; a denser
    // screen gets the picture redrawn at its own size.
    ICONINFO parts{};
    if (icon && ::GetIconInfo(icon.get(), &parts)) {
        BITMAP bm{};
        ::GetObjectA(parts.hbmColor ? parts.hbmColor : parts.hbmMask, sizeof bm, &bm);
        if (parts.hbmColor) ::DeleteObject(parts.hbmColor);
        if (parts.hbmMask) ::DeleteObject(parts.hbmMask);
        if (bm.bmWidth != size)
            if (HICON sized = static_cast<HICON>(::CopyImage(icon.get(), IMAGE_ICON, size, size, 0)))
                icon.reset(sized);
    }
    return icon;
}

// A disabled control of `parent` under the screen point, or null. Group boxes
// lie over their check boxes, so every child is asked, not only the first.
HWND DisabledChildAt(HWND parent, POINT screen) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        if (::IsWindowVisible(child) && !::IsWindowEnabled(child) && ::GetWindowRect(child, &r) &&
            ::PtInRect(&r, screen))
            return child;
    }
    return nullptr;
}

// The tooltip looks for its tool in the window under the mouse, and that skips
// disabled controls; the hint of a disabled box says why, so it is found there.
LRESULT CALLBACK TooltipSubclass(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (msg == TTM_WINDOWFROMPOINT && lParam) {
        const POINT pt = *reinterpret_cast<const POINT*>(lParam);
        HWND under = ::WindowFromPoint(pt);
        HWND disabled = under ? DisabledChildAt(under, pt) : nullptr;
        return reinterpret_cast<LRESULT>(disabled ? disabled : under);
    }
    if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(wnd, &TooltipSubclass, id);
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

// Themed pages take the tab control's body texture on current Windows. The
// function lives in uxtheme, which the program does not link, so it is looked up.
void EnableTabTexture(HWND page) {
    HMODULE uxtheme = ::GetModuleHandleA("uxtheme.dll");
    if (!uxtheme) uxtheme = ::LoadLibraryA("uxtheme.dll");
    if (!uxtheme) return;
    using Fn = HRESULT(WINAPI*)(HWND, DWORD);
    auto proc = ::GetProcAddress(uxtheme, "EnableThemeDialogTexture");
    if (!proc) return;
    constexpr DWORD ETDT_ENABLETAB = 0x6;
    reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc))(page, ETDT_ENABLETAB);
}

}  // namespace

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

// One control's windows and its model, kept in step. Each kind of control has a
// binding of its own; what every kind shares (enabled, visible, bold, hint) the
// view keeps.
class FormView::Binding {
public:
    Binding(FormView& owner, TControl& model, HWND wnd, unsigned look)
        : owner(owner), model(model), wnd(wnd), look(look) {}
    virtual ~Binding() = default;
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    // Once the page exists: the parts, and what the model fixes for good.
    virtual void Setup(HWND /*page*/, int /*id*/) {}
    // The model's own state into the windows.
    virtual void SyncState() {}
    // A notification from the control (part -1) or from one of its parts.
    virtual void Command(int /*part*/, int /*code*/, HWND /*control*/) {}
    // Where the focus goes when the model asks for it.
    virtual HWND FocusTarget() const { return wnd; }
    // The user has put the focus into the control.
    virtual void Focused() {
        if (owner.FForm.ActiveControl() == &model) return;
        Dispatch([&] { owner.FForm.SetActiveControl(&model); });
    }
    // The control's colours when the model decides them; nullptr: the page's.
    virtual HBRUSH CtlColor(HDC /*dc*/) { return nullptr; }
    // Whether the control is painted whole from its model, and the painting.
    virtual bool Paints() const { return false; }
    virtual void Paint(HDC /*dc*/) {}
    // The page control's tabs: of the shared state only enabling applies.
    virtual bool Tabs() const { return false; }
    // The window now shows at another density: what the binding sized in pixels.
    virtual void DpiChanged(int /*dpi*/) {}
    // The density the window is shown at.
    int Dpi() const { return owner.FDpi; }

    FormView& owner;
    TControl& model;
    HWND wnd;                  // the control (a radio group's box, a spin's edit)
    unsigned look;             // TControlLook flags
    std::vector<HWND> parts;   // radio buttons, or the up-down
    std::vector<int> partIds;  // the dialog ids of the parts that notify, in parts' order
    std::string hint;          // the tooltip text now registered
    bool bold = false;
    bool hidePending = false;  // the model is hidden, its windows not yet

protected:
    template <class F>
    void Dispatch(F&& handler) {
        owner.Dispatch(std::forward<F>(handler));
    }
    // The windows again from the model: a handler may have refused a change.
    void Resync() { owner.Sync(*this); }
    TForm& Form() const { return owner.FForm; }
    HBRUSH PageCtlColor(HDC dc) { return owner.DefaultCtlColor(dc, wnd); }
    static void SetText(HWND wnd, const std::string& text) {
        if (WindowText(wnd) != text) ::SetWindowTextA(wnd, text.c_str());
    }
    // Lets window messages run in the middle of a long sync, unless the program
    // is ending. The user's clicks among them are no echo of the view's own writes.
    void LetMessagesRun() {
        if (owner.FApp.Terminated()) return;
        const int updating = std::exchange(owner.FUpdating, 0);
        owner.FApp.ProcessMessages();
        owner.FUpdating = updating;
    }
    // Many messages in a row to the control: the view's subclass looks its data
    // up on every message, a round trip to the window server under Wine (a
    // tenth of a millisecond), so it steps aside for them.
    template <class F>
    void WithoutSubclass(F&& work) {
        ::RemoveWindowSubclass(wnd, &FormView::ControlSubclass, 1);
        struct Again {
            Binding* self;
            ~Again() {
                ::SetWindowSubclass(self->wnd, &FormView::ControlSubclass, 1,
                                    reinterpret_cast<DWORD_PTR>(self));
            }
        } again{this};
        work();
    }
};

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

// The tab control is the page control's window.
class TabsBinding final : public FormView::Binding {
public:
    TabsBinding(FormView& owner, TPageControl& pages, HWND wnd)
        : Binding(owner, pages, wnd, kPlainLook), FPages(pages) {}
    bool Tabs() const override { return true; }
    void Focused() override {
        Dispatch([&] {
            if (Form().ActiveControl() != &model) Form().SetActiveControl(&model);
            if (FPages.OnEnter) FPages.OnEnter();
        });
    }

private:
    TPageControl& FPages;
};

// The page control and the pages among a layout's rows.
class PageFinder final : public TControlVisitor {
public:
    TPageControl* pageControl = nullptr;
    TTabSheet* sheet = nullptr;
    void Visit(TPageControl& control) override { pageControl = &control; }
    void Visit(TTabSheet& page) override { sheet = &page; }
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

class FormView::Frame final : public win32::Window {
public:
    explicit Frame(FormView& owner) : FOwner(owner) {}
    bool Make(const std::string& caption, DWORD style, DWORD exStyle) {
        return Create(FOwner.FClassName, caption, style, exStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                      nullptr);
    }
    void Close() { Destroy(); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        return FOwner.FrameMessage(Handle(), msg, wParam, lParam);
    }

private:
    FormView& FOwner;
};

FormView::FormView(TForm& form, const TFormLayout& layout, TApplication& app, std::string caption,
                   std::string className, int iconId)
    : FForm(form),
      FLayout(layout),
      FApp(app),
      FCaption(std::move(caption)),
      FClassName(std::move(className)),
      FIconId(iconId) {}

FormView::~FormView() {
    *FAlive = false;
    if (FApp.MainWindow == Handle()) FApp.MainWindow = 0;
    FForm.SetView(nullptr);
    // The windows go first: their subclass procedures still point at bindings.
    if (FFrame) FFrame->Close();
    FFrame.reset();
}

HWND FormView::Window() const { return FFrame ? FFrame->Handle() : nullptr; }

plat::Hwnd FormView::Handle() { return FromWin(Window()); }

bool FormView::Attach() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    auto loadIcon = [&](int cx, int cy) {
        return FIconId ? static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(FIconId), IMAGE_ICON,
                                                         ::GetSystemMetrics(cx), ::GetSystemMetrics(cy),
                                                         LR_SHARED))
                       : nullptr;
    };
    HICON bigIcon = loadIcon(SM_CXICON, SM_CYICON);
    if (!Window::RegisterWindowClass(FClassName, bigIcon,
                                     reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))))
        return false;

    std::string caption = !FForm.Caption.empty() ? FForm.Caption
                          : !FApp.Title.empty()  ? FApp.Title
                                                 : FCaption;
    // A fixed-size dialog-like frame: system menu and minimise, no maximise.
    FFrame = std::make_unique<Frame>(*this);
    if (!FFrame->Make(caption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                      WS_EX_CONTROLPARENT | WS_EX_APPWINDOW)) {
        FFrame.reset();
        return false;
    }
    HWND frame = FFrame->Handle();
    FDpi = WindowDpi(frame);
    SetFrameIcons();

    FTooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, frame, nullptr, instance, nullptr);
    if (FTooltip) {
        ::SendMessageA(FTooltip, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(kTipWidth, FDpi));
        // Long hints need time to be read.
        ::SendMessageA(FTooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 15000);
        ::SetWindowSubclass(FTooltip, &TooltipSubclass, 1, 0);
    }

    FTab =
        ::CreateWindowExA(0, WC_TABCONTROLA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_HOTTRACK | TCS_MULTILINE,
                          0, 0, 100, 100, frame, nullptr, instance, nullptr);
    if (!FTab || !CreatePages()) return false;

    BindControls();
    Layout();

    if (FPageControl) {
        auto alive = FAlive;
        FPageControl->AddListener([this, alive](TControl&) {
            if (*alive) SyncPages();
        });
    }
    SyncPages();

    // The form may close from anywhere (its own button, the tray menu): the
    // message loop ends once it has.
    auto alive = FAlive;
    FForm.AfterCloseQueryHooks.push_back([this, alive] {
        if (!*alive) return;
        FClosed = true;
        ::PostQuitMessage(0);
    });

    FForm.SetView(this);
    FApp.MainWindow = Handle();
    return true;
}

void FormView::SetFrameIcons() {
    if (!FIconId) return;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    const int which[2] = {ICON_BIG, ICON_SMALL};
    const int metric[2] = {SM_CXICON, SM_CXSMICON};
    for (int i = 0; i < 2; ++i) {
        // Picked from the icon's images at the size this density wants, not
        // stretched from another; not shared, since the size is not the system's.
        const int size = SystemMetricForDpi(metric[i], FDpi);
        UniqueHicon icon(static_cast<HICON>(
            ::LoadImageA(instance, MAKEINTRESOURCEA(FIconId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        if (!icon) continue;
        ::SendMessageA(Window(), WM_SETICON, which[i], reinterpret_cast<LPARAM>(icon.get()));
        FIcons[i] = std::move(icon);
    }
}

void FormView::DpiChanged(int dpi, const RECT& suggested) {
    const int from = FDpi;
    FDpi = dpi > 0 ? dpi : 96;
    HWND frame = Window();
    ::SetWindowPos(frame, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RescalePages(from, FDpi);
    if (!FPages.empty()) {
        if (HFONT font = PageFont()) ::SendMessageA(FTab, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    // The bold font follows the pages' font; the old one goes once nobody shows it.
    UniqueHfont oldBold = std::move(FBold);
    for (auto& b : FBindings) {
        if (b->bold) {
            std::vector<HWND> all{b->wnd};
            all.insert(all.end(), b->parts.begin(), b->parts.end());
            if (HFONT bold = BoldFont())
                for (HWND wnd : all) ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
        }
        b->DpiChanged(FDpi);
    }
    if (FTooltip) ::SendMessageA(FTooltip, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(kTipWidth, FDpi));
    SetFrameIcons();
    Layout(true);
}

void FormView::RescalePages(int from, int to) {
    if (FPages.empty() || from == to || FFontHeight == 0) return;
    HFONT current = PageFont();
    LOGFONTA lf{};
    if (!current || !::GetObjectA(current, sizeof lf, &lf)) return;
    const LONG wanted = ::MulDiv(FFontHeight, to, FFontDpi);
    // Dialogs of a per-monitor aware program may have been rescaled by the
    // system already, font and controls together.
    if (lf.lfHeight == wanted) return;
    lf.lfHeight = wanted;
    UniqueHfont font(::CreateFontIndirectA(&lf));
    if (!font) return;
    for (Page& page : FPages) {
        for (HWND c = ::GetWindow(page.wnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            RECT r;
            ::GetWindowRect(c, &r);
            ::MapWindowPoints(nullptr, page.wnd, reinterpret_cast<POINT*>(&r), 2);
            ::SetWindowPos(c, nullptr, ::MulDiv(r.left, to, from), ::MulDiv(r.top, to, from),
                           ::MulDiv(r.right - r.left, to, from), ::MulDiv(r.bottom - r.top, to, from),
                           SWP_NOZORDER | SWP_NOACTIVATE);
            ::SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        }
        RECT r;
        ::GetWindowRect(page.wnd, &r);
        ::SetWindowPos(page.wnd, nullptr, 0, 0, ::MulDiv(r.right - r.left, to, from),
                       ::MulDiv(r.bottom - r.top, to, from), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        // What the controls covered at their old size is painted again.
        ::RedrawWindow(page.wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    FPageFont = std::move(font);
}

HFONT FormView::PageFont() const {
    if (FPageFont) return FPageFont.get();
    if (FPages.empty()) return nullptr;
    return reinterpret_cast<HFONT>(::SendMessageA(FPages.front().wnd, WM_GETFONT, 0, 0));
}

bool FormView::CreatePages() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    std::vector<std::pair<TTabSheet*, int>> templates;  // sheet, dialog template
    for (const TControlRow& row : FLayout) {
        if (row.Page()) continue;
        PageFinder found;
        row.Accept(found);
        if (found.pageControl && !FPageControl) FPageControl = found.pageControl;
        if (found.sheet && row.Id()) templates.emplace_back(found.sheet, row.Id());
    }
    // The page control's order; without one, the layout's.
    std::vector<TTabSheet*> sheets;
    if (FPageControl && !FPageControl->Pages.empty()) {
        sheets = FPageControl->Pages;
    } else {
        for (const auto& t : templates) sheets.push_back(t.first);
    }

    HFONT font = nullptr;
    for (TTabSheet* sheet : sheets) {
        auto tpl =
            std::find_if(templates.begin(), templates.end(), [&](const auto& t) { return t.first == sheet; });
        if (tpl == templates.end()) continue;
        Page page;
        page.sheet = sheet;
        page.templateId = tpl->second;
        page.wnd = ::CreateDialogParamA(instance, MAKEINTRESOURCEA(page.templateId), Window(),
                                        &FormView::PageProc, reinterpret_cast<LPARAM>(this));
        if (!page.wnd) return false;
        EnableTabTexture(page.wnd);
        if (!font) font = reinterpret_cast<HFONT>(::SendMessageA(page.wnd, WM_GETFONT, 0, 0));

        TCITEMA item{};
        item.mask = TCIF_TEXT;
        std::string caption = sheet->Caption;
        item.pszText = caption.data();
        ::SendMessageA(FTab, TCM_INSERTITEMA, FPages.size(), reinterpret_cast<LPARAM>(&item));
        FPages.push_back(page);
    }
    // The tabs speak the pages' font, not the system's.
    if (font) ::SendMessageA(FTab, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    LOGFONTA lf{};
    if (font && ::GetObjectA(font, sizeof lf, &lf)) {
        FFontHeight = lf.lfHeight;
        FFontDpi = FDpi;
    }
    return !FPages.empty();
}

void FormView::Layout(bool keepPlace) {
    HWND frame = Window();
    // The pages are all of one size in dialog units; the largest decides.
    int pageW = 0, pageH = 0;
    for (const Page& p : FPages) {
        RECT r;
        ::GetWindowRect(p.wnd, &r);
        pageW = std::max(pageW, static_cast<int>(r.right - r.left));
        pageH = std::max(pageH, static_cast<int>(r.bottom - r.top));
    }
    // The margin around the tabs is the dialog's own 7 units.
    RECT margin{0, 0, 7, 7};
    ::MapDialogRect(FPages.front().wnd, &margin);
    const int mx = margin.right, my = margin.bottom;

    // Multi-line tabs wrap by width: size the tab control first, then ask it how
    // much room its display area needs.
    RECT tab{0, 0, pageW, pageH};
    ::SetWindowPos(FTab, nullptr, mx, my, pageW + 8, pageH + 40, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageA(FTab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tab));
    const int tabW = tab.right - tab.left, tabH = tab.bottom - tab.top;
    ::SetWindowPos(FTab, nullptr, mx, my, tabW, tabH, SWP_NOZORDER | SWP_NOACTIVATE);

    RECT display{0, 0, tabW, tabH};
    ::SendMessageA(FTab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    for (const Page& p : FPages)
        ::SetWindowPos(p.wnd, HWND_TOP, mx + display.left, my + display.top, pageW, pageH, SWP_NOACTIVATE);

    RECT outer{0, 0, tabW + 2 * mx, tabH + 2 * my};
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(frame, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(frame, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    const int w = outer.right - outer.left, h = outer.bottom - outer.top;
    if (keepPlace) {
        ::SetWindowPos(frame, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    RECT work{};
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const int x = work.left + std::max(0, static_cast<int>(work.right - work.left) - w) / 2;
    const int y = work.top + std::max(0, static_cast<int>(work.bottom - work.top) - h) / 2;
    ::SetWindowPos(frame, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormView::BindControls() {
    for (const TControlRow& row : FLayout) {
        if (!row.Page()) continue;
        for (Page& page : FPages)
            if (page.sheet == row.Page()) Bind(page, row);
    }
    if (FPageControl) {
        auto b = std::make_unique<TabsBinding>(*this, *FPageControl, FTab);
        ::SetWindowSubclass(FTab, &FormView::ControlSubclass, 1, reinterpret_cast<DWORD_PTR>(b.get()));
        Sync(*b);
        FBindings.push_back(std::move(b));
    }
}

void FormView::Bind(Page& page, const TControlRow& row) {
    const int id = row.Id();
    HWND wnd = ::GetDlgItem(page.wnd, id);
    if (!wnd) return;
    BindingMaker maker(*this, wnd, row.Look());
    row.Accept(maker);
    if (!maker.made) {
        // A control without its model would look alive and do nothing.
        ::OutputDebugStringA(("No model for control " + std::to_string(id) + "\n").c_str());
        ::EnableWindow(wnd, FALSE);
        return;
    }
    Binding* raw = maker.made.get();
    FBindings.push_back(std::move(maker.made));
    if (row.Look() & kCancelButton) FCancel = raw;
    raw->Setup(page.wnd, id);
    for (size_t i = 0; i < raw->partIds.size(); ++i) FById[raw->partIds[i]] = {raw, static_cast<int>(i)};
    FById[id] = {raw, -1};

    // Focus is learnt from the controls themselves, whatever moved it there.
    ::SetWindowSubclass(wnd, &FormView::ControlSubclass, 1, reinterpret_cast<DWORD_PTR>(raw));
    for (size_t i = 0; i < raw->partIds.size(); ++i)
        ::SetWindowSubclass(raw->parts[i], &FormView::ControlSubclass, 1, reinterpret_cast<DWORD_PTR>(raw));

    auto alive = FAlive;
    raw->model.AddListener([raw, alive](TControl&) {
        if (*alive) raw->owner.Sync(*raw);
    });
    Sync(*raw);
}

HWND FormView::DialogItem(int templateId, int id) const {
    for (const Page& page : FPages)
        if (page.templateId == templateId) return ::GetDlgItem(page.wnd, id);
    return nullptr;
}

HFONT FormView::BoldFont() {
    if (!FBold && !FPages.empty()) {
        HFONT base = PageFont();
        LOGFONTA lf{};
        if (base && ::GetObjectA(base, sizeof lf, &lf)) {
            lf.lfWeight = FW_BOLD;
            FBold.reset(::CreateFontIndirectA(&lf));
        }
    }
    return FBold.get();
}

void FormView::Sync(Binding& b) {
    ++FUpdating;
    TControl& m = b.model;
    std::vector<HWND> all{b.wnd};
    all.insert(all.end(), b.parts.begin(), b.parts.end());
    b.SyncState();

    if (!b.Tabs()) {
        if (m.Bold != b.bold) {
            HFONT font = m.Bold ? BoldFont() : PageFont();
            for (HWND wnd : all)
                if (font) ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
            b.bold = m.Bold;
        }
        // Hiding waits for the next round of messages, and a control shown
        // again by then never goes: the form hides and shows a label to have
        // it redrawn while it works, and hiding at once would have the page
        // erase the label's place after the label has drawn itself.
        b.hidePending = false;
        for (HWND wnd : all) {
            ::EnableWindow(wnd, m.Enabled());
            const bool shown = (::GetWindowLongPtrA(wnd, GWL_STYLE) & WS_VISIBLE) != 0;
            if (!shown && m.Visible()) ::ShowWindow(wnd, SW_SHOWNA);
            if (shown && !m.Visible()) b.hidePending = true;
        }
        if (b.hidePending && !FHidesPosted && Window())
            FHidesPosted = ::PostMessageA(Window(), kApplyHides, 0, 0) != FALSE;
    } else {
        ::EnableWindow(b.wnd, m.Enabled());
    }
    SyncHint(b);
    --FUpdating;
}

void FormView::SyncHint(Binding& b) {
    if (!FTooltip || b.model.Hint == b.hint) return;
    std::vector<HWND> all{b.wnd};
    all.insert(all.end(), b.parts.begin(), b.parts.end());
    std::string text = b.model.Hint;
    for (HWND wnd : all) {
        TTTOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = ::GetParent(wnd);
        ti.uId = reinterpret_cast<UINT_PTR>(wnd);
        ti.lpszText = text.data();
        if (b.hint.empty())
            ::SendMessageA(FTooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        else if (text.empty())
            ::SendMessageA(FTooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        else
            ::SendMessageA(FTooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    b.hint = text;
}

void FormView::SyncPages() {
    int index = FPageControl ? FPageControl->ActivePageIndex() : 0;
    if (index < 0 || index >= static_cast<int>(FPages.size())) index = 0;
    if (::SendMessageA(FTab, TCM_GETCURSEL, 0, 0) != index)
        ::SendMessageA(FTab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowPage(index);
}

void FormView::ShowPage(int index) {
    for (int i = 0; i < static_cast<int>(FPages.size()); ++i) {
        HWND page = FPages[i].wnd;
        const bool visible = ::IsWindowVisible(page) || (::GetWindowLongPtrA(page, GWL_STYLE) & WS_VISIBLE);
        if (i == index && !visible) ::ShowWindow(page, SW_SHOWNA);
        if (i != index && visible) {
            // Focus must not stay behind on a hidden page.
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(page, focus)) ::SetFocus(FTab);
            ::ShowWindow(page, SW_HIDE);
        }
    }
}

bool FormView::PreTranslateMessage(const MSG& msg) {
    HWND frame = Window();
    if (msg.message != WM_KEYDOWN || !frame || FPages.empty()) return false;
    if (msg.hwnd != frame && !::IsChild(frame, msg.hwnd)) return false;
    if (::GetKeyState(VK_CONTROL) >= 0) return false;
    int step = 0;
    if (msg.wParam == VK_TAB)
        step = ::GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    else if (msg.wParam == VK_NEXT)
        step = 1;
    else if (msg.wParam == VK_PRIOR)
        step = -1;
    if (step == 0) return false;
    const int count = static_cast<int>(FPages.size());
    const int current = static_cast<int>(::SendMessageA(FTab, TCM_GETCURSEL, 0, 0));
    const int next = ((current < 0 ? 0 : current) + step + count) % count;
    ::SendMessageA(FTab, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
    ShowPage(next);
    if (FPageControl) Dispatch([&] { FPageControl->SetActivePageIndex(next); });
    return true;
}

void FormView::ShowForm() {
    HWND frame = Window();
    if (!frame) return;
    ::ShowWindow(frame, ::IsIconic(frame) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(frame);
}

void FormView::HideForm() {
    if (HWND frame = Window()) ::ShowWindow(frame, SW_HIDE);
}

void FormView::FocusControl(TControl& control) {
    for (auto& b : FBindings) {
        if (&b->model != &control) continue;
        HWND target = b->FocusTarget();
        // Only what the user can reach can take the focus, and asking twice
        // must not bounce back into the model.
        if (::GetFocus() != target && control.Visible() && ::IsWindowVisible(target) &&
            ::IsWindowEnabled(target))
            ::SetFocus(target);
        return;
    }
}

void FormView::OnControlFocus(Binding& b) { b.Focused(); }

void FormView::OnCommand(int id, int code, HWND control) {
    auto it = FById.find(id);
    if (it == FById.end()) return;
    if (FUpdating) return;  // the view's own writes echo back as notifications
    it->second.first->Command(it->second.second, code, control);
}

HBRUSH FormView::OnCtlColorStatic(HDC dc, HWND control) {
    for (auto& b : FBindings)
        if (b->wnd == control)
            if (HBRUSH brush = b->CtlColor(dc)) return brush;
    return nullptr;
}

HBRUSH FormView::DefaultCtlColor(HDC dc, HWND control) {
    FInCtlColor = true;
    auto brush = reinterpret_cast<HBRUSH>(::DefDlgProcA(::GetParent(control), WM_CTLCOLORSTATIC,
                                                        reinterpret_cast<WPARAM>(dc),
                                                        reinterpret_cast<LPARAM>(control)));
    FInCtlColor = false;
    return brush;
}

void FormView::ApplyHides() {
    FHidesPosted = false;
    for (auto& b : FBindings) {
        if (!b->hidePending) continue;
        b->hidePending = false;
        if (b->model.Visible()) continue;
        std::vector<HWND> all{b->wnd};
        all.insert(all.end(), b->parts.begin(), b->parts.end());
        for (HWND wnd : all) ::ShowWindow(wnd, SW_HIDE);
    }
}

LRESULT FormView::FrameMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (FForm.MessageHook) {
        plat::LResult result = 0;
        if (FForm.MessageHook(msg, wParam, lParam, result)) return result;
    }
    switch (msg) {
        case kApplyHides:
            ApplyHides();
            return 0;
        case WM_CLOSE:
            Dispatch([&] { FForm.Close(); });
            return 0;
        case WM_QUERYENDSESSION:
            Dispatch([&] {
                bool canClose = true;
                if (FForm.OnCloseQuery) FForm.OnCloseQuery(canClose);
            });
            return TRUE;
        case WM_ENDSESSION:
            // The process ends when this returns: the form's last words (its
            // settings) must be said now.
            if (wParam) Dispatch([&] { FForm.Destroying(); });
            return 0;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) {
                Dispatch([&] {
                    if (FForm.OnMinimizeRequest)
                        FForm.OnMinimizeRequest();
                    else
                        FApp.Minimize();
                });
            }
            return 0;
        case WM_ACTIVATE:
            // Keep the focused control across deactivation, as dialogs do.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(wnd, focus)) FLastFocus = focus;
            } else if (!HIWORD(wParam)) {
                HWND target =
                    FLastFocus && ::IsWindow(FLastFocus) && ::IsWindowVisible(FLastFocus) ? FLastFocus : FTab;
                if (target) ::SetFocus(target);
                return 0;
            }
            break;
        case WM_COMMAND:
            // Esc, as the dialog manager reports it: no control has the id IDCANCEL.
            if (LOWORD(wParam) == IDCANCEL && lParam == 0 && HIWORD(wParam) == BN_CLICKED) {
                if (FCancel && ::IsWindowEnabled(FCancel->wnd))
                    FCancel->Command(-1, BN_CLICKED, FCancel->wnd);
                return 0;
            }
            // A popup menu the window owns: no control, notification code 0.
            if (lParam == 0 && HIWORD(wParam) == 0 && FForm.OnMenuCommand) {
                FForm.OnMenuCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            if (hdr->hwndFrom == FTab && hdr->code == TCN_SELCHANGE) {
                int index = static_cast<int>(::SendMessageA(FTab, TCM_GETCURSEL, 0, 0));
                ShowPage(index);
                if (FPageControl) Dispatch([&] { FPageControl->SetActivePageIndex(index); });
                return 0;
            }
            break;
        }
        case WM_DPICHANGED:
            DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(wnd, msg, wParam, lParam);
}

INT_PTR CALLBACK FormView::PageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        ::SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        return FALSE;  // the frame decides where the focus goes
    }
    auto* self = reinterpret_cast<FormView*>(::GetWindowLongPtrA(dlg, DWLP_USER));
    if (!self) return FALSE;
    // Nothing may unwind through the dialog manager. Handlers report their own
    // errors; what still arrives here is left in the debugger's output.
    try {
        return self->PageMessage(dlg, msg, wParam, lParam);
    } catch (const std::exception& error) {
        ::OutputDebugStringA((std::string("Configuration page: ") + error.what()).c_str());
    } catch (...) {
        ::OutputDebugStringA("Configuration page: an unknown error");
    }
    return FALSE;
}

INT_PTR FormView::PageMessage(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_MOUSEMOVE:
            // A disabled control gets no mouse messages, its page does; the hint
            // of a box that is disabled says why, so the tooltip hears of it.
            if (FTooltip) {
                POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                ::ClientToScreen(page, &pt);
                if (HWND child = DisabledChildAt(page, pt)) {
                    ::ScreenToClient(child, &pt);
                    MSG relay{child, msg, wParam, MAKELPARAM(pt.x, pt.y), 0, {}};
                    ::SendMessageA(FTooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
                }
            }
            return FALSE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (FInCtlColor) return FALSE;  // asking the dialog manager for its default
            if (HBRUSH brush =
                    OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
                return reinterpret_cast<INT_PTR>(brush);
            return FALSE;
        default:
            return FALSE;
    }
}

LRESULT CALLBACK FormView::ControlSubclass(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR data) {
    auto* b = reinterpret_cast<Binding*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(wnd, &FormView::ControlSubclass, id);
    } else if (msg == WM_PAINT && b && b->Paints()) {
        if (wParam) {
            b->Paint(reinterpret_cast<HDC>(wParam));
        } else {
            PAINTSTRUCT ps;
            if (HDC dc = ::BeginPaint(wnd, &ps)) {
                b->Paint(dc);
                ::EndPaint(wnd, &ps);
            }
        }
        return 0;
    } else if (msg == WM_ERASEBKGND && b && b->Paints()) {
        return 1;  // painted whole in WM_PAINT
    } else if (msg == WM_SETFOCUS && b) {
        LRESULT r = ::DefSubclassProc(wnd, msg, wParam, lParam);
        b->owner.OnControlFocus(*b);
        return r;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

}  // namespace win32
