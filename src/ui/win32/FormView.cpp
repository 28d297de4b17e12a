#include "ui/win32/FormView.h"

#include <functional>
#include <utility>

#include "ui/win32/Dpi.h"
#include "ui/win32/FormViewBinding.h"

namespace win32 {

namespace {

// Hints span several lines; wider tips would run across the screen.
constexpr int kTipWidth = 360;
// Posted to the frame: hide the controls whose models were hidden.
constexpr UINT kApplyHides = WM_APP + 1;

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

namespace {

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
    std::unique_ptr<Binding> made = MakeBinding(wnd, row);
    if (!made) {
        // A control without its model would look alive and do nothing.
        ::OutputDebugStringA(("No model for control " + std::to_string(id) + "\n").c_str());
        ::EnableWindow(wnd, FALSE);
        return;
    }
    Binding* raw = made.get();
    FBindings.push_back(std::move(made));
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
