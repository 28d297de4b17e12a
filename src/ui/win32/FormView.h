#pragma once
// The Win32 view of the main form: a top-level window holding a tab control
// whose pages are child dialogs from the resource file. Every template control is
// bound by name to its model; the view keeps both in step and hands the user's
// actions to the model at the dispatch boundary.
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

namespace win32 {

class FormView final : public IFormView {
public:
    FormView(TForm& form, TApplication& app);
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

    plat::Hwnd Handle() override;
    void ShowForm() override;
    void HideForm() override;
    void FocusControl(TControl& control) override;

    struct Binding;

private:
    class Frame;
    struct Page {
        std::string sheet;
        int templateId = 0;
        HWND wnd = nullptr;
    };

    LRESULT FrameMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK PageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR PageMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlSubclass(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR data);

    bool CreatePages();
    void Layout();
    void BindControls();
    void Bind(Page& page, int id, TComponent* component, unsigned flags);
    void Sync(Binding& b);
    void SyncHint(Binding& b);
    void SyncPages();
    void ApplyHides();
    void ShowPage(int index);
    void OnCommand(int id, int code, HWND control);
    void OnControlFocus(Binding& b);
    HBRUSH OnCtlColorStatic(HDC dc, HWND control);
    HFONT BoldFont();
    template <class F>
    void Dispatch(F&& handler) {
        FApp.Dispatch(std::forward<F>(handler));
    }

    TForm& FForm;
    TApplication& FApp;
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
    UniqueHbrush FSampleBrush;
    COLORREF FSampleBrushColor = CLR_INVALID;
    UniqueHicon FSampleIcon;
    bool FInCtlColor = false;
    bool FHidesPosted = false;  // kApplyHides is on its way
    int FUpdating = 0;  // the view itself is writing to a control
    bool FClosed = false;
    // Listeners outlive the view in the models; they check this first.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

}  // namespace win32
