#include "menu/win32/MenuMessages.h"

#include <algorithm>
#include <exception>
#include <string>

#include "menu/win32/Win32MenuCanvas.h"
#include "ui/win32/Dpi.h"

namespace win32 {

namespace {

bool KeyboardCues() {
    BOOL always = FALSE;
    // Read at each drawing: the user may change it while the program runs.
    if (!::SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &always, 0)) return false;
    return always != FALSE;
}

}  // namespace

TItemState MenuItemState(UINT itemState, bool keyboardCues) {
    TItemState state;
    // The system marks a menu opened with the mouse; the underlines show there
    // only while the user has asked for keyboard cues always.
    state.hidePrefix = (itemState & ODS_NOACCEL) != 0 && !keyboardCues;
    state.selected = (itemState & ODS_SELECTED) != 0;
    state.checked = (itemState & ODS_CHECKED) != 0;
    state.disabled = (itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    state.isDefault = (itemState & ODS_DEFAULT) != 0;
    return state;
}

bool RouteMenuRendererMessage(TMenuRenderer& menu, HWND owner, UINT msg, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) {
    // Nothing may unwind through the system's menu loop: an item that cannot be
    // drawn is left to the system.
    try {
        switch (msg) {
            case WM_INITMENUPOPUP:
                menu.SetDpi(WindowDpi(owner));
                menu.InitMenuPopup();
                return false;
            case WM_MEASUREITEM: {
                auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
                if (wParam != 0 || !mis || mis->CtlType != ODT_MENU || !mis->itemData) return false;
                WindowDC dc(owner);
                if (!dc) return false;
                menu.SetDpi(WindowDpi(owner));
                Win32MenuCanvas canvas(dc.get(), menu.Dpi());
                const TItemSize size =
                    menu.MeasureItem(canvas, *reinterpret_cast<const TMenuItem*>(mis->itemData));
                mis->itemWidth = static_cast<UINT>(std::max(size.width, 0));
                mis->itemHeight = static_cast<UINT>(std::max(size.height, 0));
                result = TRUE;
                return true;
            }
            case WM_DRAWITEM: {
                auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
                if (wParam != 0 || !dis || dis->CtlType != ODT_MENU || !dis->itemData) return false;
                Win32MenuCanvas canvas(dis->hDC, menu.Dpi());
                const plat::Rect rect{dis->rcItem.left, dis->rcItem.top, dis->rcItem.right,
                                      dis->rcItem.bottom};
                const auto& item = *reinterpret_cast<const TMenuItem*>(dis->itemData);
                const TItemState state = MenuItemState(dis->itemState, KeyboardCues());
                menu.DrawItem(canvas, item, rect, state);
                // A submenu's arrow comes after the item, blitted in the DC's colours.
                plat::ColorRef text = 0, background = 0;
                if (menu.ArrowColors(canvas, item, state, text, background)) {
                    ::SetTextColor(dis->hDC, text);
                    ::SetBkColor(dis->hDC, background);
                }
                result = TRUE;
                return true;
            }
            default:
                return false;
        }
    } catch (const std::exception& error) {
        // The menu is drawn by the system's default then; the cause goes to the debugger.
        ::OutputDebugStringA((std::string("Menu drawing: ") + error.what()).c_str());
        return false;
    }
}

LRESULT MenuCharResult(const TMenuItem& popup, WPARAM wParam) {
    const UINT ch = LOWORD(wParam);
    if (ch == 0 || ch > 0x7F) return MAKELRESULT(0, MNC_IGNORE);
    const TMenuChar found = FindMenuChar(popup, static_cast<char>(ch));
    if (found.index < 0) return MAKELRESULT(0, MNC_IGNORE);
    return MAKELRESULT(found.index, found.execute ? MNC_EXECUTE : MNC_SELECT);
}

bool RoutePopupMenuMessage(TMenuRenderer& renderer, TPopupMenu& menu, HWND owner, UINT msg, WPARAM wParam,
                           LPARAM lParam, LRESULT& result) {
    if (msg == WM_MENUCHAR) {
        // Owner-drawn items have no text for the system to find a typed letter in.
        const auto handle = static_cast<std::uintptr_t>(lParam);
        const TMenuItem* popup = handle == menu.Handle().Value() ? &menu.Items : menu.ItemFor(handle);
        if (!popup) return false;
        result = MenuCharResult(*popup, wParam);
        return true;
    }
    if (msg == WM_MEASUREITEM && wParam == 0) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis->CtlType != ODT_MENU) return false;
        mis->itemData = reinterpret_cast<ULONG_PTR>(menu.ItemFor(mis->itemID));
    } else if (msg == WM_DRAWITEM && wParam == 0) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlType != ODT_MENU) return false;
        dis->itemData = reinterpret_cast<ULONG_PTR>(menu.ItemFor(dis->itemID));
    }
    return RouteMenuRendererMessage(renderer, owner, msg, wParam, lParam, result);
}

}  // namespace win32
