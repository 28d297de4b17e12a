#pragma once
// A component that owns a hidden window so that it can receive window messages.
#include <cstdint>
#include <string>

#include "platform/types.h"
#include "platform/user.h"
#include "ui/Component.h"

class TWindowedComponent : public TComponent {
public:
    TWindowedComponent(std::string name, plat::IUser& user, std::string className)
        : TComponent(std::move(name)), FUser(user), FClassName(std::move(className)) {}
    ~TWindowedComponent() override { DestroyHiddenWindow(); }

    // The hidden window, created the first time it is asked for.
    plat::Hwnd Handle();

protected:
    // The hidden window's procedure; the default handling is DefWindowProc's.
    virtual plat::LResult HiddenWndProc(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam);
    // Derived classes destroy the window themselves while their state still exists.
    void DestroyHiddenWindow();
    plat::IUser& FUser;

private:
    std::string FClassName;
    plat::Hwnd FHiddenWnd = 0;
};
