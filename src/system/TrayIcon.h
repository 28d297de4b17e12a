#pragma once
// The notification-area icon: puts the program's icon with its tip into the
// taskbar's notification area, turns the shell's mouse messages for it into
// events, and lets the application live there instead of on the taskbar.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/user.h"
#include "ui/Application.h"
#include "ui/Component.h"
#include "ui/Controls.h"
#include "ui/Form.h"

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateBits : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32
};
using TMouseEvent = std::function<void(TMouseButton button, unsigned shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(unsigned shift, int x, int y)>;
using TCycleEvent = std::function<void(int current)>;

class TTrayIcon : public TComponent {
public:
    TTrayIcon(std::string name, plat::IUser& user, plat::IShell& shell, TApplication& app, TForm& owner);
    ~TTrayIcon() override;

    // Published properties; setters act at once, as the component's design has it.
    bool DesignPreview = false;
    std::vector<plat::Hicon> IconList;
    bool CycleIcons() const { return FCycleIcons; }
    void SetCycleIcons(bool value);
    std::uint32_t CycleInterval() const { return FCycleInterval; }
    void SetCycleInterval(std::uint32_t value);
    bool Enabled = true;
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    plat::Hicon Icon() const { return FIcon; }
    void SetIcon(plat::Hicon icon);
    bool IconVisible() const { return FIconVisible; }
    void SetIconVisible(bool value);
    TPopupMenu* PopupMenu = nullptr;
    bool LeftPopup = false;
    bool StartMinimized = false;
    bool MinimizeToTray = false;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TCycleEvent OnCycle;

    bool AddIcon();
    bool RemoveIcon();
    bool UpdateIcon();
    void MinimizeToNotificationArea();
    void HideApplication();
    // The form has been loaded with its design values: start resident, add the icon.
    void Loaded();

    plat::Hwnd Handle() const { return FWnd; }
    const plat::NotifyIconData& IconData() const { return FData; }

private:
    plat::LResult IconWindowProc(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam);
    void FillIconData();
    void HandleMouse(std::uint32_t mouseMsg);
    void OpenPopupMenu();
    void NextCycleIcon();

    plat::IUser& FUser;
    plat::IShell& FShell;
    TApplication& FApp;
    TForm& FOwner;
    plat::Hwnd FWnd = 0;
    plat::NotifyIconData FData;
    std::uint32_t FTaskbarCreated = 0;
    std::string FHint;
    bool FShowHint = false;
    plat::Hicon FIcon = 0;
    bool FIconVisible = true;
    bool FCycleIcons = false;
    std::uint32_t FCycleInterval = 0;
    std::size_t FNextImage = 0;
    bool FClicked = false;
    bool FLoaded = false;
};
