#pragma once
// What the view and the bindings of its controls share: the binding's base,
// and the helpers both use.
#include <string>
#include <utility>

#include "ui/win32/FormView.h"

namespace win32 {

std::string WindowText(HWND wnd);
// A model's colour: an RGB value, or, when its high byte is 0x80, the system
// colour whose index is in its low byte.
COLORREF ToColorRef(unsigned color);
// The shell's small icon for a shell object named as the shell parses it
// ("::{CLSID}"); a folder's icon when this shell does not know the object, so
// that no row of the page stands without a picture.
UniqueHicon ShellSmallIcon(const std::string& object, int size);

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

}  // namespace win32
