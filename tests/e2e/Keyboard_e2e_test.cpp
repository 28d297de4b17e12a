// The configuration window without a mouse: Tab reaches every control that
// takes the focus, on every page, and Esc puts the window away as "Minimize" does.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "E2eSupport.h"
#include "resource.h"

using namespace e2e;

namespace {

HWND FocusOf(HWND wnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(wnd, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// A key pressed where the focus is; Tab waits until the focus has moved on.
void Press(HWND main, UINT vk) {
    HWND before = FocusOf(main);
    PostMessageA(before ? before : main, WM_KEYDOWN, vk, 0);
    PostMessageA(before ? before : main, WM_KEYUP, vk, 0xC0000001);
    if (vk == VK_TAB) WaitFor([&] { return FocusOf(main) != before; }, 2000);
}

}  // namespace

TEST(KeyboardE2e, TabReachesEveryGroupAndEscMinimises) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.ShowThroughIcon());
    HWND main = app.MainWindow();
    // A first run has chosen no priority: the group still has to be reachable.
    for (int id : {IDC_GROUPPRIORITY_0, IDC_GROUPPRIORITY_1, IDC_GROUPPRIORITY_2})
        ASSERT_EQ(SendMessageA(app.Control(id), BM_GETCHECK, 0, 0), BST_UNCHECKED) << id;

    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        app.SelectPage(i);
        HWND page = app.ShownPage();
        ASSERT_TRUE(page);
        std::set<HWND> wanted;
        for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c) && IsWindowEnabled(c) && (GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP))
                wanted.insert(c);
        ASSERT_GT(wanted.size(), 3u);
        std::set<HWND> reached;
        for (std::size_t n = 0; n < wanted.size() + 4; ++n) {
            Press(main, VK_TAB);
            reached.insert(FocusOf(main));
        }
        for (HWND c : wanted)
            EXPECT_TRUE(reached.count(c)) << "Tab never reaches control " << GetDlgCtrlID(c) << " \"" << [&] {
                char text[128] = {};
                GetWindowTextA(c, text, sizeof text);
                return std::string(text);
            }() << "\"";
        if (i == 0) {
            bool priority = false;
            for (int id : {IDC_GROUPPRIORITY_0, IDC_GROUPPRIORITY_1, IDC_GROUPPRIORITY_2})
                priority = priority || reached.count(app.Control(id)) > 0;
            EXPECT_TRUE(priority) << "Tab reaches the priority group";
            for (int id : {IDC_GROUPPRIORITY_0, IDC_GROUPPRIORITY_1, IDC_GROUPPRIORITY_2})
                EXPECT_EQ(SendMessageA(app.Control(id), BM_GETCHECK, 0, 0), BST_UNCHECKED)
                    << "passing by chose " << id;
        }
    }

    Press(main, VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000)) << "Esc puts the window into the icon";
    EXPECT_TRUE(app.Running());
    ASSERT_TRUE(app.ShowThroughIcon());
    ASSERT_TRUE(app.Close());
}
