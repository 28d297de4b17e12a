/* Looks at the running program from outside, for the install test:
 *   InstallProbe running SECONDS  waits until the main window is there and its icon sits in the
 *                                 notification area; prints the path of the program's exe
 *   InstallProbe gone SECONDS     waits until no main window is left
 *   InstallProbe autorun SECONDS  shows the window through the icon, ticks "Autorun" as a user
 *                                 does and puts the window back to the icon; prints the name
 *                                 of the logon entry the program wrote for its exe
 * Exit code 0 when the state was reached in time, 1 when not, 2 on a bad command line. */
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/resources/resource.h"

/* The message the notification icon sends its window. */
#define TRAY_NOTIFY (WM_USER + 1024)

static HWND MainWindow(void) { return FindWindowA("TQuorvForm", NULL); }

/* Modifying nothing succeeds only for an icon that the notification area holds. */
static BOOL IconShown(void) {
    HWND owner = FindWindowA("TCoolTrayIconWnd", NULL);
    NOTIFYICONDATAA nid;
    if (!owner) return FALSE;
    memset(&nid, 0, sizeof nid);
    nid.cbSize = sizeof nid;
    nid.hWnd = owner;
    nid.uID = 1;
    return Shell_NotifyIconA(NIM_MODIFY, &nid);
}

static BOOL Running(void) { return MainWindow() != NULL && IconShown(); }

static BOOL Gone(void) { return MainWindow() == NULL; }

static BOOL WaitFor(BOOL (*reached)(void), DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (reached()) return TRUE;
        if (GetTickCount() - start >= ms) return FALSE;
        Sleep(100);
    }
}

static void PrintExePath(HWND wnd) {
    DWORD pid = 0;
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    HANDLE process;
    GetWindowThreadProcessId(wnd, &pid);
    process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process) {
        QueryFullProcessImageNameA(process, 0, path, &size);
        CloseHandle(process);
    }
    printf("%s\n", path);
}

static BOOL Shown(void) { return IsWindowVisible(MainWindow()); }

static BOOL Hidden(void) { return !IsWindowVisible(MainWindow()); }

static HWND g_found;

static BOOL CALLBACK FindControlProc(HWND wnd, LPARAM id) {
    if (GetDlgCtrlID(wnd) != (int)id) return TRUE;
    g_found = wnd;
    return FALSE;
}

static HWND Control(int id) {
    g_found = NULL;
    EnumChildWindows(MainWindow(), FindControlProc, id);
    return g_found;
}

static char g_exe[MAX_PATH];
static char g_entry[MAX_PATH];

/* The value of the user's Run key whose data starts the exe of the running program. */
static BOOL EntryWritten(void) {
    HKEY key;
    DWORD i;
    char want[MAX_PATH + 2];
    BOOL found = FALSE;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return FALSE;
    snprintf(want, sizeof want, "\"%s\"", g_exe);
    for (i = 0; !found; ++i) {
        char name[MAX_PATH];
        BYTE data[2 * MAX_PATH];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        LONG rc = RegEnumValueA(key, i, name, &nameSize, NULL, &type, data, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataSize] = 0;
        if (lstrcmpiA((const char*)data, want) == 0) {
            strcpy(g_entry, name);
            found = TRUE;
        }
    }
    RegCloseKey(key);
    return found;
}

static int TickAutorun(DWORD ms) {
    HWND tray = FindWindowA("TCoolTrayIconWnd", NULL);
    HWND box;
    DWORD pid = 0, size = sizeof g_exe;
    HANDLE process;
    if (!MainWindow() || !tray) {
        fprintf(stderr, "the program is not running\n");
        return 1;
    }
    GetWindowThreadProcessId(MainWindow(), &pid);
    process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process || !QueryFullProcessImageNameA(process, 0, g_exe, &size)) {
        fprintf(stderr, "the program's exe is unknown\n");
        return 1;
    }
    CloseHandle(process);
    /* A double click on the icon, as the shell sends it. */
    PostMessageA(tray, TRAY_NOTIFY, 1, WM_LBUTTONDOWN);
    PostMessageA(tray, TRAY_NOTIFY, 1, WM_LBUTTONUP);
    PostMessageA(tray, TRAY_NOTIFY, 1, WM_LBUTTONDBLCLK);
    PostMessageA(tray, TRAY_NOTIFY, 1, WM_LBUTTONUP);
    if (!WaitFor(Shown, ms)) {
        fprintf(stderr, "the window did not show\n");
        return 1;
    }
    SendMessageA(FindWindowExA(MainWindow(), NULL, "SysTabControl32", NULL), TCM_SETCURFOCUS, 0, 0);
    box = Control(IDC_CKAUTORUN);
    if (!box || SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        fprintf(stderr, "no unticked \"Autorun\" box\n");
        return 1;
    }
    SendMessageA(box, BM_CLICK, 0, 0);
    if (!WaitFor(EntryWritten, ms)) {
        fprintf(stderr, "no logon entry starts %s\n", g_exe);
        return 1;
    }
    SendMessageA(Control(IDC_MINIMIZEBUTTON), BM_CLICK, 0, 0);
    if (!WaitFor(Hidden, ms)) {
        fprintf(stderr, "the window did not go back to the icon\n");
        return 1;
    }
    printf("%s\n", g_entry);
    return 0;
}

int main(int argc, char** argv) {
    DWORD ms;
    if (argc != 3) {
        fprintf(stderr, "usage: InstallProbe running|gone|autorun SECONDS\n");
        return 2;
    }
    ms = (DWORD)strtoul(argv[2], NULL, 10) * 1000;
    if (strcmp(argv[1], "running") == 0) {
        if (!WaitFor(Running, ms)) {
            fprintf(stderr, "no main window with its notification icon (window %s)\n",
                    MainWindow() ? "found" : "missing");
            return 1;
        }
        PrintExePath(MainWindow());
        return 0;
    }
    if (strcmp(argv[1], "gone") == 0) {
        if (!WaitFor(Gone, ms)) {
            fprintf(stderr, "the main window is still there\n");
            return 1;
        }
        return 0;
    }
    if (strcmp(argv[1], "autorun") == 0) return TickAutorun(ms);
    fprintf(stderr, "unknown command: %s\n", argv[1]);
    return 2;
}
