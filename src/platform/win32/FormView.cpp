#include "platform/win32/FormView.h"


#include "app/resources/resource.h"
// The preview's picture: its rows are laid out as in a BMP file, which GDI
// draws as they stand.
#include "wallpaper/Picture.h"

namespace win32 {

namespace {

constexpr char kFrameClass[] = "TQuorvForm";
constexpr char kDefaultCaption[] = "Velant! Pro 2001";
// Hints span several lines; wider tips would run across the screen.
constexpr int kTipWidth = 360;
// Posted to the frame: hide the controls whose models were hidden.
constexpr UINT kApplyHides = WM_APP + 1;

enum BindFlags : unsigned {
    kNone = 0,
    kColorSample = 1,       // drawn in the model's font and background colours
    kHorizontalExtent = 2,  // long file names scroll sideways
};

struct PageTemplate {
    const char* sheet;
    int templateId;
    const char* caption;  // when the model has no page control
};

constexpr PageTemplate kPages[] = {
    {"TabSheet1", IDD_PAGE_MAIN, "Main"},
    {"TabSheet3", IDD_PAGE_WALLPAPER, "Wallpaper"},
    {"TabSheet4", IDD_PAGE_DESKTOP, "Desktop/Hotkeys"},
    {"TabSheet2", IDD_PAGE_MENU, "Popup menu/Start menu"},
};

struct ControlName {
    int templateId;
    int id;
    const char* name;
    unsigned flags;
};

// Every template control and the component it shows. A radio group's buttons
// follow its group box's id; a spin edit's up-down follows its edit's id.
constexpr ControlName kControls[] = {
    {IDD_PAGE_MAIN, IDC_CKAUTORUN, "ckAutorun", kNone},
    {IDD_PAGE_MAIN, IDC_CKAUTORUNSCR, "ckAutorunScr", kNone},
    {IDD_PAGE_MAIN, IDC_CKWINCLOCK, "ckWinClock", kNone},
    {IDD_PAGE_MAIN, IDC_CKCPU, "ckCPU", kNone},
    {IDD_PAGE_MAIN, IDC_EDTDATE, "edtDate", kNone},
    {IDD_PAGE_MAIN, IDC_EDTTIME, "edtTime", kNone},
    {IDD_PAGE_MAIN, IDC_GROUPPRIORITY, "GroupPriority", kNone},
    {IDD_PAGE_MAIN, IDC_CKCLEARRECDOCS, "ckClearRecDocs", kNone},
    {IDD_PAGE_MAIN, IDC_RXSPEEDBUTTON9, "RxSpeedButton9", kNone},
    {IDD_PAGE_MAIN, IDC_RXSPEEDBUTTON3, "RxSpeedButton3", kNone},
    {IDD_PAGE_MAIN, IDC_RXSPEEDBUTTON5, "RxSpeedButton5", kNone},
    {IDD_PAGE_MAIN, IDC_CKSCRENABLE, "ckScrEnable", kNone},
    {IDD_PAGE_MAIN, IDC_CKKEEPSCRDISABLED, "ckKeepScrDisabled", kNone},
    {IDD_PAGE_MAIN, IDC_SCRTIMEOUT, "ScrTimeout", kNone},
    {IDD_PAGE_MAIN, IDC_RXSPEEDBUTTON12, "RxSpeedButton12", kNone},
    {IDD_PAGE_MAIN, IDC_RXSPEEDBUTTON15, "RxSpeedButton15", kNone},
    {IDD_PAGE_MAIN, IDC_RXSPEEDBUTTON1, "RxSpeedButton1", kNone},
    {IDD_PAGE_MAIN, IDC_RXSPEEDBUTTON2, "RxSpeedButton2", kNone},

    {IDD_PAGE_WALLPAPER, IDC_WALLLIST, "WallList", kHorizontalExtent},
    {IDD_PAGE_WALLPAPER, IDC_WIMG, "WImg", kNone},
    {IDD_PAGE_WALLPAPER, IDC_BTNAPPLYWALL, "btnApplyWall", kNone},
    {IDD_PAGE_WALLPAPER, IDC_RXSPEEDBUTTON17, "RxSpeedButton17", kNone},
    {IDD_PAGE_WALLPAPER, IDC_RXSPEEDBUTTON18, "RxSpeedButton18", kNone},
    {IDD_PAGE_WALLPAPER, IDC_RXSPEEDBUTTON19, "RxSpeedButton19", kNone},
    {IDD_PAGE_WALLPAPER, IDC_RXSPEEDBUTTON20, "RxSpeedButton20", kNone},
    {IDD_PAGE_WALLPAPER, IDC_RXSPEEDBUTTON21, "RxSpeedButton21", kNone},
    {IDD_PAGE_WALLPAPER, IDC_RXSPEEDBUTTON22, "RxSpeedButton22", kNone},
    {IDD_PAGE_WALLPAPER, IDC_RXSPEEDBUTTON23, "RxSpeedButton23", kNone},
    {IDD_PAGE_WALLPAPER, IDC_CKSTRETCH, "ckStretch", kNone},
    {IDD_PAGE_WALLPAPER, IDC_CKTILE, "ckTile", kNone},
    {IDD_PAGE_WALLPAPER, IDC_CKWALLSTARTUP, "ckWallStartup", kNone},
    {IDD_PAGE_WALLPAPER, IDC_CKCHANGEWP, "ckChangeWp", kNone},
    {IDD_PAGE_WALLPAPER, IDC_CHECKTIME, "CheckTime", kNone},
    {IDD_PAGE_WALLPAPER, IDC_CKWALLRANDOM, "ckWallRandom", kNone},
    {IDD_PAGE_WALLPAPER, IDC_LBLSCANPROGRESS, "lblScanProgress", kNone},

    {IDD_PAGE_DESKTOP, IDC_CKDESKTOPICONS, "ckDesktopIcons", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKTASKBAR, "ckTaskbar", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKTRAYCLOCK, "ckTrayClock", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKSTARTBUTTON, "ckStartButton", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKARROWS, "ckArrows", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKTRANSPARENT, "ckTransparent", kNone},
    {IDD_PAGE_DESKTOP, IDC_LBLICON, "lblIcon", kColorSample},
    {IDD_PAGE_DESKTOP, IDC_RXSPEEDBUTTON24, "RxSpeedButton24", kNone},
    {IDD_PAGE_DESKTOP, IDC_RXSPEEDBUTTON25, "RxSpeedButton25", kNone},
    {IDD_PAGE_DESKTOP, IDC_RXSPEEDBUTTON16, "RxSpeedButton16", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKCHECKTRANS, "ckCheckTrans", kNone},
    {IDD_PAGE_DESKTOP, IDC_RXSPEEDBUTTON26, "RxSpeedButton26", kNone},
    {IDD_PAGE_DESKTOP, IDC_RXSPEEDBUTTON27, "RxSpeedButton27", kNone},
    {IDD_PAGE_DESKTOP, IDC_EDIT1, "Edit1", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKDRAGFULLWINDOWS, "ckDragFullWindows", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKAWINTRACK, "ckAWinTrack", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKACTIVEDESKTOP, "ckActiveDesktop", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKHOTENABLE, "ckHotEnable", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKHOTSCR, "ckHotScr", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKHOTWALL, "ckHotWall", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKHOTHIDEICONS, "ckHotHideIcons", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKHOTCD, "ckHotCd", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKHOTSHUTDOWN, "ckHotShutdown", kNone},
    {IDD_PAGE_DESKTOP, IDC_CKTRANSPARENCY, "ckTransparency", kNone},

    {IDD_PAGE_MENU, IDC_CKMYCOMPUTER, "ckMycomputer", kNone},
    {IDD_PAGE_MENU, IDC_CKDESKTOP, "ckDesktop", kNone},
    {IDD_PAGE_MENU, IDC_CKCONTROLPANEL, "ckControlPanel", kNone},
    {IDD_PAGE_MENU, IDC_CKCDROM, "ckCdRom", kNone},
    {IDD_PAGE_MENU, IDC_CKCLEARRECENT, "ckClearRecent", kNone},
    {IDD_PAGE_MENU, IDC_CKCHANGEW, "ckChangeW", kNone},
    {IDD_PAGE_MENU, IDC_CKHIDE, "ckHide", kNone},
    {IDD_PAGE_MENU, IDC_CKPOWER, "ckPower", kNone},
    {IDD_PAGE_MENU, IDC_CKSTARTSCR, "ckStartScr", kNone},
    {IDD_PAGE_MENU, IDC_CKENABLESCR, "ckEnableScr", kNone},
    {IDD_PAGE_MENU, IDC_RXSPEEDBUTTON4, "RxSpeedButton4", kNone},
    {IDD_PAGE_MENU, IDC_RXSPEEDBUTTON6, "RxSpeedButton6", kNone},
    {IDD_PAGE_MENU, IDC_RXSPEEDBUTTON13, "RxSpeedButton13", kNone},
    {IDD_PAGE_MENU, IDC_RXSPEEDBUTTON14, "RxSpeedButton14", kNone},
    {IDD_PAGE_MENU, IDC_RXSPEEDBUTTON10, "RxSpeedButton10", kNone},
    {IDD_PAGE_MENU, IDC_RXSPEEDBUTTON8, "RxSpeedButton8", kNone},
    {IDD_PAGE_MENU, IDC_RXSPEEDBUTTON7, "RxSpeedButton7", kNone},
    {IDD_PAGE_MENU, IDC_RXSPEEDBUTTON11, "RxSpeedButton11", kNone},
    {IDD_PAGE_MENU, IDC_IMGCONTROLPANEL, "imgControlPanel", kNone},
    {IDD_PAGE_MENU, IDC_IMGPRINTERS, "imgPrinters", kNone},
    {IDD_PAGE_MENU, IDC_IMGURLHISTORY, "imgUrlHistory", kNone},
    {IDD_PAGE_MENU, IDC_IMGRECYCLEBIN, "imgRecycleBin", kNone},
};

std::string WindowText(HWND wnd) {
    int n = ::GetWindowTextLengthA(wnd);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    n = ::GetWindowTextA(wnd, text.data(), n + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

// A Delphi-style colour: the high byte 0x80 names a system colour by index.
COLORREF ToColorRef(unsigned color) {
    if ((color & 0xFF000000u) == 0x80000000u) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0x00FFFFFFu;
}

// The shell's small icon for a shell object named as the shell parses it
// ("::{CLSID}"); a folder's icon when this shell does not know the object, so
// that no row of the page stands without a picture.
UniqueHicon ShellSmallIcon(const std::string& object) {
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    SHFILEINFOA info{};
    const std::wstring name(object.begin(), object.end());  // parsing names are ASCII
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (SUCCEEDED(::SHParseDisplayName(name.c_str(), nullptr, &pidl, 0, nullptr)) && pidl) {
        ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl), 0, &info, sizeof info,
                         SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON);
        ::ILFree(pidl);
    }
    if (!info.hIcon)
        ::SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                         SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON);
    if (SUCCEEDED(com)) ::CoUninitialize();
    return UniqueHicon(info.hIcon);
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

enum class Kind { CheckBox, Edit, SpinEdit, RadioGroup, ListBox, Button, Label, Image, ShellIcon, Tabs };

struct FormView::Binding {
    FormView* owner = nullptr;
    TControl* model = nullptr;
    Kind kind = Kind::Label;
    unsigned flags = 0;
    int page = -1;
    HWND wnd = nullptr;              // the control (a radio group's box, a spin's edit)
    std::vector<HWND> parts;         // radio buttons, or the up-down
    std::vector<std::string> items;  // what the list box holds now
    std::string hint;                // the tooltip text now registered
    bool bold = false;
    bool hidePending = false;        // the model is hidden, its windows not yet
    UniqueHicon icon;                // a shell object's picture, owned while shown
};

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
    for (const auto& item : items) {
        SIZE size{};
        if (::GetTextExtentPoint32A(dc.get(), item.c_str(), static_cast<int>(item.size()), &size))
            extent = std::max(extent, static_cast<int>(size.cx) + margin);
    }
    return extent;
}

// The picture box: the picture at the top left at its own size, clipped to the
// model's box, or scaled to fill that box; the rest of the control, and the
// whole of it when there is no picture, shows the page's background. The box
// is the model's size in pixels at 96 dpi, scaled to the window's dpi.
void PaintImage(HWND wnd, HDC dc, const TImage& image) {
    RECT client;
    ::GetClientRect(wnd, &client);
    HBRUSH back = reinterpret_cast<HBRUSH>(::SendMessageA(::GetParent(wnd), WM_CTLCOLORSTATIC,
                                                          reinterpret_cast<WPARAM>(dc),
                                                          reinterpret_cast<LPARAM>(wnd)));
    if (!back) back = ::GetSysColorBrush(COLOR_BTNFACE);

    const int saved = ::SaveDC(dc);
    const TBitmap* picture = image.Picture();
    if (picture && !picture->Empty()) {
        const UINT dpi = ::GetDpiForWindow(wnd);
        const int boxW = ::MulDiv(image.Width, dpi ? static_cast<int>(dpi) : 96, 96);
        const int boxH = ::MulDiv(image.Height, dpi ? static_cast<int>(dpi) : 96, 96);
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
        ::StretchDIBits(dc, 0, 0, destW, destH, 0, 0, w, h, picture->Pixels().data(), &info,
                        DIB_RGB_COLORS, SRCCOPY);
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

// The frame window: forwards everything to the view.
class FormView::Frame final : public win32::Window {
public:
    explicit Frame(FormView& owner) : FOwner(owner) {}
    bool Make(const std::string& caption, DWORD style, DWORD exStyle) {
        return Create(kFrameClass, caption, style, exStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
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

FormView::FormView(TForm& form, TApplication& app) : FForm(form), FApp(app) {}

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
    HICON bigIcon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_VELANT),
                                                    IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                                    ::GetSystemMetrics(SM_CYICON), LR_SHARED));
    if (!Window::RegisterWindowClass(kFrameClass, bigIcon,
                               reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))))
        return false;

    std::string caption = !FForm.Caption.empty() ? FForm.Caption
                          : !FApp.Title.empty()  ? FApp.Title
                                                 : std::string(kDefaultCaption);
    // A fixed-size dialog-like frame: system menu and minimise, no maximise.
    FFrame = std::make_unique<Frame>(*this);
    if (!FFrame->Make(caption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                   WS_CLIPCHILDREN,
                      WS_EX_CONTROLPARENT | WS_EX_APPWINDOW)) {
        FFrame.reset();
        return false;
    }
    HWND frame = FFrame->Handle();
    HICON smallIcon = static_cast<HICON>(::LoadImageA(
        instance, MAKEINTRESOURCEA(IDI_VELANT), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
        ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    if (smallIcon) ::SendMessageA(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    FTooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, frame, nullptr,
                                 instance, nullptr);
    if (FTooltip) {
        ::SendMessageA(FTooltip, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
        // Long hints need time to be read.
        ::SendMessageA(FTooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 15000);
    }

    FTab = ::CreateWindowExA(0, WC_TABCONTROLA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_HOTTRACK |
                                 TCS_MULTILINE,
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

bool FormView::CreatePages() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    FPageControl = dynamic_cast<TPageControl*>(FForm.FindComponent("PageControl1"));
    std::vector<std::pair<std::string, std::string>> sheets;  // name, caption
    if (FPageControl && !FPageControl->Pages.empty()) {
        for (TTabSheet* sheet : FPageControl->Pages) sheets.emplace_back(sheet->Name(), sheet->Caption);
    } else {
        for (const auto& p : kPages) sheets.emplace_back(p.sheet, p.caption);
    }

    HFONT font = nullptr;
    for (const auto& [name, text] : sheets) {
        const PageTemplate* tpl = nullptr;
        for (const auto& p : kPages)
            if (name == p.sheet) tpl = &p;
        if (!tpl) continue;
        Page page;
        page.sheet = name;
        page.templateId = tpl->templateId;
        page.wnd = ::CreateDialogParamA(instance, MAKEINTRESOURCEA(tpl->templateId), Window(),
                                        &FormView::PageProc, reinterpret_cast<LPARAM>(this));
        if (!page.wnd) return false;
        EnableTabTexture(page.wnd);
        if (!font) font = reinterpret_cast<HFONT>(::SendMessageA(page.wnd, WM_GETFONT, 0, 0));

        TCITEMA item{};
        item.mask = TCIF_TEXT;
        std::string caption = text.empty() ? std::string(tpl->caption) : text;
        item.pszText = caption.data();
        ::SendMessageA(FTab, TCM_INSERTITEMA, FPages.size(), reinterpret_cast<LPARAM>(&item));
        FPages.push_back(page);
    }
    // The tabs speak the pages' font, not the system's.
    if (font) ::SendMessageA(FTab, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return !FPages.empty();
}

void FormView::Layout() {
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
        ::SetWindowPos(p.wnd, HWND_TOP, mx + display.left, my + display.top, pageW, pageH,
                       SWP_NOACTIVATE);

    RECT outer{0, 0, tabW + 2 * mx, tabH + 2 * my};
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(frame, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(frame, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    const int w = outer.right - outer.left, h = outer.bottom - outer.top;
    RECT work{};
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const int x = work.left + std::max(0, static_cast<int>(work.right - work.left) - w) / 2;
    const int y = work.top + std::max(0, static_cast<int>(work.bottom - work.top) - h) / 2;
    ::SetWindowPos(frame, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormView::BindControls() {
    for (const ControlName& c : kControls) {
        for (Page& page : FPages) {
            if (page.templateId != c.templateId) continue;
            Bind(page, c.id, FForm.FindComponent(c.name), c.flags);
        }
    }
    // The sample of the desktop icon's caption sits under an icon of its own.
    for (Page& page : FPages) {
        if (page.templateId != IDD_PAGE_DESKTOP) continue;
        HMODULE shell32 = ::GetModuleHandleA("shell32.dll");
        if (!shell32) continue;
        // Resource 16 of shell32 is the computer icon on Windows and Wine alike.
        FSampleIcon.reset(static_cast<HICON>(
            ::LoadImageA(shell32, MAKEINTRESOURCEA(16), IMAGE_ICON, 32, 32, 0)));
        if (FSampleIcon)
            ::SendDlgItemMessageA(page.wnd, IDC_ICONPICTURE, STM_SETICON,
                                  reinterpret_cast<WPARAM>(FSampleIcon.get()), 0);
    }
    // The tab control is the page control's window.
    if (FPageControl) {
        auto b = std::make_unique<Binding>();
        b->owner = this;
        b->model = FPageControl;
        b->kind = Kind::Tabs;
        b->wnd = FTab;
        ::SetWindowSubclass(FTab, &FormView::ControlSubclass, 1, reinterpret_cast<DWORD_PTR>(b.get()));
        Sync(*b);
        FBindings.push_back(std::move(b));
    }
}

void FormView::Bind(Page& page, int id, TComponent* component, unsigned flags) {
    HWND wnd = ::GetDlgItem(page.wnd, id);
    if (!wnd) return;
    auto* model = dynamic_cast<TControl*>(component);
    auto b = std::make_unique<Binding>();
    b->owner = this;
    b->model = model;
    b->flags = flags;
    b->wnd = wnd;
    b->page = static_cast<int>(&page - FPages.data());
    if (dynamic_cast<TCheckBox*>(model)) b->kind = Kind::CheckBox;
    else if (dynamic_cast<TSpinEdit*>(model)) b->kind = Kind::SpinEdit;
    else if (dynamic_cast<TEdit*>(model)) b->kind = Kind::Edit;
    else if (dynamic_cast<TRadioGroup*>(model)) b->kind = Kind::RadioGroup;
    else if (dynamic_cast<TListBox*>(model)) b->kind = Kind::ListBox;
    else if (dynamic_cast<TButton*>(model)) b->kind = Kind::Button;
    else if (dynamic_cast<TLabel*>(model)) b->kind = Kind::Label;
    else if (dynamic_cast<TImage*>(model)) b->kind = Kind::Image;
    else if (dynamic_cast<TShellIcon*>(model)) b->kind = Kind::ShellIcon;
    else {
        // A control without its model would look alive and do nothing.
        ::OutputDebugStringA(("Velant: no model for control " + std::to_string(id) + "\n").c_str());
        ::EnableWindow(wnd, FALSE);
        return;
    }

    if (b->kind == Kind::RadioGroup) {
        const auto& items = static_cast<TRadioGroup*>(model)->Items();
        for (size_t i = 0; i < items.size(); ++i) {
            HWND radio = ::GetDlgItem(page.wnd, id + 1 + static_cast<int>(i));
            if (!radio) break;
            b->parts.push_back(radio);
            FById[id + 1 + static_cast<int>(i)] = {b.get(), static_cast<int>(i)};
        }
        // Radio buttons the model has no item for stay out of sight.
        for (int i = static_cast<int>(items.size());; ++i) {
            HWND extra = ::GetDlgItem(page.wnd, id + 1 + i);
            if (!extra || i > 16) break;
            char cls[16] = {};
            ::GetClassNameA(extra, cls, sizeof cls);
            if (lstrcmpiA(cls, "Button") != 0) break;
            ::ShowWindow(extra, SW_HIDE);
        }
    } else if (b->kind == Kind::SpinEdit) {
        if (HWND spin = ::GetDlgItem(page.wnd, id + 1)) {
            b->parts.push_back(spin);
            auto* se = static_cast<TSpinEdit*>(model);
            int lo = se->MinValue, hi = se->MaxValue;
            if (lo == 0 && hi == 0) hi = 0x7FFFFFFF;  // no bounds
            ::SendMessageA(spin, UDM_SETRANGE32, static_cast<WPARAM>(lo), hi);
        }
    } else if (b->kind == Kind::Image) {
        // The box is the model's size, whatever the dialog units make of the
        // template's: the frame of an empty preview and a stretched picture
        // then cover the same pixels.
        auto* image = static_cast<TImage*>(model);
        const int dpi = static_cast<int>(::GetDpiForWindow(wnd));
        ::SetWindowPos(wnd, nullptr, 0, 0, ::MulDiv(image->Width, dpi ? dpi : 96, 96),
                       ::MulDiv(image->Height, dpi ? dpi : 96, 96),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (b->kind == Kind::ShellIcon) {
        b->icon = ShellSmallIcon(static_cast<TShellIcon*>(model)->ShellObject);
        if (b->icon) ::SendMessageA(wnd, STM_SETICON, reinterpret_cast<WPARAM>(b->icon.get()), 0);
    } else if (b->kind == Kind::ListBox && (flags & kHorizontalExtent)) {
        auto* list = static_cast<TListBox*>(model);
        ::SendMessageA(wnd, LB_SETHORIZONTALEXTENT, ListExtent(wnd, list->Items(), list->HorizontalExtent),
                       0);
    }
    FById[id] = {b.get(), -1};

    // Focus is learnt from the controls themselves, whatever moved it there.
    ::SetWindowSubclass(wnd, &FormView::ControlSubclass, 1, reinterpret_cast<DWORD_PTR>(b.get()));
    if (b->kind == Kind::RadioGroup)
        for (HWND radio : b->parts)
            ::SetWindowSubclass(radio, &FormView::ControlSubclass, 1,
                                reinterpret_cast<DWORD_PTR>(b.get()));

    Binding* raw = b.get();
    auto alive = FAlive;
    model->AddListener([raw, alive](TControl&) {
        if (*alive) raw->owner->Sync(*raw);
    });
    FBindings.push_back(std::move(b));
    Sync(*raw);
}

HFONT FormView::BoldFont() {
    if (!FBold && !FPages.empty()) {
        auto base = reinterpret_cast<HFONT>(::SendMessageA(FPages.front().wnd, WM_GETFONT, 0, 0));
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
    TControl& m = *b.model;
    std::vector<HWND> all{b.wnd};
    all.insert(all.end(), b.parts.begin(), b.parts.end());

    auto setText = [](HWND wnd, const std::string& text) {
        if (WindowText(wnd) != text) ::SetWindowTextA(wnd, text.c_str());
    };

    switch (b.kind) {
        case Kind::CheckBox: {
            auto& c = static_cast<TCheckBox&>(m);
            setText(b.wnd, c.Caption);
            ::SendMessageA(b.wnd, BM_SETCHECK, c.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        }
        case Kind::Edit:
            setText(b.wnd, static_cast<TEdit&>(m).Text());
            break;
        case Kind::SpinEdit:
            setText(b.wnd, static_cast<TSpinEdit&>(m).Text());
            break;
        case Kind::RadioGroup: {
            auto& g = static_cast<TRadioGroup&>(m);
            setText(b.wnd, g.Caption);
            for (size_t i = 0; i < b.parts.size(); ++i) {
                if (i < g.Items().size()) setText(b.parts[i], g.Items()[i]);
                ::SendMessageA(b.parts[i], BM_SETCHECK,
                               static_cast<int>(i) == g.ItemIndex() ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            break;
        }
        case Kind::ListBox: {
            auto& l = static_cast<TListBox&>(m);
            if (b.items != l.Items()) {
                ::SendMessageA(b.wnd, WM_SETREDRAW, FALSE, 0);
                ::SendMessageA(b.wnd, LB_RESETCONTENT, 0, 0);
                for (const auto& item : l.Items())
                    ::SendMessageA(b.wnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
                ::SendMessageA(b.wnd, WM_SETREDRAW, TRUE, 0);
                ::InvalidateRect(b.wnd, nullptr, TRUE);
                b.items = l.Items();
                if (b.flags & kHorizontalExtent)
                    ::SendMessageA(b.wnd, LB_SETHORIZONTALEXTENT,
                                   ListExtent(b.wnd, l.Items(), l.HorizontalExtent), 0);
            }
            if (::SendMessageA(b.wnd, LB_GETCURSEL, 0, 0) != l.ItemIndex())
                ::SendMessageA(b.wnd, LB_SETCURSEL, static_cast<WPARAM>(l.ItemIndex()), 0);
            break;
        }
        case Kind::Button:
        case Kind::Label:
            setText(b.wnd, m.Caption);
            if (b.flags & kColorSample) ::InvalidateRect(b.wnd, nullptr, TRUE);
            break;
        case Kind::Image:
            // A new picture or a new stretch mode: the control paints it.
            ::InvalidateRect(b.wnd, nullptr, FALSE);
            break;
        case Kind::ShellIcon:
        case Kind::Tabs:
            break;
    }

    if (b.kind != Kind::Tabs) {
        if (m.Bold != b.bold) {
            HFONT font = m.Bold ? BoldFont()
                                : reinterpret_cast<HFONT>(
                                      ::SendMessageA(::GetParent(b.wnd), WM_GETFONT, 0, 0));
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
    if (!FTooltip || b.model->Hint == b.hint) return;
    std::vector<HWND> all{b.wnd};
    all.insert(all.end(), b.parts.begin(), b.parts.end());
    std::string text = b.model->Hint;
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
    if (msg.wParam == VK_TAB) step = ::GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    else if (msg.wParam == VK_NEXT) step = 1;
    else if (msg.wParam == VK_PRIOR) step = -1;
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
        if (b->model != &control) continue;
        HWND target = b->wnd;
        if (b->kind == Kind::RadioGroup && !b->parts.empty()) {
            int index = static_cast<TRadioGroup&>(control).ItemIndex();
            target = b->parts[index >= 0 && index < static_cast<int>(b->parts.size()) ? index : 0];
        }
        // Only what the user can reach can take the focus, and asking twice
        // must not bounce back into the model.
        if (::GetFocus() != target && control.Visible() && ::IsWindowVisible(target) &&
            ::IsWindowEnabled(target))
            ::SetFocus(target);
        return;
    }
}

void FormView::OnControlFocus(Binding& b) {
    if (b.kind == Kind::Tabs) {
        Dispatch([&] {
            if (FForm.ActiveControl() != b.model) FForm.SetActiveControl(b.model);
            if (FPageControl && FPageControl->OnEnter) FPageControl->OnEnter();
        });
        return;
    }
    if (FForm.ActiveControl() == b.model) return;
    Dispatch([&] { FForm.SetActiveControl(b.model); });
}

void FormView::OnCommand(int id, int code, HWND control) {
    auto it = FById.find(id);
    if (it == FById.end()) return;
    Binding& b = *it->second.first;
    const int part = it->second.second;
    if (FUpdating) return;  // the view's own writes echo back as notifications
    switch (b.kind) {
        case Kind::CheckBox:
            if (code == BN_CLICKED) {
                bool checked = ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
                Dispatch([&] { static_cast<TCheckBox*>(b.model)->SetChecked(checked); });
                Sync(b);  // a handler may have refused the change
            }
            break;
        case Kind::Edit:
            if (code == EN_CHANGE) {
                std::string text = WindowText(control);
                Dispatch([&] { static_cast<TEdit*>(b.model)->SetText(text); });
            }
            break;
        case Kind::SpinEdit:
            if (code == EN_CHANGE) {
                std::string text = WindowText(control);
                Dispatch([&] { static_cast<TSpinEdit*>(b.model)->SetText(text); });
            }
            break;
        case Kind::RadioGroup:
            if (code == BN_CLICKED && part >= 0 &&
                ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                Dispatch([&] { static_cast<TRadioGroup*>(b.model)->SetItemIndex(part); });
                Sync(b);
            }
            break;
        case Kind::ListBox:
            if (code == LBN_SELCHANGE) {
                int index = static_cast<int>(::SendMessageA(control, LB_GETCURSEL, 0, 0));
                Dispatch([&] { static_cast<TListBox*>(b.model)->Click(index); });
            }
            break;
        case Kind::Button:
            if (code == BN_CLICKED) Dispatch([&] { static_cast<TButton*>(b.model)->Click(); });
            break;
        default:
            break;
    }
}

HBRUSH FormView::OnCtlColorStatic(HDC dc, HWND control) {
    for (auto& b : FBindings) {
        if (b->wnd != control || !(b->flags & kColorSample) || b->kind != Kind::Label) continue;
        auto& label = static_cast<TLabel&>(*b->model);
        if (label.Transparent()) {
            // The page's own background (a themed texture on current Windows)
            // comes from the dialog manager; only the text colour is ours.
            FInCtlColor = true;
            auto brush = reinterpret_cast<HBRUSH>(::DefDlgProcA(
                ::GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                reinterpret_cast<LPARAM>(control)));
            FInCtlColor = false;
            ::SetTextColor(dc, ToColorRef(label.Font.Color));
            ::SetBkMode(dc, TRANSPARENT);
            return brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE);
        }
        ::SetTextColor(dc, ToColorRef(label.Font.Color));
        COLORREF back = ToColorRef(label.Color());
        ::SetBkColor(dc, back);
        if (!FSampleBrush || FSampleBrushColor != back) {
            FSampleBrush.reset(::CreateSolidBrush(back));
            FSampleBrushColor = back;
        }
        return FSampleBrush.get();
    }
    return nullptr;
}

void FormView::ApplyHides() {
    FHidesPosted = false;
    for (auto& b : FBindings) {
        if (!b->hidePending) continue;
        b->hidePending = false;
        if (b->model->Visible()) continue;
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
                    if (FForm.OnMinimizeRequest) FForm.OnMinimizeRequest();
                    else FApp.Minimize();
                });
            }
            return 0;
        case WM_ACTIVATE:
            // Keep the focused control across deactivation, as dialogs do.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(wnd, focus)) FLastFocus = focus;
            } else if (!HIWORD(wParam)) {
                HWND target = FLastFocus && ::IsWindow(FLastFocus) && ::IsWindowVisible(FLastFocus)
                                  ? FLastFocus
                                  : FTab;
                if (target) ::SetFocus(target);
                return 0;
            }
            break;
        case WM_COMMAND:
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
        case WM_DPICHANGED: {
            auto* r = reinterpret_cast<RECT*>(lParam);
            ::SetWindowPos(wnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
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
    try {
        return self->PageMessage(dlg, msg, wParam, lParam);
    } catch (...) {
        return FALSE;  // nothing may unwind through the dialog manager
    }
}

INT_PTR FormView::PageMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (FInCtlColor) return FALSE;  // asking the dialog manager for its default
            if (HBRUSH brush = OnCtlColorStatic(reinterpret_cast<HDC>(wParam),
                                                reinterpret_cast<HWND>(lParam)))
                return reinterpret_cast<INT_PTR>(brush);
            return FALSE;
        default:
            return FALSE;
    }
}

LRESULT CALLBACK FormView::ControlSubclass(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR data) {
    auto* b = reinterpret_cast<Binding*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(wnd, &FormView::ControlSubclass, id);
    } else if (msg == WM_PAINT && b && b->kind == Kind::Image) {
        if (wParam) {
            PaintImage(wnd, reinterpret_cast<HDC>(wParam), static_cast<TImage&>(*b->model));
        } else {
            PAINTSTRUCT ps;
            if (HDC dc = ::BeginPaint(wnd, &ps)) {
                PaintImage(wnd, dc, static_cast<TImage&>(*b->model));
                ::EndPaint(wnd, &ps);
            }
        }
        return 0;
    } else if (msg == WM_ERASEBKGND && b && b->kind == Kind::Image) {
        return 1;  // painted whole in WM_PAINT
    } else if (msg == WM_SETFOCUS && b && b->owner) {
        LRESULT r = ::DefSubclassProc(wnd, msg, wParam, lParam);
        b->owner->OnControlFocus(*b);
        return r;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

}  // namespace win32
