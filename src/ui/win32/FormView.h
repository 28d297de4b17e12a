#pragma once
// The Win32 view of a form: a top-level window holding a tab control whose pages
// are child dialogs from the module's resources. The form's layout names each
// page's dialog template and each control's dialog id; the view binds every
// control to its model through a binding of the control's kind, keeps both in
// step and hands the user's actions to the model at the dispatch boundary.
#include "platform/win32/WinApi.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Window.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/FormLayout.h"

namespace win32 {

class FormView final : public IFormView {
public:
    // caption: the window's caption when neither the form nor the application
    // names one; className: the frame's window class; iconId: the frame's icon
    // among the module's resources (0: none). The layout must outlive the view.
    FormView(TForm& form, const TFormLayout& layout, TApplication& app, std::string caption,
             std::string className, int iconId = 0);
    ~FormView() override;
    FormView(const FormView&) = delete;
    FormView& operator=(const FormView&) = delete;

    // Builds the window (hidden), binds every control to its model and pushes the
    // models' state; false when the window could not be made.
    bool Attach();
    HWND Window() const;
    // The tab keys of a property sheet: Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and
    // Ctrl+PgUp turn the pages. True when the message was one of them.
    bool PreTranslateMessage(const MSG& msg);
    // The form has been allowed to close: the message loop may end.
    bool Closed() const { return FClosed; }
    // The control of that id on the page made from that dialog template, nullptr when there is none.
    HWND DialogItem(int templateId, int id) const;

    plat::Hwnd Handle() override;
    void ShowForm() override;
    void HideForm() override;
    void FocusControl(TControl& control) override;

    class Binding;

private:
    class Frame;
    class BindingMaker;
    struct Page {
        TTabSheet* sheet = nullptr;
        int templateId = 0;
        HWND wnd = nullptr;
    };

    LRESULT FrameMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK PageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR PageMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlSubclass(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR data);

    bool CreatePages();
    // Sizes the tabs and the frame around the pages; keepPlace leaves the frame
    // where it is rather than centring it in the work area.
    void Layout(bool keepPlace = false);
    // The window has moved to a screen of another density (WM_DPICHANGED).
    void DpiChanged(int dpi, const RECT& suggested);
    // The pages' controls and font from one density to another, unless the
    // system has already done so.
    void RescalePages(int from, int to);
    void SetFrameIcons();
    void BindControls();
    void Bind(Page& page, const TControlRow& row);
    // The binding of the control's kind; nullptr for kinds the view cannot show.
    std::unique_ptr<Binding> MakeBinding(HWND wnd, const TControlRow& row);
    void Sync(Binding& b);
    void SyncHint(Binding& b);
    void SyncPages();
    void ApplyHides();
    void ShowPage(int index);
    void OnCommand(int id, int code, HWND control);
    void OnControlFocus(Binding& b);
    HBRUSH OnCtlColorStatic(HDC dc, HWND control);
    HFONT BoldFont();
    // The pages' font: the templates', or the one made for another density.
    HFONT PageFont() const;
    // The page's default background for a control, from the dialog manager.
    HBRUSH DefaultCtlColor(HDC dc, HWND control);
    template <class F>
    void Dispatch(F&& handler) {
        FApp.Dispatch(std::forward<F>(handler));
    }

    TForm& FForm;
    const TFormLayout& FLayout;
    TApplication& FApp;
    std::string FCaption;
    std::string FClassName;
    int FIconId = 0;
    TPageControl* FPageControl = nullptr;
    std::unique_ptr<Frame> FFrame;
    HWND FTab = nullptr;
    HWND FTooltip = nullptr;
    HWND FLastFocus = nullptr;
    std::vector<Page> FPages;
    std::vector<std::unique_ptr<Binding>> FBindings;
    // Control id → binding and the part (radio button) it is.
    std::map<int, std::pair<Binding*, int>> FById;
    UniqueHfont FBold;
    Binding* FCancel = nullptr;  // the button that Esc presses
    UniqueHicon FIcons[2];       // the frame's large and small icon at its density
    int FDpi = 96;
    LONG FFontHeight = 0;  // the pages' font as the templates made it, at FFontDpi
    int FFontDpi = 96;
    UniqueHfont FPageFont;  // the pages' font made again for another density
    bool FInCtlColor = false;
    bool FHidesPosted = false;  // kApplyHides is on its way
    int FUpdating = 0;          // the view itself is writing to a control
    bool FClosed = false;
    // Listeners outlive the view in the models; they check this first.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

}  // namespace win32
