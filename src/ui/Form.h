#pragma once
// The form: a top-level window that owns its components in declaration order and
// runs the show, hide, close-query, close and destroy events.
#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "ui/Controls.h"

// What a form needs of its on-screen window; the Win32 view provides it.
class IFormView {
public:
    virtual ~IFormView() = default;
    virtual plat::Hwnd Handle() = 0;
    virtual void ShowForm() = 0;  // visible and in front
    virtual void HideForm() = 0;
    virtual void FocusControl(TControl& control) = 0;
};

class TForm : public TControl {
public:
    using TControl::TControl;
    ~TForm() override;

    void SetView(IFormView* view) { FView = view; }
    plat::Hwnd Handle() const { return FView ? FView->Handle() : 0; }

    // Components and controls, in declaration order, for lookup by name.
    void Register(TComponent& component) { FComponents.push_back(&component); }
    const std::vector<TComponent*>& Components() const { return FComponents; }
    TComponent* FindComponent(const std::string& name) const;

    bool Showing() const { return FShowing; }
    void Show();
    void Hide();
    // Asks whether the form may close; when it may, closes it (which ends the program).
    void Close();
    // The window's own minimise; the application follows.
    TNotifyEvent OnMinimizeRequest;

    TControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TControl* control);

    // The form's own events.
    std::function<void(bool& canClose)> OnCloseQuery;
    TNotifyEvent OnClose;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    // A command chosen in a menu the window owns (WM_COMMAND from no control).
    std::function<void(std::uintptr_t id)> OnMenuCommand;
    // Any other message of the window's own, before its default handling (owner-
    // drawn menus measure and draw through it); true when it was handled.
    std::function<bool(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam, plat::LResult& result)>
        MessageHook;

    // Hooks other components attach (the settings store): they run around the
    // form's own events, in a fixed order. Showing: the before-show hooks, then
    // OnShow. Closing: OnCloseQuery, which may refuse; once it allows the close the
    // after-close-query hooks, then OnClose, then OnHide if it was showing. Destroying:
    // the destroying hooks, once, before any member goes away.
    std::vector<TNotifyEvent> BeforeShowHooks;       // before the window becomes visible
    std::vector<TNotifyEvent> AfterCloseQueryHooks;  // the close was allowed
    std::vector<TNotifyEvent> DestroyingHooks;       // the form is being destroyed

    // Runs the destroying hooks once; called by the owner before members go away.
    void Destroying();

private:
    IFormView* FView = nullptr;
    std::vector<TComponent*> FComponents;
    TControl* FActiveControl = nullptr;
    bool FShowing = false;
    bool FDestroyed = false;
};
