#pragma once
// A form described once: for each component its page, its dialog id and how its
// window is drawn. The form registers its components from it and the view binds
// each dialog control through it; what the settings store keeps is the
// application's settings schema.
#include <concepts>
#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"

// Meets a component as its own type, so that code per kind needs no casts.
// Components without a window of their own arrive as TComponent.
class TControlVisitor {
public:
    virtual ~TControlVisitor() = default;
    virtual void Visit(TCheckBox&) {}
    virtual void Visit(TEdit&) {}
    virtual void Visit(TSpinEdit&) {}
    virtual void Visit(TRadioGroup&) {}
    virtual void Visit(TListBox&) {}
    virtual void Visit(TButton&) {}
    virtual void Visit(TLabel&) {}
    virtual void Visit(TImage&) {}
    virtual void Visit(TShellIcon&) {}
    virtual void Visit(TTabSheet&) {}
    virtual void Visit(TPageControl&) {}
    virtual void Visit(TComponent&) {}
};

// How a control's window is drawn beyond what its kind implies.
enum TControlLook : unsigned {
    kPlainLook = 0,
    kColorSample = 1,       // a label drawn in its model's font and background colours
    kHorizontalExtent = 2,  // a list whose long entries scroll sideways
    kCancelButton = 4,      // the button that Esc presses, as a dialog's Cancel
};

class TControlRow {
public:
    // A component without a window of its own, or one another part shows (a
    // menu item).
    template <std::derived_from<TComponent> C>
    TControlRow(C& component) : TControlRow(component, nullptr, 0, kPlainLook) {}
    // A page and its dialog template.
    TControlRow(TTabSheet& sheet, int templateId) : TControlRow(sheet, nullptr, templateId, kPlainLook) {}
    // A control on a page with its dialog id. A radio group's buttons take the ids
    // after its group box's; a spin edit's up-down takes the id after its edit's.
    template <std::derived_from<TComponent> C>
    TControlRow(C& control, TTabSheet& page, int id, unsigned look = kPlainLook)
        : TControlRow(control, &page, id, look) {}

    TComponent& Component() const { return *FComponent; }
    TTabSheet* Page() const { return FPage; }
    int Id() const { return FId; }
    unsigned Look() const { return FLook; }
    void Accept(TControlVisitor& visitor) const { FAccept(visitor); }

private:
    template <std::derived_from<TComponent> C>
    TControlRow(C& component, TTabSheet* page, int id, unsigned look)
        : FComponent(&component),
          FPage(page),
          FId(id),
          FLook(look),
          FAccept([&component](TControlVisitor& visitor) { visitor.Visit(component); }) {}

    TComponent* FComponent;
    TTabSheet* FPage;
    int FId;
    unsigned FLook;
    std::function<void(TControlVisitor&)> FAccept;
};

using TFormLayout = std::vector<TControlRow>;

