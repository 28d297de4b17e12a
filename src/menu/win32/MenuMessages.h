#pragma once
// Hands an owner window's owner-draw menu messages to the menu renderer.
#include "platform/win32/WinApi.h"

#include "menu/MenuRenderer.h"
#include "ui/Controls.h"

namespace win32 {

// The ODS_* bits of DRAWITEMSTRUCT::itemState as the renderer's item state;
// keyboardCues is the user's "always underline access keys" setting.
TItemState MenuItemState(UINT itemState, bool keyboardCues);

// Hands the owner window's WM_INITMENUPOPUP, WM_MEASUREITEM and WM_DRAWITEM to
// the renderer, for menu items made owner-drawn with their TMenuItem's address
// as item data, at the dpi of the owner's monitor. True when the message was
// answered (result set); WM_INITMENUPOPUP is only listened to, so it returns
// false and stays the window's to handle.
bool RouteMenuRendererMessage(TMenuRenderer& menu, HWND owner, UINT msg, WPARAM wParam, LPARAM lParam,
                              LRESULT& result);

// The answer to WM_MENUCHAR for a popup whose shown items are those of popup:
// the item the typed character picks (MNC_EXECUTE or MNC_SELECT with its
// position), MNC_IGNORE when none does.
LRESULT MenuCharResult(const TMenuItem& popup, WPARAM wParam);

// The popup menu's owner-draw messages: the item data the system lacks (the
// items are made owner-drawn by command id), the typed letters, and the
// renderer's measuring and drawing. True when the message was answered.
bool RoutePopupMenuMessage(TMenuRenderer& renderer, TPopupMenu& menu, HWND owner, UINT msg, WPARAM wParam,
                           LPARAM lParam, LRESULT& result);

}  // namespace win32
